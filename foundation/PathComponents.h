#pragma once

// Splitting a POSIX path into its last component and that component's extension, the way the
// file wrapper and the digests name things. The extension is the text after the last "." of
// the last component; a leading dot (".profile") or a trailing one ("name.") starts none.

#include <QString>

namespace qv::detail {

/// The last component of the path ("/a/b.txt" gives "b.txt"; a trailing "/" is ignored;
/// "/" gives "/"; an empty path gives "", never nil).
inline QString lastPathComponent(const QString& path)
{
    if (path.isEmpty()) {
        return QString(QLatin1String(""));
    }
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/'))) {
        p.chop(1);
    }
    if (p == QLatin1String("/")) {
        return p;
    }
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

/// The position of the dot that starts the component's extension, or -1.
inline qsizetype extensionDot(const QString& component)
{
    const qsizetype dot = component.lastIndexOf(QLatin1Char('.'));
    return (dot <= 0 || dot == component.size() - 1) ? -1 : dot;
}

/// The component's extension as written ("" when none).
inline QString pathExtension(const QString& component)
{
    const qsizetype dot = extensionDot(component);
    return dot < 0 ? QString() : component.mid(dot + 1);
}

/// The component without its last extension ("a.tar.gz" gives "a.tar").
inline QString deletingPathExtension(const QString& component)
{
    const qsizetype dot = extensionDot(component);
    return dot < 0 ? component : component.left(dot);
}

} // namespace qv::detail
