#pragma once

#include "platform/Bundle.h"

#include <QString>

namespace qv {

/// The text of a key in the bundle's localisation tables; the key itself when no table has it.
inline QString localized(const QString& key)
{
    return platform::Bundle::localizedString(key);
}

} // namespace qv
