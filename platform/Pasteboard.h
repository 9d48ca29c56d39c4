#pragma once

#include <QString>
#include <QStringList>

#include <memory>

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
};

} // namespace platform
