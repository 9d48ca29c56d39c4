// Starting the application with an app command URL: over the per-user socket to the running
// application, else by launching it with the address as its argument. The address format itself
// is in QVAppCommandURL.cpp.

#include "engine/model/QVAppCommandURL.h"

#include "engine/model/QVMenuManager.h"
#include "platform/AppChannel.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcAppCommand, "tarsel.engine.appcommand", QtWarningMsg)

namespace {

const QString kAppProgram = QStringLiteral("Tarsel");

} // namespace

bool QVAppCommandURL::openMainAppWithMethod(qint64 method, const QList<QUrl>& urls, bool isSelectURL)
{
    const QString address = urlStringWithMethod(method, urls, isSelectURL);
    if (platform::AppChannel::send(address.toLatin1())) {
        return true;
    }
    const bool launched = platform::Workspace::launchApplication(mainAppProgram(), { address });
    if (!launched) {
        qCWarning(lcAppCommand).noquote() << "could not hand command" << method << "to the application";
    }
    return launched;
}

bool QVAppCommandURL::openMainApp()
{
    return platform::Workspace::launchApplication(mainAppProgram(), {});
}

QString QVAppCommandURL::mainAppProgram()
{
    const QString here = QCoreApplication::applicationDirPath();
    if (!here.isEmpty()) {
        // The build and an installation both keep the programs in one bin folder.
        const QFileInfo candidate(here + QLatin1Char('/') + kAppProgram);
        if (candidate.isFile() && candidate.isExecutable()) {
            return candidate.canonicalFilePath();
        }
    }
    const QString onPath = QStandardPaths::findExecutable(kAppProgram);
    return onPath.isEmpty() ? kAppProgram : onPath;
}

bool QVMenuManager::openMainAppWithMethod(qint64 method, const QList<QUrl>& withURLs, bool isSelectURL)
{
    return QVAppCommandURL::openMainAppWithMethod(method, withURLs, isSelectURL);
}

bool QVMenuManager::openMainApp()
{
    return QVAppCommandURL::openMainApp();
}
