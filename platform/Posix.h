#pragma once

#include <QString>

namespace platform::posix {

// What the file services built on the C library share: the wording of their failures and the
// folder part of a path.

/// "Failed to <action>. File: "<file>". Error: "<why>"".
QString failureMessage(const QString& action, const QString& file, const QString& why);
/// Sets *error (when given) to the failure message; always false, so a caller can return it.
bool fail(QString* error, const QString& action, const QString& file, const QString& why);
/// The C library's wording of an errno value.
QString errnoText(int code);
/// The folder holding an absolute path; "/" for an item at the root.
QString parentOf(const QString& path);
/// Renames without replacing (renameat2 with RENAME_NOREPLACE; on a file system without that
/// flag a test for a taken name, then a rename). 0, or the errno value of the failure (EEXIST
/// when the destination is taken).
int renameNoReplace(const QString& from, const QString& to);

} // namespace platform::posix
