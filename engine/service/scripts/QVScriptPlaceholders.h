#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// The placeholders of user scripts and their expansion. A script runs once for all selected
/// items when it holds a plural token ("@rfpaths", "@rfposs", "@rfnames", "@rfnams", "@rfexts"),
/// else once per item when it holds a singular one ("@rfpath", "@rfpos", "@rfname", "@rfnam",
/// "@rfext"), else once unchanged; "@rday", "@rloading" and "@rftocommonpath" are expanded in
/// every run.
///
/// The text is read once, left to right, taking the longest token at each "@r"; what a token
/// becomes is never read again, so a file named "x@rfext.txt" stays that name. Every value taken
/// from a path (and the chosen folder) is written for the place it lands in (QVScriptQuoting):
/// bare, it is one quoted word (qv::shellQuoted), so ordinary names come out as they always did
/// ("@rfpath" as '%@', the other tokens with blanks escaped); inside "...", '...' or $'...' the
/// script's quote is closed around that word, so the string holds exactly the value's bytes
/// (a plural token's values each followed by a blank). Quotes, "$(...)", newlines or bytes that
/// are not UTF-8 in a name run nothing. An empty value (no extension; no selection) is left
/// empty, or '' where nothing would join two operators or start a comment.
///
/// A script with a value where no value can be written safely (a here-document, backquotes,
/// arithmetic, ...) is refused as a whole: it gets no runs and a reason.
class QVScriptPlaceholders final
{
public:
    QVScriptPlaceholders() = delete;

    struct Expansion
    {
        QStringList runs; ///< the script text of each run, in selection order
        bool showsProgress = false; ///< the script held "@rloading"
        /// Why the script may not run (the placeholder and its place); empty when it may.
        QString refusal;
    };

    /// The runs of the script for the selected paths (exact bytes, in order). commonPath is the
    /// folder chosen for "@rftocommonpath"; a null one leaves the token as it is written.
    static Expansion expand(const QString& script, const QList<QByteArray>& paths, qint64 dayCount,
                            const QString& commonPath = QString());

    /// The script holds "@rftocommonpath" (read as the expansion reads it).
    static bool usesCommonPath(const QString& script);
};
