#pragma once

#include <QString>

/// The fields of the template dialog when OK is pressed, and the rule that decides whether they
/// make a usable entry.
///
/// A field is missing when it is blank after trimming or "(null)"; the special file name also
/// when its trimmed text is dots only, and the default name and the extension when their
/// trimmed text is "." or "..": a new file so named would be the folder itself or its parent.
/// When several fields are missing the message names the file type first, then the default
/// name, then the extension (or the special file name). The names and the extension together
/// make one file name, so none of them may hold "/" or NUL.
struct QVAddFileInput
{
    bool special = false;
    QString fileType;
    QString defaultName;
    QString ext;
    QString fileName;

    enum class Problem { None, Missing, BadCharacter };
    struct Check
    {
        Problem problem = Problem::None;
        /// The localisation key of the field the message names ("File Type", "Default Name",
        /// "Extension", "File Name").
        QString field;
        /// "%@ cannot be empty" or "%@ cannot contain a slash", filled with the looked-up field.
        QString message() const;
    };
    Check check() const;
};
