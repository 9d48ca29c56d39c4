#include "engine/service/QVMenuService.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/menu/QVMenuBuilder.h"
#include "foundation/StringExpand.h"
#include "platform/LoginSession.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMenu, "tarsel.engine.menu", QtWarningMsg)

QVMenuService::QVMenuService(platform::MenuTarget* delegate)
    : m_delegate(delegate)
{
    // Cut paths left from an earlier login session are stale. Every file-manager call is a new
    // process with a new engine, so the clearing is claimed once per session, never per engine:
    // a cut made by one call stays for the paste of the next. Nothing is written when there is
    // nothing to clear.
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::StatusItem)
        && platform::LoginSession::claimOnce(QStringLiteral("cut-paths-cleared"))
        && !QVFileTransfer::storedCutPaths().isEmpty()) {
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, QStringLiteral("Cut Paste"),
                                     QStringLiteral("cutPaths"), QVariantList());
    }
}

QVMenuService::~QVMenuService() = default;

QUrl QVMenuService::targetURL() const
{
    return platform::FIFinderSyncController::defaultController().targetedURL();
}

QList<QUrl> QVMenuService::selectURLs()
{
    if (!m_selectURLs.isEmpty()) {
        return m_selectURLs;
    }
    QList<QUrl> urls = platform::FIFinderSyncController::defaultController().selectedItemURLs();
    if (urls.isEmpty()) {
        const QUrl target = targetURL();
        if (qv::isValid(target.toLocalFile())) {
            urls << target;
        }
    }
    urls.removeIf([](const QUrl& url) { return url.toLocalFile() == QLatin1String("/"); });
    m_selectURLs = urls;
    return urls;
}

QStringList QVMenuService::selectPaths()
{
    // Kept for the list they were made from (held here, so it is that very list while its data
    // is shared): a command over thousands of items asks for the paths more than once, and each
    // time would convert every URL again.
    const QList<QUrl> urls = selectURLs();
    if (urls.constData() == m_selectPathsOf.constData() && urls.size() == m_selectPathsOf.size()) {
        return m_selectPaths;
    }
    QStringList paths;
    paths.reserve(urls.size());
    for (const QUrl& url : urls) {
        paths << url.toLocalFile();
    }
    m_selectPaths = paths;
    m_selectPathsOf = urls;
    return paths;
}

bool QVMenuService::isSelectSingleURL()
{
    return m_isSelectURL && selectURLs().size() == 1;
}

platform::MenuTarget* QVMenuService::entryTarget() const
{
    if (m_isFinderSync && m_delegate != nullptr) {
        return m_delegate;
    }
    return const_cast<QVMenuService*>(this);
}

std::shared_ptr<platform::Menu> QVMenuService::menuForMenuKind(platform::FIMenuKind kind)
{
    if (m_isFinderSync) {
        m_selectURLs.clear();
    }
    const QList<QUrl> urls = selectURLs();
    if (kind == platform::FIMenuKindToolbarItemMenu || !urls.isEmpty()) {
        m_isSelectURL = kind == platform::FIMenuKindContextualMenuForItems;
    }
    QVMenuContext context = QVMenuBuilder::contextFor(kind, urls, m_isSelectURL, m_isFinderSync);
    m_rightMenuArray = QVMenuBuilder::recordsFor(context);
    QVMenuBuilder builder(std::move(context), entryTarget());
    return builder.menu(m_rightMenuArray);
}

std::unique_ptr<platform::Menu> QVMenuService::getSubMenuWithChildren(const QVMenuItemList& children,
                                                                      const QString& parentTag)
{
    return QVMenuBuilder(QVMenuContext(), entryTarget()).submenu(children, parentTag);
}

void QVMenuService::onMenuItemAction(const platform::MenuItem& item)
{
    handlerMenuTag(item.tag());
}
