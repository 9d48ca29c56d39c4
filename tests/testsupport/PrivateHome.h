#pragma once

#include <QString>

namespace tarsel::test {

/// Points HOME, the XDG folders and a private runtime folder (mode 0700) into `home`, creating
/// them, and clears what would lead a run out of it: the cloud folder and system version
/// overrides, and the desktop session's bus (a real file manager would show the run's items).
/// Every test runs in one (TestMain.cpp); the benchmarks use it for their own homes.
void pointEnvironmentAt(const QString& home);

} // namespace tarsel::test
