#pragma once

#include <QObject>
#include <QPointer>
#include <QPushButton>

namespace qv {
class Spinner;
}

/// A push button that can show a busy spinner: while loading it is disabled and a 15 by 15
/// spinner turns in its centre. `obj` is any object its owner attaches, held weakly.
class QVButton final : public QPushButton
{
    Q_OBJECT

public:
    static constexpr int kIndicatorSide = 15;

    explicit QVButton(QWidget* parent = nullptr);
    explicit QVButton(const QString& text, QWidget* parent = nullptr);
    ~QVButton() override;
    Q_DISABLE_COPY_MOVE(QVButton)

    /// The spinner, made on first use.
    qv::Spinner* indicator();
    void setLoading(bool loading);

    QObject* obj() const { return m_obj; }
    void setObj(QObject* obj) { m_obj = obj; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void centerIndicator();

    QPointer<qv::Spinner> m_indicator;
    QPointer<QObject> m_obj;
};
