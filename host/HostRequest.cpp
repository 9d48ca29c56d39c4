#include "host/HostRequest.h"

#include "platform/Bundle.h"
#include "platform/RealPath.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

namespace {

bool isFolderAt(const QByteArray& path)
{
    struct stat st
    {
    };
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

QByteArray absolute(const QByteArray& path, const QByteArray& cwd)
{
    if (path.startsWith('/')) {
        return path;
    }
    return cwd.endsWith('/') ? cwd + path : cwd + '/' + path;
}

QString undecodableMessage(const QByteArray& folder)
{
    return QStringLiteral("Failed to use the item. Folder: \"%1\". Error: \"a name in this folder is not valid "
                          "UTF-8, so it cannot be named exactly; rename the item with \u201c%2\u201d to use it here\"")
        .arg(QFile::decodeName(folder), platform::Bundle::localizedString(QStringLiteral("Fixing Garbled Names")));
}

// The canonical bytes of a path given on the command line, or a message saying why it cannot
// be used: relative without a readable working folder, missing, unresolvable, or holding a name
// that would change when held as text. Such a name is accepted when `undecodable` is given: it
// then receives the message that only the garbled-name repair can act on the item.
std::optional<QByteArray> resolve(platform::realpath::Resolver& resolver, const QByteArray& given,
                                  const QByteArray& cwd, const QString& cwdError, QString* error,
                                  QString* undecodable = nullptr)
{
    if (!given.startsWith('/') && cwd.isEmpty()) {
        *error = QStringLiteral("Failed to resolve the relative path. File: \"%1\". Error: \"%2\"")
                     .arg(QFile::decodeName(given), cwdError);
        return std::nullopt;
    }
    int code = 0;
    QString why;
    const std::optional<QByteArray> path = resolver.canonicalPath(absolute(given, cwd), &why, &code);
    if (!path) {
        *error = code == ENOENT ? QStringLiteral("no such file or folder: \"%1\"").arg(QFile::decodeName(given)) : why;
        return std::nullopt;
    }
    if (const std::optional<QByteArray> folder = platform::realpath::folderOfUndecodableName(*path)) {
        if (undecodable == nullptr) {
            *error = undecodableMessage(*folder);
            return std::nullopt;
        }
        if (undecodable->isEmpty()) {
            *undecodable = undecodableMessage(*folder);
        }
    }
    return path;
}

QByteArray parentOf(const QByteArray& path)
{
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/')) {
        p.chop(1);
    }
    const qsizetype slash = p.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : p.left(slash);
}

} // namespace

QString HostRequest::usage()
{
    return QStringLiteral("usage: tarsel-finder menu [--kind N] [--target DIR] [--json] [PATH...]\n"
                          "       tarsel-finder pick TAG [--key KEY] [--kind N] [--target DIR] [PATH...]\n"
                          "       tarsel-finder popup [--kind N] [--target DIR] [PATH...]\n"
                          "       tarsel-finder --enable-file-managers | --disable-file-managers\n"
                          "       tarsel-finder --version\n");
}

QUrl HostRequest::fileUrlForBytes(const QByteArray& path)
{
    // Escaped bytes that are not UTF-8 stay escaped inside the URL instead of being replaced.
    // Setting the two parts gives the URL that parsing "file://" and the escaped path gives, at
    // half the cost, which counts in a selection of thousands.
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    // A path of nothing but letters, digits, "-._~" and "/" (most of a large selection) needs no
    // escape, and is taken as it stands.
    const bool plain = std::all_of(path.cbegin(), path.cend(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
            || c == '_' || c == '~' || c == '/';
    });
    url.setPath(QString::fromLatin1(plain ? path : path.toPercentEncoding("/")), QUrl::TolerantMode);
    return url;
}

std::optional<HostRequest> HostRequest::parse(const QList<QByteArray>& args, const QByteArray& cwd, QString* error,
                                              const QString& cwdError)
{
    auto fail = [error](const QString& message) -> std::optional<HostRequest> {
        if (error) {
            *error = message;
        }
        return std::nullopt;
    };
    if (args.isEmpty()) {
        return fail(QStringLiteral("no command given"));
    }
    HostRequest request;
    const QByteArray command = args.first();
    qsizetype i = 1;
    if (command == "menu") {
        request.command = Command::Menu;
    } else if (command == "popup") {
        request.command = Command::Popup;
    } else if (command == "pick") {
        request.command = Command::Pick;
        if (args.size() < 2) {
            return fail(QStringLiteral("pick needs the tag of an entry"));
        }
        bool ok = false;
        request.tag = args[1].toLongLong(&ok);
        if (!ok || request.tag < 0) {
            return fail(QStringLiteral("not a menu tag: \"%1\"").arg(QString::fromLocal8Bit(args[1])));
        }
        i = 2;
    } else {
        return fail(QStringLiteral("unknown command \"%1\"").arg(QString::fromLocal8Bit(command)));
    }

    std::optional<int> kind;
    QByteArray target;
    QList<QByteArray> paths;
    paths.reserve(args.size());
    bool optionsEnded = false;
    for (; i < args.size(); ++i) {
        const QByteArray& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--kind" || arg == "--target")) {
            if (i + 1 >= args.size()) {
                return fail(QStringLiteral("%1 needs a value").arg(QString::fromLatin1(arg)));
            }
            const QByteArray value = args[++i];
            if (arg == "--kind") {
                bool ok = false;
                const int n = value.toInt(&ok);
                if (!ok || n < 0 || n > 3) {
                    return fail(
                        QStringLiteral("--kind must be 0, 1, 2 or 3, not \"%1\"").arg(QString::fromLocal8Bit(value)));
                }
                kind = n;
            } else if (value.isEmpty()) {
                return fail(QStringLiteral("an empty path was given"));
            } else {
                target = value;
            }
        } else if (!optionsEnded && arg == "--key") {
            if (request.command != Command::Pick) {
                return fail(QStringLiteral("--key belongs to pick"));
            }
            if (i + 1 >= args.size()) {
                return fail(QStringLiteral("--key needs a value"));
            }
            request.key = QString::fromUtf8(args[++i]);
        } else if (!optionsEnded && arg == "--json") {
            request.json = true;
        } else if (!optionsEnded && arg.startsWith("--")) {
            return fail(QStringLiteral("unknown option \"%1\"").arg(QString::fromLocal8Bit(arg)));
        } else if (arg.isEmpty()) {
            return fail(QStringLiteral("an empty path was given"));
        } else {
            paths << arg;
        }
    }

    QString why;
    request.selectedURLs.reserve(paths.size());
    // A selected link is the link itself: the command acts on it, not on what it points to. The
    // items of a selection mostly share one folder, which is resolved once.
    platform::realpath::Resolver items(false);
    for (QByteArray& path : paths) {
        const std::optional<QByteArray> canonical = resolve(items, path, cwd, cwdError, &why, &request.undecodableNote);
        if (!canonical) {
            return fail(why);
        }
        path = *canonical;
        request.selectedURLs << fileUrlForBytes(path);
    }
    if (!target.isEmpty()) {
        // The folder a menu is opened in is the folder itself, wherever a link led to it.
        platform::realpath::Resolver folder(true);
        const std::optional<QByteArray> canonical = resolve(folder, target, cwd, cwdError, &why);
        if (!canonical) {
            return fail(why);
        }
        if (!isFolderAt(*canonical)) {
            return fail(QStringLiteral("the target is not a folder: \"%1\"").arg(QFile::decodeName(target)));
        }
        target = *canonical;
    } else if (!paths.isEmpty()) {
        // The window the items were selected in.
        target = parentOf(paths.first());
    }
    if (!target.isEmpty()) {
        request.targetedURL = fileUrlForBytes(target);
    }

    if (kind) {
        request.kind = platform::FIMenuKind(*kind);
    } else if (!paths.isEmpty()) {
        request.kind = platform::FIMenuKindContextualMenuForItems;
    } else if (!target.isEmpty()) {
        request.kind = platform::FIMenuKindContextualMenuForContainer;
    } else {
        return fail(QStringLiteral("give the selected paths, a --target folder or a --kind"));
    }
    return request;
}
