#pragma once

#include "engine/model/QVMenuItem.h"
#include "platform/Menu.h"
#include "platform/finder/FIFinderSyncController.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QVFile;

/// The command engine of one process: its view of the selection, and the context menu it builds
/// for that selection from the stored lists.
///
/// Every entry of a built menu carries a tag that encodes its position: the index of its record
/// in rightMenuArray() plus one, followed by two decimal digits per submenu level (the child's
/// index plus one), so at most 99 entries per level are ever shown. A chosen entry comes back as
/// that tag through onMenuItemAction(), which is only meaningful for the menu built last.
///
/// Inside the file-manager extension the engine is owned by the extension's principal object,
/// which is the target of the menu entries, and reads the selection afresh for every menu;
/// inside the application the caller sets the selection before it asks for a menu.
class QVMenuService : public platform::MenuTarget
{
public:
    /// The most entries one menu level can hold: a tag keeps two decimal digits per level.
    static constexpr qsizetype kMaxEntriesPerLevel = 99;
    /// The largest file whose text "Copy File Contents" offers to copy.
    static constexpr qint64 kMaxCopyContentsSize = 16 * 1024 * 1024;

    /// delegate: the target of the menu entries (the extension's principal object), or null for
    /// the engine itself. Clears the pending cut paths unless "pref check5" is on.
    explicit QVMenuService(platform::MenuTarget* delegate = nullptr);
    ~QVMenuService() override;
    Q_DISABLE_COPY_MOVE(QVMenuService)

    bool isFinderSync() const { return m_isFinderSync; }
    void setIsFinderSync(bool v) { m_isFinderSync = v; }
    /// The URLs are items the user selected (not the folder the menu was opened in).
    bool isSelectURL() const { return m_isSelectURL; }
    void setIsSelectURL(bool v) { m_isSelectURL = v; }
    bool isOpenFromMainApp() const { return m_isOpenFromMainApp; }
    void setIsOpenFromMainApp(bool v) { m_isOpenFromMainApp = v; }
    platform::MenuTarget* delegate() const { return m_delegate; }
    /// The main list as built for the last menu; a top-level tag indexes it.
    const QVMenuItemList& rightMenuArray() const { return m_rightMenuArray; }
    qint64 loadingCount() const { return m_loadingCount; }
    void setLoadingCount(qint64 v) { m_loadingCount = v; }

    /// The folder the file manager reports as targeted.
    QUrl targetURL() const;
    /// The items commands work on: the cached list when it is not empty, else the file
    /// manager's selection, else its targeted folder; "/" is always removed.
    QList<QUrl> selectURLs();
    void setSelectURLs(const QList<QUrl>& urls) { m_selectURLs = urls; }
    QStringList selectPaths();
    bool isSelectSingleURL();

    /// The finished menu for a request of that kind.
    std::shared_ptr<platform::Menu> menuForMenuKind(platform::FIMenuKind kind);
    /// The submenu of one entry, tags continuing the parent tag; null for no children or when
    /// none of them is shown.
    std::unique_ptr<platform::Menu> getSubMenuWithChildren(const QVMenuItemList& children, const QString& parentTag);

    /// Passes the chosen entry's tag on to handlerMenuTag().
    void onMenuItemAction(const platform::MenuItem& item) override;
    /// Decodes the tag of an entry of the menu built last and reports the chosen record; the menu
    /// is spent afterwards.
    void handlerMenuTag(qint64 tag);
    /// The record a tag of the menu built last stands for: the top record, then one child per
    /// further pair of digits; null for the fold entry or a tag that fits no record.
    QVMenuItemPtr itemForTag(qint64 tag) const;

    /// Receives every decoded choice (tag, record or null for the fold entry).
    using ChoiceObserver = std::function<void(qint64 tag, const QVMenuItemPtr& item)>;
    void setChoiceObserver(ChoiceObserver observer) { m_choiceObserver = std::move(observer); }

private:
    struct Build;

    bool skipRecord(const QVMenuItemPtr& record, const Build& build);
    bool visibilityFilter(QVMenuItem& record, const Build& build);
    void addDynamicChildren(const QVMenuItemPtr& record, const Build& build);
    QVMenuItemList visibleRecords(const QVMenuItemList& records, const Build& build);
    std::unique_ptr<platform::MenuItem> makeEntry(const QString& title, qint64 tag) const;
    platform::MenuTarget* entryTarget() const;

    platform::MenuTarget* m_delegate = nullptr;
    bool m_isFinderSync = false;
    bool m_isSelectURL = false;
    bool m_isOpenFromMainApp = false;
    qint64 m_loadingCount = 0;
    QList<QUrl> m_selectURLs;
    QVMenuItemList m_rightMenuArray;
    ChoiceObserver m_choiceObserver;
};
