#include "foundation/StringExpandText.h"

#include "foundation/MutableStringExpand.h"
#include "foundation/ObjectGCD.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace qv {

namespace {

// ----- formatting ----------------------------------------------------------------------------

// Widths and precisions of a user-supplied format are capped, so "%999999999d" cannot make a
// huge allocation.
constexpr int kMaxWidth = 1024;
constexpr int kMaxFloatPrecision = 64;

struct FormatField
{
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;
};

QString argText(const FormatArg::Value& v)
{
    if (const auto* t = std::get_if<QString>(&v)) {
        return *t;
    }
    if (const auto* i = std::get_if<qint64>(&v)) {
        return QString::number(*i);
    }
    if (const auto* u = std::get_if<quint64>(&v)) {
        return QString::number(*u);
    }
    return QString::number(std::get<double>(v), 'g', QLocale::FloatingPointShortest);
}

qint64 argSigned(const FormatArg::Value& v)
{
    if (const auto* i = std::get_if<qint64>(&v)) {
        return *i;
    }
    if (const auto* u = std::get_if<quint64>(&v)) {
        return static_cast<qint64>(*u);
    }
    if (const auto* d = std::get_if<double>(&v)) {
        // Out-of-range doubles saturate (asInteger); converting them directly would be undefined.
        return asInteger(*d);
    }
    return std::get<QString>(v).trimmed().toLongLong();
}

double argDouble(const FormatArg::Value& v)
{
    if (const auto* d = std::get_if<double>(&v)) {
        return *d;
    }
    if (const auto* i = std::get_if<qint64>(&v)) {
        return static_cast<double>(*i);
    }
    if (const auto* u = std::get_if<quint64>(&v)) {
        return static_cast<double>(*u);
    }
    return std::get<QString>(v).trimmed().toDouble();
}

// Applies width and sign to a number's digits; zero padding goes between sign and digits.
QString padNumber(const FormatField& field, QString sign, const QString& digits, bool allowZero)
{
    const qsizetype len = sign.size() + digits.size();
    if (len >= field.width) {
        return sign + digits;
    }
    const qsizetype fill = field.width - len;
    if (field.left) {
        return sign + digits + QString(fill, QLatin1Char(' '));
    }
    if (field.zero && allowZero) {
        return sign + QString(fill, QLatin1Char('0')) + digits;
    }
    return QString(fill, QLatin1Char(' ')) + sign + digits;
}

QString padText(const FormatField& field, const QString& text)
{
    if (text.size() >= field.width) {
        return text;
    }
    const QString fill(field.width - text.size(), QLatin1Char(' '));
    return field.left ? text + fill : fill + text;
}

QString signFor(const FormatField& field, bool negative)
{
    if (negative) {
        return QStringLiteral("-");
    }
    if (field.plus) {
        return QStringLiteral("+");
    }
    return field.space ? QStringLiteral(" ") : QString();
}

QString formatInteger(const FormatField& field, QChar conv, const FormatArg::Value& v)
{
    const qint64 value = argSigned(v);
    const bool isSigned = conv == QLatin1Char('d') || conv == QLatin1Char('i');
    const bool negative = isSigned && value < 0;
    // The magnitude as unsigned, so the smallest qint64 has one too.
    quint64 magnitude = static_cast<quint64>(value);
    if (negative) {
        magnitude = 0 - magnitude;
    }
    int base = 10;
    QString prefix = isSigned ? signFor(field, negative) : QString();
    if (conv == QLatin1Char('x') || conv == QLatin1Char('X')) {
        base = 16;
        if (field.alternate && magnitude != 0) {
            prefix = conv == QLatin1Char('x') ? QStringLiteral("0x") : QStringLiteral("0X");
        }
    } else if (conv == QLatin1Char('o')) {
        base = 8;
        if (field.alternate) {
            prefix = QStringLiteral("0");
        }
    }
    QString digits = QString::number(magnitude, base);
    if (conv == QLatin1Char('X')) {
        digits = digits.toUpper();
    }
    if (field.precision >= 0) {
        if (field.precision == 0 && magnitude == 0) {
            digits.clear();
        } else if (digits.size() < field.precision) {
            digits.prepend(QString(field.precision - digits.size(), QLatin1Char('0')));
        }
    }
    return padNumber(field, prefix, digits, field.precision < 0);
}

QString formatDouble(const FormatField& field, QChar conv, const FormatArg::Value& v)
{
    const double value = argDouble(v);
    const QChar lower = conv.toLower();
    std::chars_format fmt = std::chars_format::fixed;
    if (lower == QLatin1Char('e')) {
        fmt = std::chars_format::scientific;
    } else if (lower == QLatin1Char('g')) {
        fmt = std::chars_format::general;
    }
    const int precision = field.precision < 0 ? 6 : qMin(field.precision, kMaxFloatPrecision);
    // 309 integer digits, a point, the precision and an exponent fit.
    std::array<char, 400> buffer {};
    const bool negative = std::signbit(value) && value == value;
    const double magnitude = negative ? -value : value;
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude, fmt, precision);
    QString digits = ec == std::errc() ? QString::fromLatin1(buffer.data(), end - buffer.data()) : QString();
    if (conv.isUpper()) {
        digits = digits.toUpper();
    }
    const bool finite = std::isfinite(value);
    return padNumber(field, signFor(field, negative), digits, finite);
}

QString formatOne(const FormatField& field, QChar conv, const FormatArg::Value& v)
{
    switch (conv.unicode()) {
    case '@':
    case 's':
    case 'S': {
        QString text = argText(v);
        if (field.precision >= 0) {
            text.truncate(field.precision);
        }
        return padText(field, text);
    }
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        return formatInteger(field, conv, v);
    case 'c': {
        const qint64 code = argSigned(v);
        const char32_t c = code > 0 && code <= 0x10FFFF ? static_cast<char32_t>(code) : U'\uFFFD';
        return padText(field, QString::fromUcs4(&c, 1));
    }
    default:
        return formatDouble(field, conv, v);
    }
}

bool isConversion(QChar c)
{
    return QStringView(u"@sSdiuxXocfFeEgG").contains(c);
}

} // namespace

QString stringWithFormatArgs(const QString& format, std::initializer_list<FormatArg> args)
{
    QString out;
    out.reserve(format.size());
    auto next = args.begin();
    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype pct = format.indexOf(QLatin1Char('%'), i);
        if (pct < 0) {
            out += QStringView(format).mid(i);
            break;
        }
        out += QStringView(format).mid(i, pct - i);
        qsizetype j = pct + 1;
        FormatField field;
        for (; j < n; ++j) {
            const QChar c = format.at(j);
            if (c == QLatin1Char('-')) {
                field.left = true;
            } else if (c == QLatin1Char('0')) {
                field.zero = true;
            } else if (c == QLatin1Char('+')) {
                field.plus = true;
            } else if (c == QLatin1Char(' ')) {
                field.space = true;
            } else if (c == QLatin1Char('#')) {
                field.alternate = true;
            } else {
                break;
            }
        }
        for (; j < n && format.at(j).isDigit() && format.at(j).unicode() < 128; ++j) {
            field.width = qMin(field.width * 10 + format.at(j).digitValue(), kMaxWidth);
        }
        if (j < n && format.at(j) == QLatin1Char('.')) {
            field.precision = 0;
            for (++j; j < n && format.at(j).isDigit() && format.at(j).unicode() < 128; ++j) {
                field.precision = qMin(field.precision * 10 + format.at(j).digitValue(), kMaxWidth);
            }
        }
        while (j < n && QStringView(u"hlqztjL").contains(format.at(j))) {
            ++j;
        }
        if (j >= n) {
            out += QStringView(format).mid(pct);
            break;
        }
        const QChar conv = format.at(j++);
        if (conv == QLatin1Char('%')) {
            out += QLatin1Char('%');
        } else if (isConversion(conv) && next != args.end()) {
            out += formatOne(field, conv, next->value());
            ++next;
        } else {
            out += QStringView(format).mid(pct, j - pct);
        }
        i = j;
    }
    return out;
}

QString replace(const QString& s, const QString& target, const QString& replacement)
{
    if (target.isEmpty()) {
        return s;
    }
    QString result = s;
    return result.replace(target, replacement);
}

QString& REPLACE(QString& s, const QString& target, const QString& replacement)
{
    if (!target.isEmpty()) {
        s.replace(target, replacement, Qt::CaseInsensitive);
    }
    return s;
}

// ----- tests and cleaning --------------------------------------------------------------------

bool isValid(const QString& s)
{
    return !s.isNull() && !s.trimmed().isEmpty() && s != QLatin1String("(null)");
}

bool isBlank(const QString& s)
{
    return s.trimmed().isEmpty();
}

QString trim(const QString& s)
{
    return s.trimmed();
}

QString removeWhiteSpacesFromString(const QString& s)
{
    return s.trimmed();
}

QString unwrap(const QString& s)
{
    if (s.size() >= 2) {
        const QChar first = s.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && s.back() == first) {
            return s.mid(1, s.size() - 2);
        }
    }
    return s;
}

bool is(const QString& s, const QString& other)
{
    return s == other;
}

bool containsString(const QString& s, const QString& sub)
{
    return !sub.isEmpty() && s.contains(sub);
}

QString removeSubString(const QString& s, const QString& sub)
{
    const qsizetype at = sub.isEmpty() ? -1 : s.indexOf(sub);
    if (at < 0) {
        return s;
    }
    QString result = s;
    return result.remove(at, sub.size());
}

namespace {

template <typename Pred> bool allCodePoints(const QString& s, Pred pred)
{
    const QList<uint> points = s.toUcs4();
    return std::all_of(points.begin(), points.end(), pred);
}

} // namespace

bool containsOnlyLetters(const QString& s)
{
    return allCodePoints(s, [](uint c) { return QChar::isLetter(c) || QChar::isMark(c); });
}

bool containsOnlyNumbers(const QString& s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

bool containsOnlyNumbersAndLetters(const QString& s)
{
    return allCodePoints(s, [](uint c) { return QChar::isLetterOrNumber(c) || QChar::isMark(c); });
}

qint64 findNumber(const QString& s)
{
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (const QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            continue;
        }
        const int digit = c.unicode() - '0';
        if (value > (kMax - digit) / 10) {
            return kMax;
        }
        value = value * 10 + digit;
    }
    return value;
}

int countNumberOfWords(const QString& s)
{
    int words = 0;
    bool inWord = false;
    for (const QChar c : s) {
        const bool space = c.isSpace();
        if (!space && !inWord) {
            ++words;
        }
        inWord = !space;
    }
    return words;
}

int numberOfLines(const QString& s)
{
    return static_cast<int>(s.split(QLatin1Char('\n')).size()) + 1;
}

int wordsCount(const QString& s)
{
    int wide = 0;
    int narrow = 0;
    int blanks = 0;
    for (const QChar c : s) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            ++blanks;
        } else if (c.unicode() < 128) {
            ++narrow;
        } else {
            ++wide;
        }
    }
    if (wide == 0 && narrow == 0) {
        return 0;
    }
    return wide + (narrow + blanks + 1) / 2;
}

// ----- conversions ---------------------------------------------------------------------------

QByteArray convertToData(const QString& s)
{
    return s.toUtf8();
}

QString getStringFromData(const QByteArray& data)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(data);
    if (decoder.hasError()) {
        return {};
    }
    // Empty data is an empty text, not an absent one.
    return text.isNull() ? QStringLiteral("") : text;
}

QString qtDateFormat(const QString& pattern)
{
    QString out;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'')) {
            // Quoted literal text: Qt quotes the same way, '' being a quote.
            const qsizetype close = pattern.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype end = close < 0 ? n : close + 1;
            out += QStringView(pattern).mid(i, end - i);
            if (close < 0) {
                out += QLatin1Char('\'');
            }
            i = end;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && pattern.at(i + run) == c) {
            ++run;
        }
        i += run;
        const auto repeat = [](const char* s, qsizetype count) { return QString(count, QLatin1Char(s[0])); };
        switch (c.unicode()) {
        case 'y':
        case 'u':
            out += run == 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
            break;
        case 'M':
        case 'L':
            out += repeat("M", qMin<qsizetype>(run, 4));
            break;
        case 'd':
            out += run == 1 ? QStringLiteral("d") : QStringLiteral("dd");
            break;
        case 'H':
        case 'h':
        case 'm':
        case 's':
            out += QString(qMin<qsizetype>(run, 2), c);
            break;
        case 'S':
            out += QStringLiteral("zzz");
            break;
        case 'a':
            out += QStringLiteral("AP");
            break;
        case 'E':
            out += run <= 3 ? QStringLiteral("ddd") : QStringLiteral("dddd");
            break;
        case 'Z':
        case 'z':
        case 'X':
        case 'x':
        case 'O':
        case 'V':
            out += QLatin1Char('t');
            break;
        default:
            if (c.isLetter()) {
                // Letters Qt would read as fields are kept literal.
                out += QLatin1Char('\'') + QString(run, c) + QLatin1Char('\'');
            } else {
                out += QString(run, c);
            }
        }
    }
    return out;
}

QDateTime convertToDateWithFormat(const QString& s, const QString& pattern)
{
    if (s.isEmpty()) {
        return {};
    }
    return QDateTime::fromString(s, qtDateFormat(pattern));
}

QDateTime convertToDate(const QString& s)
{
    static const QString kPattern = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    if (s.size() < kPattern.size()) {
        return {};
    }
    return convertToDateWithFormat(s.left(kPattern.size()), kPattern);
}

namespace {

QTimeZone shanghai()
{
    const QTimeZone zone(QByteArrayLiteral("Asia/Shanghai"));
    // Without a zone database, its fixed offset (no daylight saving since 1991).
    return zone.isValid() ? zone : QTimeZone(8 * 3600);
}

// "yyyy-MM-dd'T'HH:mm:ss.SSSZ": a zone of "Z", "+0800" or "+08:00".
QDateTime parseStandardTime(const QString& s)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})\.(\d{1,9})(Z|[+-]\d{2}:?\d{2})$)"));
    const QRegularExpressionMatch m = re.match(s);
    if (!m.hasMatch()) {
        return {};
    }
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int ms = m.captured(7).left(3).leftJustified(3, QLatin1Char('0')).toInt();
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms);
    if (!date.isValid() || !time.isValid()) {
        return {};
    }
    QString zone = m.captured(8);
    int offset = 0;
    if (zone != QLatin1String("Z")) {
        zone.remove(QLatin1Char(':'));
        offset = (zone.mid(1, 2).toInt() * 3600 + zone.mid(3, 2).toInt() * 60)
            * (zone.front() == QLatin1Char('-') ? -1 : 1);
    }
    return QDateTime(date, time, QTimeZone(offset));
}

} // namespace

QString standardTimeStringWithFormat(const QString& s, const QString& pattern)
{
    if (!isValid(s)) {
        return {};
    }
    if (s.size() <= 19) {
        return s;
    }
    const QDateTime date = parseStandardTime(s);
    if (!date.isValid()) {
        return {};
    }
    return date.toTimeZone(shanghai()).toString(qtDateFormat(pattern));
}

QString standardTimeString(const QString& s)
{
    return standardTimeStringWithFormat(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString URLEncodedString(const QString& s)
{
    return QString::fromLatin1(s.toUtf8().toPercentEncoding());
}

QString URLDecodedString(const QString& s)
{
    return getStringFromData(QByteArray::fromPercentEncoding(s.toUtf8()));
}

QString encodeStringWithUTF8(const QString& s)
{
    for (const QChar c : s) {
        if (c.unicode() > 0xFF) {
            return {};
        }
    }
    return getStringFromData(s.toLatin1());
}

qsizetype byteLengthWithEncoding(const QString& s, QStringConverter::Encoding encoding)
{
    if (s.isNull()) {
        return 0;
    }
    QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(s);
    return encoder.hasError() ? 0 : bytes.size();
}

QString substringFromIndex(const QString& s, qsizetype index, QStringView charset, qsizetype* endOffset)
{
    if (s.isEmpty() || index < 0 || index >= s.size()) {
        return {};
    }
    qsizetype at = index;
    while (at < s.size() && !charset.contains(s.at(at))) {
        ++at;
    }
    if (endOffset) {
        *endOffset = at < s.size() ? at + 1 : s.size();
    }
    return s.mid(index, at - index);
}

qsizetype countFromIndex(const QString& s, qsizetype index, QStringView charset)
{
    if (s.isEmpty() || index < 0 || index >= s.size()) {
        return 0;
    }
    qsizetype at = index;
    while (at < s.size() && charset.contains(s.at(at))) {
        ++at;
    }
    return at - index;
}

QUrl netUrl(const QString& s)
{
    if (s.isEmpty()) {
        return {};
    }
    const QUrl url(s, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

QUrl localUrl(const QString& s)
{
    return QUrl::fromLocalFile(s);
}

QUrl hashURL(const QString& s)
{
    const qsizetype hash = s.indexOf(QLatin1Char('#'));
    if (hash < 0) {
        return QUrl::fromLocalFile(s);
    }
    QUrl url = QUrl::fromLocalFile(s.left(hash));
    url.setFragment(s.mid(hash + 1));
    return url;
}

QString uuid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QColor rgbColor(const QString& s)
{
    return rgbColorWithAlpha(s, 1.0);
}

QColor rgbColorWithAlpha(const QString& s, double alpha)
{
    if (!isValid(s)) {
        return {};
    }
    QStringView text(s);
    if (text.startsWith(QLatin1Char('#'))) {
        text = text.mid(1);
    }
    // Read as the platform's hex scanner does: leading blanks skipped, an optional "0x",
    // saturating on overflow.
    const auto hexDigit = [](QChar c) {
        const ushort u = c.unicode();
        if (u >= '0' && u <= '9') {
            return u - '0';
        }
        if (u >= 'a' && u <= 'f') {
            return u - 'a' + 10;
        }
        if (u >= 'A' && u <= 'F') {
            return u - 'A' + 10;
        }
        return -1;
    };
    while (!text.isEmpty() && text.front().isSpace()) {
        text = text.mid(1);
    }
    if (text.size() > 2 && text.front() == QLatin1Char('0') && text.at(1).toLower() == QLatin1Char('x')
        && hexDigit(text.at(2)) >= 0) {
        text = text.mid(2);
    }
    quint32 value = 0;
    for (const QChar c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            break;
        }
        value = value > (std::numeric_limits<quint32>::max() >> 4) ? std::numeric_limits<quint32>::max()
                                                                   : (value << 4) | static_cast<quint32>(digit);
    }
    const auto channel = [value](int shift) { return static_cast<float>(((value >> shift) & 0xFF) / 255.0); };
    return QColor::fromRgbF(channel(16), channel(8), channel(0), static_cast<float>(qBound(0.0, alpha, 1.0)));
}

// ----- versions and sizes --------------------------------------------------------------------

int compareVersion(const QString& s, const QString& other)
{
    const QStringList mine = s.split(QLatin1Char('.'));
    const QStringList theirs = other.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < qMax(mine.size(), theirs.size()); ++i) {
        const qint64 a = i < mine.size() ? leadingIntegerValue(mine.at(i)) : 0;
        const qint64 b = i < theirs.size() ? leadingIntegerValue(theirs.at(i)) : 0;
        if (a != b) {
            return a > b ? 1 : -1;
        }
    }
    return 0;
}

QString fileSizeWithValue(double bytes)
{
    static const std::array<const char*, 5> kUnits = { "B", "KB", "MB", "GB", "TB" };
    std::size_t unit = 0;
    // The list ends at TB: larger values stay in TB ("1500.00 TB").
    while (bytes > 1000 && unit + 1 < kUnits.size()) {
        bytes /= 1000;
        ++unit;
    }
    return stringWithFormat(QStringLiteral("%4.2f %@"), bytes, kUnits[unit]);
}

// ----- shell ---------------------------------------------------------------------------------

QString cmdSpace(const QString& s)
{
    QString result = s;
    return result.replace(QLatin1Char(' '), QLatin1String("\\ "));
}

QString shellQuoted(const QString& s)
{
    if (s.isEmpty()) {
        return QStringLiteral("''");
    }
    const bool hasControl
        = std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
    if (hasControl) {
        // $'...' with every control character, quote and backslash as an escape; other
        // characters, non-ASCII ones included, stand as they are.
        QString out = QStringLiteral("$'");
        for (const QChar c : s) {
            const ushort u = c.unicode();
            if (c == QLatin1Char('\'') || c == QLatin1Char('\\')) {
                out += QLatin1Char('\\') + c;
            } else if (u == '\n') {
                out += QLatin1String("\\n");
            } else if (u == '\t') {
                out += QLatin1String("\\t");
            } else if (u == '\r') {
                out += QLatin1String("\\r");
            } else if (u < 0x20 || u == 0x7F) {
                out += QStringLiteral("\\%1").arg(u, 3, 8, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
        return out + QLatin1Char('\'');
    }
    static const QString kSafe = QStringLiteral("_-./+,:=@%");
    QString out;
    out.reserve(s.size() + 8);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        bool escape = false;
        if (c.isSurrogate()) {
            // An unpaired half becomes a replacement character when the line is encoded;
            // escaping it keeps that character literal too.
            const bool paired = c.isHighSurrogate() ? i + 1 < s.size() && s.at(i + 1).isLowSurrogate()
                                                    : i > 0 && s.at(i - 1).isHighSurrogate();
            escape = !paired;
        } else if (c.unicode() >= 128 || c.isLetterOrNumber() || kSafe.contains(c)) {
            escape = false;
        } else if (c == QLatin1Char('~')) {
            // Tilde expansion: at the start of a word, and after ":" or "=" (bash expands
            // assignment-like arguments too).
            escape = i == 0 || s.at(i - 1) == QLatin1Char(':') || s.at(i - 1) == QLatin1Char('=');
        } else if (c == QLatin1Char('#')) {
            escape = i == 0;
        } else {
            escape = true;
        }
        if (escape) {
            out += QLatin1Char('\\');
        }
        out += c;
    }
    return out;
}

} // namespace qv
