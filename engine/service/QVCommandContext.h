#pragma once

#include "engine/service/QVProgressHooks.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

/// What a command family reads from the engine that runs it, and the hooks it reports through:
/// the items the command works on, whether they were selected, the progress window, the count of
/// background jobs and the folder-access check. The engine (QVMenuService) is the one context;
/// tests may hand a family another.
class QVCommandContext
{
public:
    virtual ~QVCommandContext() = default;

    /// The items commands work on (the selection, else the folder the menu was opened in).
    virtual QList<QUrl> selectURLs() = 0;
    virtual QStringList selectPaths() = 0;
    /// The items are selected ones, not the folder the menu was opened in.
    virtual bool isSelectURL() const = 0;
    /// The command was handed over from the extension to the application.
    virtual bool isOpenFromMainApp() const { return false; }
    virtual const QVProgressHooks& progressHooks() const = 0;
    /// Background jobs of the engine still running (copies, moves, pastes).
    virtual qint64 loadingCount() const = 0;
    virtual void setLoadingCount(qint64 count) = 0;
    /// Obtains access to the folder; exactly one block runs, before this returns when nobody has
    /// to be asked.
    virtual void checkFolderAccess(const QString& folder, const std::function<void()>& success,
                                   const std::function<void()>& failure)
        = 0;
};
