#include "engine/service/scripts/QVScriptPlaceholders.h"

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

QString word(const QByteArray& value, qv::ShellQuoting style = qv::ShellQuoting::Word)
{
    return value.isEmpty() ? QString() : qv::shellQuoted(value, style);
}

QString pluralValue(Token t, const QList<PathParts>& parts)
{
    QString out;
    for (const PathParts& p : parts) {
        switch (t) {
        case Token::Paths:
            out += word(p.path, qv::ShellQuoting::SingleQuotes);
            break;
        case Token::Poss:
            out += word(p.folder);
            break;
        case Token::Names:
            out += word(p.filename);
            break;
        case Token::Nams:
            out += word(p.name);
            break;
        default:
            out += word(p.ext);
            break;
        }
        out += QLatin1Char(' ');
    }
    return out;
}

QString singularValue(Token t, const PathParts* p)
{
    if (p == nullptr) {
        return QString(QLatin1String(""));
    }
    switch (t) {
    case Token::Path:
        return word(p->path, qv::ShellQuoting::SingleQuotes);
    case Token::Pos:
        return word(p->folder);
    case Token::Name:
        return word(p->filename);
    case Token::Nam:
        return word(p->simpleName);
    default:
        return word(p->ext);
    }
}

struct Context
{
    const QList<PathParts>& all;
    const PathParts* one;
    qint64 dayCount;
    const QString& commonPath;
};

QString render(const QList<Piece>& pieces, const Context& c)
{
    QString out;
    for (const Piece& piece : pieces) {
        if (const QString* literal = std::get_if<QString>(&piece)) {
            out += *literal;
            continue;
        }
        const Token t = std::get<Token>(piece);
        if (t == Token::CommonPath) {
            out += c.commonPath.isNull() ? QStringLiteral("@rftocommonpath") : qv::shellQuoted(c.commonPath);
        } else if (t == Token::Day) {
            out += QString::number(c.dayCount);
        } else if (isPlural(t)) {
            out += pluralValue(t, c.all);
        } else if (isSingular(t)) {
            out += singularValue(t, c.one);
        }
    }
    return out;
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
    if (plural || !singular) {
        const PathParts* first = parts.isEmpty() ? nullptr : &parts.first();
        expansion.runs << render(pieces, { parts, first, dayCount, commonPath });
        return expansion;
    }
    for (const PathParts& one : parts) {
        expansion.runs << render(pieces, { parts, &one, dayCount, commonPath });
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
