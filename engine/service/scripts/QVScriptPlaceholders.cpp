#include "engine/service/scripts/QVScriptPlaceholders.h"

#include "engine/service/scripts/QVScriptQuoting.h"

#include "foundation/PathComponents.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"

#include <QFile>

#include <array>
#include <variant>

namespace {

enum class Token {
    CommonPath,
    Loading,
    Paths,
    Poss,
    Names,
    Nams,
    Exts,
    Path,
    Pos,
    Name,
    Nam,
    Ext,
    Day,
};

struct TokenText
{
    const char* text;
    Token token;
};

// Longest first, so that at one position "@rfnames" wins over "@rfname" and "@rfnam".
constexpr std::array<TokenText, 13> kTokens { {
    { "@rftocommonpath", Token::CommonPath },
    { "@rloading", Token::Loading },
    { "@rfnames", Token::Names },
    { "@rfpaths", Token::Paths },
    { "@rfposs", Token::Poss },
    { "@rfnams", Token::Nams },
    { "@rfexts", Token::Exts },
    { "@rfname", Token::Name },
    { "@rfpath", Token::Path },
    { "@rfext", Token::Ext },
    { "@rfnam", Token::Nam },
    { "@rfpos", Token::Pos },
    { "@rday", Token::Day },
} };

bool isPlural(Token t)
{
    return t == Token::Paths || t == Token::Poss || t == Token::Names || t == Token::Nams || t == Token::Exts;
}

bool isSingular(Token t)
{
    return t == Token::Path || t == Token::Pos || t == Token::Name || t == Token::Nam || t == Token::Ext;
}

using Piece = std::variant<QString, Token>;

// The script cut into literal text and tokens, in one pass.
QList<Piece> split(const QString& script)
{
    QList<Piece> pieces;
    QString literal;
    qsizetype i = 0;
    while (i < script.size()) {
        const TokenText* found = nullptr;
        if (script.at(i) == QLatin1Char('@')) {
            for (const TokenText& t : kTokens) {
                if (QStringView(script).sliced(i).startsWith(QLatin1String(t.text))) {
                    found = &t;
                    break;
                }
            }
        }
        if (found == nullptr) {
            literal += script.at(i++);
            continue;
        }
        if (!literal.isEmpty()) {
            pieces << literal;
            literal.clear();
        }
        pieces << found->token;
        i += qsizetype(qstrlen(found->text));
    }
    if (!literal.isEmpty()) {
        pieces << literal;
    }
    return pieces;
}

// The parts of one path that tokens stand for, as the bytes of the name. The parts are cut by
// the file wrapper from a text that maps the bytes one to one: the decoded name where it decodes
// exactly, else one character per byte, so a name that is not UTF-8 keeps its bytes.
struct PathParts
{
    QByteArray path, folder, filename, name, simpleName, ext;

    explicit PathParts(const QByteArray& bytes)
        : path(bytes)
    {
        const QString decoded = QFile::decodeName(bytes);
        const bool exact = QFile::encodeName(decoded) == bytes;
        const QString text = exact ? decoded : QString::fromLatin1(bytes);
        auto back = [exact](const QString& s) { return exact ? QFile::encodeName(s) : s.toLatin1(); };
        const QVFile file(text);
        folder = back(file.folder());
        filename = back(file.filename());
        name = back(file.name());
        simpleName = back(file.simpleName());
        // Only ASCII letters are lowered in a name that is not UTF-8: its other bytes stay.
        ext = exact ? back(file.ext()) : back(qv::detail::pathExtension(file.filename())).toLower();
    }
};

// The values a token stands for: one per selected item for a plural token, the one item's for
// a singular token (none without an item), the chosen folder for "@rftocommonpath".
QList<QByteArray> valuesOf(Token t, const QList<PathParts>& all, const PathParts* one, const QString& commonPath)
{
    if (t == Token::CommonPath) {
        return { QFile::encodeName(commonPath) };
    }
    auto field = [t](const PathParts& p) -> const QByteArray& {
        switch (t) {
        case Token::Path:
        case Token::Paths:
            return p.path;
        case Token::Pos:
        case Token::Poss:
            return p.folder;
        case Token::Name:
        case Token::Names:
            return p.filename;
        case Token::Nam:
            return p.simpleName;
        case Token::Nams:
            return p.name;
        default:
            return p.ext;
        }
    };
    QList<QByteArray> values;
    if (isPlural(t)) {
        for (const PathParts& p : all) {
            values << field(p);
        }
    } else if (one != nullptr) {
        values << field(*one);
    }
    return values;
}

// The token's values written for their place. Bare, each value is one word (the raw path between
// single quotes for "@rfpath" and "@rfpaths", else blanks escaped), a plural one followed by a
// blank. Inside quotes, the values (each followed by a blank when plural) stay inside the
// script's string as exactly their bytes. An empty value is left empty.
QString valueText(Token t, const QList<QByteArray>& values, const QVScriptQuoting::Place& place)
{
    using Context = QVScriptQuoting::Context;
    const bool plural = isPlural(t);
    const bool rawPath = t == Token::Path || t == Token::Paths;
    if (place.context == Context::Bare) {
        const qv::ShellQuoting style
            = rawPath || place.quoteWhole ? qv::ShellQuoting::SingleQuotes : qv::ShellQuoting::Word;
        QString out;
        for (const QByteArray& v : values) {
            out += v.isEmpty() ? QString() : qv::shellQuoted(v, style);
            if (plural) {
                out += QLatin1Char(' ');
            }
        }
        return out;
    }
    QByteArray joined;
    for (const QByteArray& v : values) {
        joined += v;
        if (plural) {
            joined += ' ';
        }
    }
    if (joined.isEmpty()) {
        return QString(QLatin1String(""));
    }
    // A comment ends at a line break: there every character that is not plain is escaped.
    const qv::ShellQuoting style
        = rawPath && place.context != Context::Comment ? qv::ShellQuoting::SingleQuotes : qv::ShellQuoting::Word;
    return QVScriptQuoting::write(place.context, qv::shellQuoted(joined, style));
}

struct RenderContext
{
    const QList<PathParts>& all;
    const PathParts* one;
    qint64 dayCount;
    const QString& commonPath;
    const QList<QVScriptQuoting::Place>& places;
};

bool standsForValues(Token t, const QString& commonPath)
{
    return isPlural(t) || isSingular(t) || (t == Token::CommonPath && !commonPath.isNull());
}

// Characters that an empty value would join into another operator, or turn into a comment.
bool gluesToEmpty(const QList<Piece>& pieces, qsizetype next)
{
    const QString* literal = next < pieces.size() ? std::get_if<QString>(&pieces.at(next)) : nullptr;
    return literal != nullptr && QStringView(u"#<>&|;()").contains(literal->at(0));
}

QString render(const QList<Piece>& pieces, const RenderContext& c)
{
    QString out;
    qsizetype value = 0;
    for (qsizetype k = 0; k < pieces.size(); ++k) {
        const Piece& piece = pieces.at(k);
        if (const QString* literal = std::get_if<QString>(&piece)) {
            out += *literal;
            continue;
        }
        const Token t = std::get<Token>(piece);
        if (t == Token::Day) {
            out += QString::number(c.dayCount);
        } else if (t == Token::CommonPath && c.commonPath.isNull()) {
            out += QStringLiteral("@rftocommonpath");
        } else if (standsForValues(t, c.commonPath)) {
            const QVScriptQuoting::Place& place = c.places.at(value++);
            QString text = valueText(t, valuesOf(t, c.all, c.one, c.commonPath), place);
            if (text.isEmpty() && place.context == QVScriptQuoting::Context::Bare && gluesToEmpty(pieces, k + 1)) {
                text = QStringLiteral("''");
            }
            out += text;
        }
    }
    return out;
}

const char* tokenText(Token t)
{
    for (const TokenText& text : kTokens) {
        if (text.token == t) {
            return text.text;
        }
    }
    return "";
}

// Reads where each value lands; the first place that cannot carry a value makes the refusal.
QList<QVScriptQuoting::Place> readPlaces(const QList<Piece>& pieces, const QString& commonPath, QString* refusal)
{
    QString text;
    QList<qsizetype> at;
    QList<Token> tokens;
    for (const Piece& piece : pieces) {
        if (const QString* literal = std::get_if<QString>(&piece)) {
            text += *literal;
            continue;
        }
        const Token t = std::get<Token>(piece);
        if (t == Token::Day) {
            text += QLatin1Char('0');
        } else if (t == Token::CommonPath && commonPath.isNull()) {
            text += QStringLiteral("@rftocommonpath");
        } else if (standsForValues(t, commonPath)) {
            at << text.size();
            tokens << t;
        }
    }
    const QList<QVScriptQuoting::Place> places = QVScriptQuoting::read(text, at);
    for (qsizetype k = 0; k < places.size(); ++k) {
        if (!places.at(k).refusal.isEmpty()) {
            *refusal = QStringLiteral("%1: %2").arg(QLatin1String(tokenText(tokens.at(k))), places.at(k).refusal);
            break;
        }
    }
    return places;
}

} // namespace

QVScriptPlaceholders::Expansion QVScriptPlaceholders::expand(const QString& script, const QList<QByteArray>& paths,
                                                             qint64 dayCount, const QString& commonPath)
{
    const QList<Piece> pieces = split(script);
    bool plural = false;
    bool singular = false;
    Expansion expansion;
    for (const Piece& piece : pieces) {
        if (const Token* t = std::get_if<Token>(&piece)) {
            plural = plural || isPlural(*t);
            singular = singular || isSingular(*t);
            expansion.showsProgress = expansion.showsProgress || *t == Token::Loading;
        }
    }
    QList<PathParts> parts;
    for (const QByteArray& path : paths) {
        parts << PathParts(path);
    }
    const QList<QVScriptQuoting::Place> places = readPlaces(pieces, commonPath, &expansion.refusal);
    if (!expansion.refusal.isEmpty()) {
        return expansion;
    }
    if (plural || !singular) {
        const PathParts* first = parts.isEmpty() ? nullptr : &parts.first();
        expansion.runs << render(pieces, { parts, first, dayCount, commonPath, places });
        return expansion;
    }
    for (const PathParts& one : parts) {
        expansion.runs << render(pieces, { parts, &one, dayCount, commonPath, places });
    }
    return expansion;
}

bool QVScriptPlaceholders::usesCommonPath(const QString& script)
{
    for (const Piece& piece : split(script)) {
        if (const Token* t = std::get_if<Token>(&piece); t != nullptr && *t == Token::CommonPath) {
            return true;
        }
    }
    return false;
}
