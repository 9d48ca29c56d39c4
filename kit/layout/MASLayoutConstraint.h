#pragma once

#include "platform/layout/LayoutConstraint.h"

#include <QVariant>

/// The platform layout constraint the kit installs, with a debugging key for descriptions.
class MASLayoutConstraint final : public platform::layout::LayoutConstraint
{
public:
    using platform::layout::LayoutConstraint::LayoutConstraint;

    const QVariant& mas_key() const { return m_key; }
    void setMas_key(const QVariant& key) { m_key = key; }

    QString className() const override;

private:
    QVariant m_key;
};
