#include "engine/service/scripts/QVScriptQuoting.h"

#include <QStringList>

#include <utility>

namespace {

enum class Kind {
    Bare, ///< the script itself, or the command inside "$(...)", "<(...)", ">(...)"
    Double,
    Single,
    Dollar, ///< $'...'
    Comment,
    Backquote,
    Arith, ///< $((...)) and ((...))
    Brace, ///< ${...}
    HereWord, ///< the delimiter after "<<"
    HereBody,
};

struct HereDoc
{
    QString delimiter;
    bool stripTabs = false;
    bool quoted = false;
};

struct Frame
{
    Kind kind = Kind::Bare;
    bool nested = false; ///< a Bare frame that a ")" closes
    int depth = 0; ///< open parentheses (Bare, Arith) or braces (Brace)

    // The current word and simple command of a Bare frame.
    QString word;
    bool wordStarted = false;
    bool wordPlain = true; ///< only unquoted literal characters so far
    bool wordHasValue = false;
    bool braceInWord = false;
    bool subscript = false;
    bool commandStart = true;
    QString command;
    bool integerDeclaration = false;
    bool namesVariable = false;
    bool shellInCommand = false; ///< a word of the command names a shell
    bool codeWord = false; ///< the current word is the code after a shell's "-c"
    bool inTest = false; ///< between "[[" and "]]"
    bool testEvaluates = false; ///< that test compares numbers or names a variable
    QList<qsizetype> testValues;

    // HereWord and HereBody.
    HereDoc here;
    bool hereSingle = false;
    bool hereDouble = false;
    bool hereEscape = false;
    QString line;
};

const QStringList kReservedWords
    = { QStringLiteral("if"),    QStringLiteral("then"), QStringLiteral("else"), QStringLiteral("elif"),
        QStringLiteral("fi"),    QStringLiteral("do"),   QStringLiteral("done"), QStringLiteral("while"),
        QStringLiteral("until"), QStringLiteral("!"),    QStringLiteral("{"),    QStringLiteral("}"),
        QStringLiteral("time"),  QStringLiteral("esac") };
// "[[" operators that evaluate their operands as arithmetic or as variable names.
const QStringList kEvaluatingTests
    = { QStringLiteral("-eq"), QStringLiteral("-ne"), QStringLiteral("-lt"), QStringLiteral("-le"),
        QStringLiteral("-gt"), QStringLiteral("-ge"), QStringLiteral("-v"),  QStringLiteral("-R") };
const QStringList kShells = { QStringLiteral("sh"), QStringLiteral("bash"), QStringLiteral("dash"),
                              QStringLiteral("zsh"), QStringLiteral("ksh") };
const QStringList kCodeCommands = { QStringLiteral("let"), QStringLiteral("eval"), QStringLiteral("trap") };
const QStringList kDeclarations = { QStringLiteral("declare"), QStringLiteral("typeset"), QStringLiteral("local"),
                                    QStringLiteral("readonly"), QStringLiteral("export") };

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isMeta(QChar c)
{
    return isBlank(c) || c == QLatin1Char('\n') || QStringView(u";&|()<>").contains(c);
}

bool isName(const QString& s)
{
    if (s.isEmpty() || s.at(0).isDigit()) {
        return false;
    }
    for (const QChar c : s) {
        if (!(c == QLatin1Char('_') || (c.unicode() < 0x80 && c.isLetterOrNumber()))) {
            return false;
        }
    }
    return true;
}

// "name=" or "name[...]=" or "name+=": a word that assigns before the command's name.
bool isAssignment(const QString& s)
{
    const qsizetype eq = s.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        return false;
    }
    QString name = s.left(eq);
    if (name.endsWith(QLatin1Char('+'))) {
        name.chop(1);
    }
    if (const qsizetype bracket = name.indexOf(QLatin1Char('[')); bracket > 0 && name.endsWith(QLatin1Char(']'))) {
        name = name.left(bracket);
    }
    return isName(name);
}

class Reader
{
public:
    Reader(const QString& text, const QList<qsizetype>& at)
        : m_text(text)
        , m_at(at)
    {
        m_frames.append(Frame());
    }

    QList<QVScriptQuoting::Place> run()
    {
        qsizetype v = 0;
        for (m_i = 0; m_i <= m_text.size(); ++m_i) {
            while (v < m_at.size() && m_at.at(v) <= m_i) {
                placeValue();
                ++v;
            }
            if (m_i < m_text.size()) {
                step(m_text.at(m_i));
            }
        }
        while (v < m_at.size()) {
            placeValue();
            ++v;
        }
        for (Frame& f : m_frames) {
            if (f.kind == Kind::Bare) {
                endWord(f);
                closeTest(f);
            }
        }
        return m_places;
    }

private:
    Frame& top() { return m_frames.last(); }
    void push(Kind kind, int depth = 0)
    {
        Frame f;
        f.kind = kind;
        f.depth = depth;
        f.nested = kind == Kind::Bare;
        m_frames.append(f);
    }
    void pop()
    {
        if (m_frames.size() > 1) {
            m_frames.removeLast();
        }
    }
    bool valueAt(qsizetype i) const { return m_at.contains(i); }
    // The character at i when it follows the current one directly (no value between); else null.
    QChar peek(qsizetype offset = 1) const
    {
        for (qsizetype k = 1; k <= offset; ++k) {
            if (m_i + k >= m_text.size() || valueAt(m_i + k)) {
                return QChar();
            }
        }
        return m_text.at(m_i + offset);
    }

    void refuse(const QString& why)
    {
        if (m_places.last().refusal.isEmpty()) {
            m_places.last().refusal = why;
        }
    }

    void placeValue();
    void placeInCommand(Frame& f, bool bare);
    void step(QChar c);
    void stepBare(Frame& f, QChar c);
    /// "(" or ")" outside quotes: ends the word and the command; "((" opens arithmetic, and a
    /// nested frame counts its depth.
    void bareParenthesis(Frame& f, QChar c);
    /// "<" or ">" after the word it ended: a process substitution or a here-document's word.
    void bareRedirection(QChar c);
    /// Any other character: part of the word, noting a tilde, a brace or a subscript.
    void bareWordChar(Frame& f, QChar c);
    void stepDouble(QChar c);
    void stepOpaque(Frame& f, QChar c);
    void stepHereWord(Frame& f, QChar c);
    void stepHereBody(Frame& f, QChar c);
    bool dollar(Frame& f);
    void wordChar(Frame& f, QChar c, bool plain);
    void endWord(Frame& f);
    void newCommand(Frame& f);
    void closeTest(Frame& f);
    void startHereBodies();

    const QString& m_text;
    const QList<qsizetype>& m_at;
    QList<Frame> m_frames;
    QList<HereDoc> m_pendingHere;
    QList<QVScriptQuoting::Place> m_places;
    qsizetype m_i = 0;
    bool m_escape = false; ///< a backslash waits for the next character
    bool m_dollar = false; ///< an unquoted "$" waits for the next character
    bool m_tilde = false; ///< the last character was an unquoted "~"
    QString m_lost; ///< why the reader can no longer follow the script
};

void Reader::placeValue()
{
    m_places.append(QVScriptQuoting::Place {});
    QVScriptQuoting::Place& place = m_places.last();
    const Kind kind = top().kind;
    if (!m_lost.isEmpty()) {
        refuse(m_lost);
    } else if (kind == Kind::HereWord || kind == Kind::HereBody) {
        refuse(QStringLiteral("it stands inside a here-document; assign it to a variable before the here-document "
                              "and use the variable there"));
    } else if (kind == Kind::Backquote) {
        refuse(QStringLiteral("it stands inside a backquoted command; use $(...) instead"));
    } else if (kind == Kind::Arith) {
        refuse(QStringLiteral("it stands inside an arithmetic expression, where bash would run a name as code"));
    } else if (kind == Kind::Brace) {
        refuse(QStringLiteral("it stands inside a ${...} expansion"));
    } else if (m_escape && kind != Kind::Single && kind != Kind::Comment) {
        refuse(QStringLiteral("it stands directly after a backslash"));
    } else if (m_dollar) {
        refuse(QStringLiteral("it stands directly after a \"$\""));
    }
    place.context = kind == Kind::Double ? QVScriptQuoting::Context::DoubleQuotes
        : kind == Kind::Single           ? QVScriptQuoting::Context::SingleQuotes
        : kind == Kind::Dollar           ? QVScriptQuoting::Context::DollarQuotes
        : kind == Kind::Comment          ? QVScriptQuoting::Context::Comment
                                         : QVScriptQuoting::Context::Bare;
    if (kind != Kind::Comment) {
        // The command the value is a word of (its quotes included) decides what bash does with it.
        for (qsizetype k = m_frames.size() - 1; k >= 0; --k) {
            if (m_frames.at(k).kind == Kind::Bare) {
                placeInCommand(m_frames[k], kind == Kind::Bare);
                break;
            }
        }
    }
    m_escape = false;
    m_dollar = false;
    m_tilde = false;
}

void Reader::placeInCommand(Frame& f, bool bare)
{
    QVScriptQuoting::Place& place = m_places.last();
    if (kCodeCommands.contains(f.command)) {
        refuse(QStringLiteral("it stands in a \"%1\" command, which runs its words as code").arg(f.command));
    } else if (f.codeWord) {
        refuse(QStringLiteral("it stands in the command text a shell runs (-c)"));
    } else if (f.integerDeclaration) {
        refuse(QStringLiteral("it stands in an integer declaration, where bash would run a name as code"));
    } else if (f.namesVariable) {
        refuse(QStringLiteral("it stands where a test reads a variable name"));
    } else if (f.subscript) {
        refuse(QStringLiteral("it stands inside an array subscript, where bash would run a name as code"));
    } else if (f.inTest && f.testEvaluates) {
        refuse(QStringLiteral("it stands in a [[ ]] test that evaluates its words as arithmetic"));
    }
    if (f.inTest) {
        f.testValues.append(m_places.size() - 1);
    }
    if (bare) {
        place.quoteWhole = m_tilde || f.braceInWord;
        f.wordStarted = true;
        f.wordHasValue = true;
    }
}

void Reader::step(QChar c)
{
    Frame& f = top();
    switch (f.kind) {
    case Kind::Bare:
        stepBare(f, c);
        break;
    case Kind::Double:
        stepDouble(c);
        break;
    case Kind::Single:
        if (c == QLatin1Char('\'')) {
            pop();
        }
        break;
    case Kind::Dollar:
        if (m_escape) {
            m_escape = false;
        } else if (c == QLatin1Char('\\')) {
            m_escape = true;
        } else if (c == QLatin1Char('\'')) {
            pop();
        }
        break;
    case Kind::Comment:
        if (c == QLatin1Char('\n')) {
            pop();
            step(c);
        }
        break;
    case Kind::HereWord:
        stepHereWord(f, c);
        break;
    case Kind::HereBody:
        stepHereBody(f, c);
        break;
    default:
        stepOpaque(f, c);
        break;
    }
}

// "$" in bare text or inside "...": what it opens, if anything. True when it consumed more.
bool Reader::dollar(Frame& f)
{
    const QChar next = peek();
    const bool inDouble = f.kind == Kind::Double;
    if (next == QLatin1Char('(')) {
        if (peek(2) == QLatin1Char('(')) {
            push(Kind::Arith, 2);
            m_i += 2;
        } else {
            push(Kind::Bare);
            m_i += 1;
        }
    } else if (next == QLatin1Char('{')) {
        push(Kind::Brace, 1);
        m_i += 1;
    } else if (next == QLatin1Char('[')) {
        m_lost = QStringLiteral("the script uses $[...], which this reader does not follow");
    } else if (!inDouble && next == QLatin1Char('\'')) {
        push(Kind::Dollar);
        m_i += 1;
    } else if (!inDouble && next == QLatin1Char('"')) {
        push(Kind::Double);
        m_i += 1;
    } else {
        m_dollar = next.isNull() && valueAt(m_i + 1);
        return false;
    }
    return true;
}

void Reader::stepDouble(QChar c)
{
    if (c == QLatin1Char('\\')) {
        if (valueAt(m_i + 1)) {
            m_escape = true;
        } else if (QStringView(u"$`\"\\\n").contains(peek())) {
            m_i += 1;
        }
    } else if (c == QLatin1Char('"')) {
        pop();
    } else if (c == QLatin1Char('`')) {
        push(Kind::Backquote);
    } else if (c == QLatin1Char('$')) {
        dollar(top());
    }
}

void Reader::wordChar(Frame& f, QChar c, bool plain)
{
    f.wordStarted = true;
    f.wordPlain = f.wordPlain && plain;
    f.word += c;
}

void Reader::stepBare(Frame& f, QChar c)
{
    if (m_escape) {
        m_escape = false;
        if (c != QLatin1Char('\n')) {
            wordChar(f, c, false);
        }
        return;
    }
    m_tilde = false;
    if (c == QLatin1Char('\\')) {
        f.wordStarted = true;
        m_escape = true;
    } else if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
        f.wordStarted = true;
        f.wordPlain = false;
        push(c == QLatin1Char('\'') ? Kind::Single : c == QLatin1Char('"') ? Kind::Double : Kind::Backquote);
    } else if (c == QLatin1Char('$')) {
        f.wordStarted = true;
        f.wordPlain = false;
        dollar(f);
    } else if (c == QLatin1Char('#') && !f.wordStarted) {
        push(Kind::Comment);
    } else if (isBlank(c)) {
        endWord(f);
    } else if (c == QLatin1Char('\n')) {
        endWord(f);
        newCommand(f);
        startHereBodies();
    } else if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
        bareParenthesis(f, c);
    } else if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
        endWord(f);
        bareRedirection(c);
    } else if (QStringView(u";&|").contains(c)) {
        endWord(f);
        newCommand(f);
    } else {
        bareWordChar(f, c);
    }
}

void Reader::bareParenthesis(Frame& f, QChar c)
{
    const bool atWordStart = !f.wordStarted;
    endWord(f);
    newCommand(f);
    if (c == QLatin1Char(')')) {
        if (f.nested && --f.depth < 0) {
            closeTest(f);
            pop();
        }
    } else if (atWordStart && peek() == QLatin1Char('(')) {
        push(Kind::Arith, 2);
        m_i += 1;
    } else if (f.nested) {
        ++f.depth;
    }
}

void Reader::bareRedirection(QChar c)
{
    if (peek() == QLatin1Char('(')) {
        push(Kind::Bare);
        m_i += 1;
    } else if (c == QLatin1Char('<') && peek() == QLatin1Char('<')) {
        if (peek(2) == QLatin1Char('<')) {
            m_i += 2;
        } else {
            m_i += 1;
            push(Kind::HereWord);
            if (peek() == QLatin1Char('-')) {
                top().here.stripTabs = true;
                m_i += 1;
            }
        }
    }
}

void Reader::bareWordChar(Frame& f, QChar c)
{
    if (c == QLatin1Char('~')) {
        m_tilde = true;
    } else if (c == QLatin1Char('{')) {
        f.braceInWord = true;
    } else if (c == QLatin1Char('[') && f.wordPlain && !f.wordHasValue && isName(f.word)) {
        f.subscript = true;
    } else if (c == QLatin1Char(']')) {
        f.subscript = false;
    }
    wordChar(f, c, true);
}

void Reader::endWord(Frame& f)
{
    if (!f.wordStarted) {
        return;
    }
    const QString w = f.word;
    const bool plain = f.wordPlain && !f.wordHasValue;
    f.codeWord = false;
    if (plain && kShells.contains(w.mid(w.lastIndexOf(QLatin1Char('/')) + 1))) {
        f.shellInCommand = true;
    } else if (plain && f.shellInCommand && w.size() > 1 && w.startsWith(QLatin1Char('-'))
               && !w.startsWith(QLatin1String("--")) && w.contains(QLatin1Char('c'))) {
        f.codeWord = true; // the next word is code
    }
    if (f.inTest) {
        if (plain && w == QLatin1String("]]")) {
            closeTest(f);
        } else if (plain && kEvaluatingTests.contains(w)) {
            f.testEvaluates = true;
        }
    } else if (f.commandStart) {
        if (plain && w == QLatin1String("[[")) {
            f.inTest = true;
            f.commandStart = false;
        } else if (plain && (kReservedWords.contains(w) || isAssignment(w))) {
            // The command's name is still to come.
        } else if (f.wordHasValue && f.word.isEmpty() && f.wordPlain) {
            // A value alone may be empty; the next word may still name the command.
        } else {
            if (plain && f.nested && w == QLatin1String("case")) {
                m_lost = QStringLiteral("the script has a \"case\" inside $(...), which this reader does not follow");
            }
            f.command = plain ? w : QString();
            f.commandStart = false;
        }
    } else if (plain && kDeclarations.contains(f.command) && w.startsWith(QLatin1Char('-'))
               && w.contains(QLatin1Char('i'))) {
        f.integerDeclaration = true;
    } else if (plain && (f.command == QLatin1String("[") || f.command == QLatin1String("test"))
               && (w == QLatin1String("-v") || w == QLatin1String("-R"))) {
        f.namesVariable = true;
    }
    f.word.clear();
    f.wordStarted = false;
    f.wordPlain = true;
    f.wordHasValue = false;
    f.braceInWord = false;
    f.subscript = false;
}

void Reader::newCommand(Frame& f)
{
    f.commandStart = true;
    f.command.clear();
    f.integerDeclaration = false;
    f.namesVariable = false;
    f.shellInCommand = false;
    f.codeWord = false;
}

// A "[[ ]]" test ends: when it evaluates its words, no value in it may stand.
void Reader::closeTest(Frame& f)
{
    if (f.inTest && f.testEvaluates) {
        for (const qsizetype i : std::as_const(f.testValues)) {
            if (m_places[i].refusal.isEmpty()) {
                m_places[i].refusal
                    = QStringLiteral("it stands in a [[ ]] test that evaluates its words as arithmetic");
            }
        }
    }
    f.inTest = false;
    f.testEvaluates = false;
    f.testValues.clear();
}

// Backquotes, arithmetic and ${...}: no value stands inside; only their end is looked for. Quotes
// inside them follow rules of their own, so the reader gives up there rather than guess.
void Reader::stepOpaque(Frame& f, QChar c)
{
    if (f.kind == Kind::Backquote) {
        if (m_escape) {
            m_escape = false;
        } else if (c == QLatin1Char('\\')) {
            m_escape = true;
        } else if (c == QLatin1Char('`')) {
            pop();
        } else if (QStringView(u"'\"#").contains(c) || (c == QLatin1Char('$') && peek() == QLatin1Char('('))
                   || (c == QLatin1Char('<') && peek() == QLatin1Char('<'))) {
            m_lost = QStringLiteral("the script has quotes or nested commands inside backquotes");
        }
        return;
    }
    if (QStringView(u"'\"`\\").contains(c) || (c == QLatin1Char('$') && peek() == QLatin1Char('('))) {
        m_lost = QStringLiteral("the script has quotes or commands inside an arithmetic or ${...} expansion");
        return;
    }
    const QChar open = f.kind == Kind::Arith ? QLatin1Char('(') : QLatin1Char('{');
    const QChar close = f.kind == Kind::Arith ? QLatin1Char(')') : QLatin1Char('}');
    if (c == open) {
        ++f.depth;
    } else if (c == close && --f.depth == 0) {
        pop();
    }
}

void Reader::stepHereWord(Frame& f, QChar c)
{
    if (f.hereEscape) {
        f.hereEscape = false;
        f.here.delimiter += c;
    } else if (f.hereSingle) {
        f.hereSingle = c != QLatin1Char('\'');
        if (f.hereSingle) {
            f.here.delimiter += c;
        }
    } else if (f.hereDouble && c == QLatin1Char('"')) {
        f.hereDouble = false;
    } else if (c == QLatin1Char('$') || c == QLatin1Char('`') || (f.hereDouble && c == QLatin1Char('\\'))) {
        m_lost = QStringLiteral("the script has a here-document delimiter this reader does not follow");
    } else if (f.hereDouble) {
        f.here.delimiter += c;
    } else if (c == QLatin1Char('\\')) {
        f.here.quoted = true;
        f.hereEscape = true;
    } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        f.here.quoted = true;
        (c == QLatin1Char('\'') ? f.hereSingle : f.hereDouble) = true;
    } else if (isBlank(c) && f.here.delimiter.isEmpty() && !f.here.quoted) {
        // Blanks before the delimiter.
    } else if (isMeta(c)) {
        if (f.here.delimiter.isEmpty() && !f.here.quoted) {
            m_lost = QStringLiteral("the script has a here-document without a delimiter");
        }
        m_pendingHere.append(f.here);
        pop();
        step(c);
    } else {
        f.here.delimiter += c;
    }
}

void Reader::startHereBodies()
{
    // The first here-document's body comes first: it goes on top.
    for (qsizetype k = m_pendingHere.size() - 1; k >= 0; --k) {
        Frame f;
        f.kind = Kind::HereBody;
        f.here = m_pendingHere.at(k);
        m_frames.append(f);
    }
    m_pendingHere.clear();
}

void Reader::stepHereBody(Frame& f, QChar c)
{
    if (c != QLatin1Char('\n')) {
        f.line += c;
        return;
    }
    if (!f.here.quoted) {
        // An escaped line break joins the lines before the delimiter is looked for.
        qsizetype backslashes = 0;
        while (backslashes < f.line.size() && f.line.at(f.line.size() - 1 - backslashes) == QLatin1Char('\\')) {
            ++backslashes;
        }
        if (backslashes % 2 == 1) {
            f.line.chop(1);
            return;
        }
    }
    QString line = f.line;
    while (f.here.stripTabs && line.startsWith(QLatin1Char('\t'))) {
        line.remove(0, 1);
    }
    f.line.clear();
    if (line == f.here.delimiter) {
        pop();
    }
}

} // namespace

QList<QVScriptQuoting::Place> QVScriptQuoting::read(const QString& text, const QList<qsizetype>& at)
{
    return Reader(text, at).run();
}

QString QVScriptQuoting::write(Context context, const QString& word)
{
    if (word.isEmpty() && context != Context::Bare && context != Context::Comment) {
        return QString(QLatin1String(""));
    }
    switch (context) {
    case Context::DoubleQuotes:
        return QLatin1Char('"') + word + QLatin1Char('"');
    case Context::SingleQuotes:
        return QLatin1Char('\'') + word + QLatin1Char('\'');
    case Context::DollarQuotes:
        return QLatin1Char('\'') + word + QLatin1String("$'");
    default:
        return word;
    }
}
