#pragma once

#include <QList>
#include <QString>

/// Where the values of a user's shell script land, read the way bash reads the script's quoting,
/// and how a value is written there so that bash receives exactly its bytes and runs nothing of
/// it.
///
/// A value may stand bare, inside "...", inside '...', inside $'...' or in a comment. In the
/// quoted forms the written value closes the script's quote, puts the value as one quoted word
/// and opens the quote again, so the script's string goes on with the value's bytes inside it.
/// Everywhere else a value is refused: inside a here-document, a backquoted command, an
/// arithmetic expression ("$((...))", "((...))", "let", a "[[ ]]" test that compares numbers or
/// names a variable, an array subscript, an integer declaration), a "${...}" expansion, an
/// "eval" or "trap" command, the code after a shell's "-c", directly after an unquoted "$" or a backslash, or after
/// anything the reader cannot follow with certainty.
class QVScriptQuoting final
{
public:
    QVScriptQuoting() = delete;

    enum class Context {
        Bare,
        DoubleQuotes,
        SingleQuotes,
        DollarQuotes,
        Comment,
    };

    struct Place
    {
        Context context = Context::Bare;
        /// Bare, but right after a "~" or in a word with an unquoted "{": only a value quoted as
        /// a whole keeps its bytes there (no tilde or brace expansion reaches into it).
        bool quoteWhole = false;
        /// Why no value may stand here; empty when one may.
        QString refusal;
    };

    /// The places of the values in a script. text is the script with every value taken out; at
    /// holds, in ascending order, the positions in text where a value stands (the value comes
    /// before the character at that position; text.size() is the end). One place per position.
    static QList<Place> read(const QString& text, const QList<qsizetype>& at);

    /// The value's word, quoted for bash as it would be written bare (one word that bash turns
    /// back into the value), written for the place's context. In a comment the word must hold
    /// no line break. An empty word gives an empty text in the quoted forms.
    static QString write(Context context, const QString& word);
};
