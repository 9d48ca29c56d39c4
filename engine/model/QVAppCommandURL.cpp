// The address format of the app command URL: writing and reading it. This half needs Qt Core
// alone, so the parser also builds on its own for fuzzing; starting the application is in
// QVAppCommandURLLaunch.cpp.

#include "engine/model/QVAppCommandURL.h"

#include <cctype>
#include <limits>

namespace {

const QByteArray kHostPrefix = QByteArrayLiteral("qvcommand-");

bool isPathByteAllowed(unsigned char c)
{
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    static const QByteArray allowed("!$'()*,-./:;?@_~");
    return allowed.contains(char(c));
}

// Every "%" opens an escape of exactly two hex digits. A broken escape would decode to a name
// the sender never meant (QByteArray keeps it as literal text), so such a value is refused.
bool hasOnlyWholeEscapes(const QByteArray& value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != '%') {
            continue;
        }
        if (i + 2 >= value.size() || !isxdigit(static_cast<unsigned char>(value.at(i + 1)))
            || !isxdigit(static_cast<unsigned char>(value.at(i + 2)))) {
            return false;
        }
        i += 2;
    }
    return true;
}

} // namespace

QByteArray QVAppCommandURL::encodedPath(const QUrl& url)
{
    // The fully encoded form keeps bytes that are not UTF-8 as escapes, so decoding it answers
    // the exact bytes of the name.
    const QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(raw.size() * 3 / 2);
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (isPathByteAllowed(c)) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0f];
        }
    }
    return out;
}

QString QVAppCommandURL::urlStringWithMethod(qint64 method, const QList<QUrl>& urls, bool isSelectURL)
{
    QString query = QStringLiteral("qvselect=%1").arg(isSelectURL ? 1 : 0);
    for (const QUrl& url : urls) {
        query += QStringLiteral("&qvpath=") + QString::fromLatin1(encodedPath(url));
    }
    return QStringLiteral("%1://qvcommand-%2?%3").arg(kScheme).arg(method).arg(query);
}

std::optional<QVAppCommandURL::Command> QVAppCommandURL::parse(const QByteArray& address)
{
    const QByteArray schemePart = kScheme.toLatin1() + QByteArrayLiteral("://");
    if (!address.startsWith(schemePart)) {
        return std::nullopt;
    }
    QByteArrayView rest = QByteArrayView(address).sliced(schemePart.size());
    // A fragment is never part of the query.
    if (const qsizetype hash = rest.indexOf('#'); hash >= 0) {
        rest = rest.first(hash);
    }
    const qsizetype question = rest.indexOf('?');
    QByteArrayView authority = question >= 0 ? rest.first(question) : rest;
    if (const qsizetype slash = authority.indexOf('/'); slash >= 0) {
        authority = authority.first(slash);
    }
    if (!authority.startsWith(kHostPrefix)) {
        return std::nullopt;
    }

    Command command;
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    const QByteArrayView digits = authority.sliced(kHostPrefix.size());
    command.methodIsExact = !digits.isEmpty();
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            command.methodIsExact = false;
            break;
        }
        const int digit = c - '0';
        if (command.method > (kMax - digit) / 10) {
            command.method = kMax;
            command.methodIsExact = false;
        } else {
            command.method = command.method * 10 + digit;
        }
    }

    const QByteArrayView query = question >= 0 ? rest.sliced(question + 1) : QByteArrayView();
    const QByteArray trimmedQuery = query.toByteArray().trimmed();
    if (trimmedQuery.isEmpty() || trimmedQuery == "(null)") {
        return command;
    }
    command.hasQuery = true;
    for (const QByteArray& piece : query.toByteArray().split('&')) {
        const QList<QByteArray> parts = piece.split('=');
        if (parts.size() != 2) {
            continue;
        }
        const QByteArray& name = parts.at(0);
        const QByteArray& value = parts.at(1);
        if (name == "qvselect") {
            command.isSelectURL = value == "1";
        } else if (name == "qvpath") {
            const QByteArray trimmed = value.trimmed();
            if (trimmed.isEmpty() || trimmed == "(null)" || !hasOnlyWholeEscapes(value)) {
                continue;
            }
            // The decoded bytes are the file's name as the file system has it; the URL is built
            // from their escaped form, so bytes that are not UTF-8 survive.
            const QByteArray raw = QByteArray::fromPercentEncoding(value);
            if (!raw.startsWith('/') || raw.contains('\0')) {
                continue;
            }
            QUrl url;
            url.setScheme(QStringLiteral("file"));
            url.setPath(QString::fromLatin1(raw.toPercentEncoding("/")), QUrl::TolerantMode);
            command.selectURLs << url;
        }
    }
    return command;
}
