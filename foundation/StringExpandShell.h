#pragma once

#include <QString>

namespace qv {

} // namespace qv
