#include "host/HostRequest.h"

#include <sys/stat.h>

namespace {

bool existsAt(const QByteArray& path, bool* isFolder)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        return false;
    }
    *isFolder = S_ISDIR(st.st_mode);
    return true;
}

QByteArray absolute(const QByteArray& path, const QByteArray& cwd)
{
    if (path.startsWith('/')) {
        return path;
    }
    return cwd.endsWith('/') ? cwd + path : cwd + '/' + path;
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
                          "       tarsel-finder pick TAG [--kind N] [--target DIR] [PATH...]\n"
                          "       tarsel-finder popup [--kind N] [--target DIR] [PATH...]\n");
}

QUrl HostRequest::fileUrlForBytes(const QByteArray& path)
{
    // Escaped bytes that are not UTF-8 stay escaped inside the URL instead of being replaced.
    return QUrl::fromEncoded("file://" + path.toPercentEncoding("/"), QUrl::StrictMode);
}

std::optional<HostRequest> HostRequest::parse(const QList<QByteArray>& args, const QByteArray& cwd, QString* error)
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
                    return fail(QStringLiteral("--kind must be 0, 1, 2 or 3, not \"%1\"").arg(QString::fromLocal8Bit(value)));
                }
                kind = n;
            } else {
                target = absolute(value, cwd);
            }
        } else if (!optionsEnded && arg == "--json") {
            request.json = true;
        } else if (!optionsEnded && arg.startsWith("--")) {
            return fail(QStringLiteral("unknown option \"%1\"").arg(QString::fromLocal8Bit(arg)));
        } else if (arg.isEmpty()) {
            return fail(QStringLiteral("an empty path was given"));
        } else {
            paths << absolute(arg, cwd);
        }
    }

    for (const QByteArray& path : std::as_const(paths)) {
        bool isFolder = false;
        if (!existsAt(path, &isFolder)) {
            return fail(QStringLiteral("no such file or folder: \"%1\"").arg(QString::fromLocal8Bit(path)));
        }
        request.selectedURLs << fileUrlForBytes(path);
    }
    if (!target.isEmpty()) {
        bool isFolder = false;
        if (!existsAt(target, &isFolder) || !isFolder) {
            return fail(QStringLiteral("the target is not a folder: \"%1\"").arg(QString::fromLocal8Bit(target)));
        }
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
