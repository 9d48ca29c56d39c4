#include "foundation/QVTools.h"

#include "foundation/ObjectGCD.h"
#include "platform/Defaults.h"
#include "platform/System.h"
#include "platform/Workspace.h"

#include <QStringList>

namespace {

const QString kITerm2Id = QStringLiteral("com.googlecode.iterm2");
const QString kITerm2Name = QStringLiteral("iTerm2");

} // namespace

bool QVTools::isDarkMode()
{
    const int major = platform::System::majorVersion();
    if (major < 10 || (major == 10 && platform::System::minorVersion() < 14)) {
        return false;
    }
    return platform::System::isDarkPalette();
}

bool QVTools::isCN()
{
    const QStringList languages = platform::System::preferredLanguages();
    return !languages.isEmpty() && languages.first() == QLatin1String("zh-Hans-CN");
}

bool QVTools::isSonomaPlus()
{
    return platform::System::majorVersion() > 13;
}

bool QVTools::isMacOS15Plus()
{
    return platform::System::majorVersion() > 14;
}

bool QVTools::isInstallIterm2()
{
    if (platform::System::majorVersion() < 12) {
        return false;
    }
    return platform::Workspace::applicationForId(kITerm2Id).isValid()
        || platform::Workspace::applicationForId(kITerm2Name).isValid()
        || platform::Workspace::applicationForName(kITerm2Name).isValid();
}

bool QVTools::runService(const QString& serviceName, const QList<QUrl>& withFileURLs)
{
    if (!qv::isForeground()) {
        return false;
    }
    platform::Application service = platform::Workspace::applicationForName(serviceName);
    if (!service.isValid()) {
        service = platform::Workspace::applicationForId(serviceName);
    }
    if (!service.isValid()) {
        return false;
    }
    QStringList paths;
    paths.reserve(withFileURLs.size());
    for (const QUrl& url : withFileURLs) {
        paths.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    }
    return platform::Workspace::openFiles(paths, service);
}

bool QVTools::isReview()
{
    return platform::Defaults::standard().boolValue(kReviewFlagKey);
}

void QVTools::requestReview()
{
    if (!isReview()) {
        goReview();
    }
}

void QVTools::goReview()
{
    platform::Defaults::standard().setValue(kReviewFlagKey, true);
}
