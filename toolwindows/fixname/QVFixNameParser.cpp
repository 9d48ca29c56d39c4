#include "toolwindows/fixname/QVFixNameParser.h"

#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <iconv.h>
#include <memory>

namespace {

using Encoding = QVFixNameParser::Encoding;

struct EncodingInfo
{
    const char* label;
    const char* iconvName; ///< null: converted here
};

constexpr EncodingInfo kEncodings[] = {
    { "ISO-8859-1", "ISO-8859-1" }, { "UTF-8", "UTF-8" },   { "GBK", "GB18030" },    { "Big5", "BIG5" },
    { "Shift_JIS", "SHIFT_JIS" },   { "EUC-KR", "EUC-KR" }, { "Unicode", "UTF-16" }, { "Windows-1252", "CP1252" },
    { "ASCII", nullptr },
};

const EncodingInfo& info(Encoding e)
{
    return kEncodings[int(e)];
}

// Strict conversion: any byte or character the target cannot take fails the whole text.
std::optional<QByteArray> convert(const QByteArray& in, const char* from, const char* to)
{
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::unique_ptr<void, int (*)(iconv_t)> closer(cd, &::iconv_close);
    QByteArray out(in.size() * 4 + 16, '\0');
    char* inPtr = const_cast<char*>(in.constData());
    size_t inLeft = size_t(in.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0
        || ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == size_t(-1)) {
        return std::nullopt;
    }
    out.truncate(out.size() - qsizetype(outLeft));
    return out;
}

std::optional<QString> strictUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

// The non-lossy ASCII of the system: 7-bit bytes only, other characters as "\uXXXX" and a
// backslash itself as "\\".
QByteArray nonLossyEncode(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        if (c == QLatin1Char('\\')) {
            out += "\\\\";
        } else if (c.unicode() < 0x80) {
            out += char(c.unicode());
        } else {
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toLatin1();
        }
    }
    return out;
}

std::optional<QString> nonLossyDecode(const QByteArray& bytes)
{
    QString out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes.at(i));
        if (b >= 0x80) {
            return std::nullopt;
        }
        if (b != '\\') {
            out += QChar(b);
            continue;
        }
        if (i + 1 < bytes.size() && bytes.at(i + 1) == '\\') {
            out += QLatin1Char('\\');
            ++i;
            continue;
        }
        const QByteArray hex = bytes.mid(i + 2, 4);
        const bool escape = i + 1 < bytes.size() && bytes.at(i + 1) == 'u' && hex.size() == 4
            && std::all_of(hex.begin(), hex.end(), [](char h) { return isxdigit(static_cast<unsigned char>(h)); });
        if (!escape) {
            return std::nullopt;
        }
        const ushort unit = hex.toUShort(nullptr, 16);
        out += QChar(unit);
        i += 5;
    }
    return out;
}

// A quoted string of the old property-list format: backslash escapes, "\U" with up to four
// hexadecimal digits, octal bytes. None when the quotes do not close at the end.
std::optional<QString> propertyListString(const QString& quoted)
{
    if (quoted.size() < 2 || !quoted.startsWith(QLatin1Char('"'))) {
        return std::nullopt;
    }
    QString out;
    for (qsizetype i = 1; i < quoted.size(); ++i) {
        const QChar c = quoted.at(i);
        if (c == QLatin1Char('"')) {
            return i == quoted.size() - 1 ? std::optional<QString>(out) : std::nullopt;
        }
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++i >= quoted.size()) {
            return std::nullopt;
        }
        const QChar e = quoted.at(i);
        static const QString kPlain = QStringLiteral("abfnrtv");
        static const QString kControl = QStringLiteral("\a\b\f\n\r\t\v");
        if (e == QLatin1Char('U')) {
            qsizetype n = 0;
            while (n < 4 && i + 1 + n < quoted.size() && isxdigit(quoted.at(i + 1 + n).toLatin1())) {
                ++n;
            }
            out += QChar(ushort(quoted.mid(i + 1, n).toUInt(nullptr, 16)));
            i += n;
        } else if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
            qsizetype n = 1;
            while (n < 3 && i + n < quoted.size() && quoted.at(i + n) >= QLatin1Char('0')
                   && quoted.at(i + n) <= QLatin1Char('7')) {
                ++n;
            }
            out += QChar(ushort(quoted.mid(i, n).toUInt(nullptr, 8)));
            i += n - 1;
        } else if (const qsizetype k = kPlain.indexOf(e); k >= 0) {
            out += kControl.at(k);
        } else {
            out += e;
        }
    }
    return std::nullopt;
}

} // namespace

QString QVFixNameParser::label(Encoding encoding)
{
    return QString::fromLatin1(info(encoding).label);
}

std::optional<QByteArray> QVFixNameParser::encode(const QString& text, Encoding encoding)
{
    if (encoding == Encoding::ASCII) {
        return nonLossyEncode(text);
    }
    return convert(text.toUtf8(), "UTF-8", info(encoding).iconvName);
}

std::optional<QString> QVFixNameParser::decode(const QByteArray& bytes, Encoding encoding)
{
    if (encoding == Encoding::ASCII) {
        return nonLossyDecode(bytes);
    }
    if (encoding == Encoding::UTF8) {
        return strictUtf8(bytes);
    }
    const std::optional<QByteArray> utf8 = convert(bytes, info(encoding).iconvName, "UTF-8");
    return utf8 ? strictUtf8(*utf8) : std::nullopt;
}

QList<QVFixCandidate> QVFixNameParser::candidatesOfBytes(const QByteArray& name)
{
    QList<QVFixCandidate> candidates;
    const auto add = [&candidates](const QString& label, const std::optional<QString>& text) {
        const bool repeated = text
            && std::any_of(candidates.cbegin(), candidates.cend(), [&text](const auto& c) { return c.text == *text; });
        if (text && !repeated && isUsableName(*text)) {
            candidates.append({ label, QString(), *text });
        }
    };
    const auto read = [&name](const char* charset) -> std::optional<QString> {
        const std::optional<QByteArray> utf8 = convert(name, charset, "UTF-8");
        return utf8 ? strictUtf8(*utf8) : std::nullopt;
    };
    if (const QString guess = qv::charsetOfNameBytes(name); !guess.isEmpty()) {
        add(guess, read(guess.toLatin1().constData()));
    }
    for (int e = 0; e < kEncodingCount; ++e) {
        add(label(Encoding(e)), decode(name, Encoding(e)));
    }
    static constexpr EncodingInfo kLegacyCodePages[] = { { "Windows-1251", "CP1251" }, { "CP437", "CP437" } };
    for (const EncodingInfo& page : kLegacyCodePages) {
        add(QString::fromLatin1(page.label), read(page.iconvName));
    }
    return candidates;
}

bool QVFixNameParser::isUsableName(const QString& text)
{
    return qv::isValid(text) && text != QLatin1String(".") && text != QLatin1String("..")
        && !text.contains(QLatin1Char('/')) && !text.contains(QChar(0));
}

QList<QVFixCandidate> QVFixNameParser::parseMessyText(const QString& name)
{
    QList<QVFixCandidate> candidates;
    if (!qv::isValid(name)) {
        return candidates;
    }
    static const QRegularExpression kPercentEscape(QStringLiteral("%[0-9A-Fa-f]{2}"));
    if (name.contains(QLatin1Char('%')) && kPercentEscape.match(name).hasMatch()) {
        candidates = percentDecoded(name);
    } else if (name.toLower().contains(QLatin1String("\\u"))) {
        if (const std::optional<QString> text = backslashEscapesResolved(name)) {
            candidates.append({ QStringLiteral("ASCII"), QString(), *text });
        }
    } else {
        candidates = isHexBytes(name) ? hexBytes(name) : reread(name);
    }
    candidates.removeIf([](const QVFixCandidate& c) { return !isUsableName(c.text); });
    return candidates;
}

QList<QVFixCandidate> QVFixNameParser::percentDecoded(const QString& name)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(name.toUtf8());
    if (const std::optional<QString> text = strictUtf8(bytes); text && qv::isValid(*text)) {
        return { { QStringLiteral("Decode"), QString(), *text } };
    }
    // Escapes of bytes that are no UTF-8 (a name percent-encoded from another encoding): read
    // the bytes in each of the other encodings instead.
    QList<QVFixCandidate> candidates;
    for (int e = 0; e < kEncodingCount; ++e) {
        const std::optional<QString> text = decode(bytes, Encoding(e));
        if (Encoding(e) != Encoding::UTF8 && text && qv::isValid(*text)) {
            candidates.append({ QStringLiteral("Decode"), label(Encoding(e)), *text });
        }
    }
    return candidates;
}

std::optional<QString> QVFixNameParser::backslashEscapesResolved(const QString& name)
{
    if (const std::optional<QString> text = nonLossyDecode(name.toUtf8()); text && qv::isValid(*text)) {
        return text;
    }
    QString quoted = name;
    quoted.replace(QLatin1String("\\u"), QLatin1String("\\U")).replace(QLatin1String("\""), QLatin1String("\\\""));
    std::optional<QString> text = propertyListString(QLatin1Char('"') + quoted + QLatin1Char('"'));
    if (!text) {
        return std::nullopt;
    }
    text->replace(QLatin1String("\\r\\n"), QLatin1String("\n"));
    return qv::isValid(*text) ? text : std::nullopt;
}

bool QVFixNameParser::isHexBytes(const QString& name)
{
    static const QRegularExpression kHex(QStringLiteral("^(?:[0-9a-fA-F]{2})+$"));
    return kHex.match(QString(name).remove(QLatin1Char(' '))).hasMatch();
}

QList<QVFixCandidate> QVFixNameParser::hexBytes(const QString& name)
{
    const QString digits = QString(name).remove(QLatin1Char(' '));
    QList<QVFixCandidate> candidates;
    const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
    for (int e = 0; e < kEncodingCount; ++e) {
        if (const std::optional<QString> text = decode(bytes, Encoding(e)); text && qv::isValid(*text)) {
            candidates.append({ qv::localized(QStringLiteral("字节转字符乱码")), label(Encoding(e)), *text });
        }
    }
    return candidates;
}

QList<QVFixCandidate> QVFixNameParser::reread(const QString& name)
{
    QList<QVFixCandidate> candidates;
    for (int s = 0; s < kEncodingCount; ++s) {
        const std::optional<QByteArray> bytes = encode(name, Encoding(s));
        if (!bytes) {
            continue;
        }
        for (int t = 0; t < kEncodingCount; ++t) {
            if (t == s || (Encoding(s) == Encoding::ASCII && Encoding(t) != Encoding::UTF8)) {
                continue;
            }
            if (const std::optional<QString> text = decode(*bytes, Encoding(t)); text && qv::isValid(*text)) {
                candidates.append({ label(Encoding(s)), label(Encoding(t)), *text });
            }
        }
    }
    return candidates;
}
