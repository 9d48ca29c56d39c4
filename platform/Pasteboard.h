#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QObject;

namespace platform {

/// The general pasteboard (the desktop clipboard). Tests install an in-memory board so that
/// no display is needed: Pasteboard::useMemoryBoard().
class Pasteboard
{
public:
    virtual ~Pasteboard() = default;

    /// The process's board: the clipboard of the running QGuiApplication, or the memory board
    /// when one was installed or no GUI application runs.
    static Pasteboard& general();
    /// Installs (or with false removes) an in-memory board for this process.
    static void useMemoryBoard(bool on = true);

    virtual void clear() = 0;
    /// Puts plain text on the board; false when the board refused it.
    virtual bool setString(const QString& text) = 0;
    /// The plain text on the board, empty when it holds none.
    virtual QString string() const = 0;
    virtual bool hasString() const = 0;
    /// File addresses (text/uri-list) with their paths as plain text as well.
    virtual bool setFilePaths(const QStringList& paths) = 0;
    virtual QStringList filePaths() const = 0;

    /// Everything on the board: MIME type to bytes (empty when the board is empty).
    using Contents = QMap<QString, QByteArray>;
    virtual Contents contents() const = 0;
    /// Puts these contents back on the board (empty contents clear it).
    virtual bool setContents(const Contents& contents) = 0;
    /// Goes up by at least one each time anyone, this process or another, puts something on
    /// the board. On X11 the display reports every new owner of the clipboard (XFixes); the
    /// count starts with the first call on the main thread.
    virtual qint64 changeCount() const = 0;
    /// Runs fn on the main thread each time changeCount() goes up, as long as the context
    /// object lives: a wait on another program's copy wakes when it lands, not on a clock.
    virtual void whenChanged(QObject* context, std::function<void()> fn) = 0;

    /// What a copy of files leaves on the board, read in one go: the local files' paths
    /// (text/uri-list) and the plain text.
    struct FilesAndText
    {
        QStringList paths;
        QString text;
    };
    virtual FilesAndText filesAndText() const { return { filePaths(), string() }; }
};

} // namespace platform
