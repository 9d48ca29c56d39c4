// Turning a chosen menu tag back into its record and running the command the action table
// picks for it; the usage counter and the review prompt.

#include "engine/service/QVMenuService.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVActionTable.h"
#include "engine/service/QVCommandFamilies.h"
#include "engine/service/QVPendingWork.h"
#include "engine/service/menu/QVMenuBuilder.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/StringExpand.h"
#include "platform/Defaults.h"
#include "platform/Hook.h"
#include "platform/System.h"
#include "platform/Workspace.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QMetaType>
#include <QUrl>

#include <algorithm>

Q_LOGGING_CATEGORY(lcDispatch, "tarsel.engine.dispatch", QtWarningMsg)
Q_DECLARE_LOGGING_CATEGORY(lcMenu)

namespace {

const QString kUseCountDetail = QStringLiteral("use count detail");
const QString kUseCount = QStringLiteral("use count");
const QString kIsReviewed = QStringLiteral("is reviewed");
// The review page is Tarsel's page in the desktop's software centre (GNOME Software, KDE
// Discover), reached by its AppStream id, the application's identifier.
const QString kReviewPageAddress = QStringLiteral("appstream://") + platform::System::kAppBundleId;
// How often a due review prompt looks again whether the command before it has finished.
constexpr std::chrono::milliseconds kReviewPromptRecheck { 200 };
// Review prompts scheduled and not yet shown; main thread only.
int g_duePrompts = 0;

platform::Hook<QVMenuService::PermitCheck>& permitHook()
{
    static platform::Hook<QVMenuService::PermitCheck> hook;
    return hook;
}

// A count kept directly under an entry's key by earlier versions. Only a plain integer is one:
// booleans under an entry key are switches of that entry and must survive.
std::optional<qint64> legacyCount(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toLongLong();
    default:
        return std::nullopt;
    }
}

} // namespace

// --- Hooks ---------------------------------------------------------------------------------

void QVMenuService::setPermitCheck(PermitCheck check)
{
    permitHook().set(std::move(check));
}

void QVMenuService::checkFolderAccess(const QString& folder, const std::function<void()>& success,
                                      const std::function<void()>& failure)
{
    const PermitCheck check = permitHook().get();
    if (check) {
        check(folder, success, failure);
    } else {
        QVCheckPermit::checkPermitWithPath(folder, success, failure);
    }
}

void QVMenuService::beginPendingWork()
{
    QVPendingWork::begin();
}

void QVMenuService::endPendingWork()
{
    QVPendingWork::end();
}

int QVMenuService::pendingWork()
{
    return QVPendingWork::count();
}

bool QVMenuService::canUseMainApp()
{
    return QVCheckPermit::canUseMainApp();
}

// --- Decoding ------------------------------------------------------------------------------

void QVMenuService::handlerMenuTag(qint64 tag)
{
    // Inside the extension the host may deliver the action on another thread; the command starts
    // on the main thread and the caller waits until it has started. syncForeground runs directly
    // when already on the main thread, so a call from there never waits on itself.
    if (m_delegate != nullptr) {
        qv::syncForeground([this, tag] { decodeMenuTag(tag); });
    } else {
        decodeMenuTag(tag);
    }
}

QStringList QVMenuService::tagGroups(qint64 tag)
{
    QString digits = QString::number(tag);
    if (digits.size() % 2 != 0) {
        digits.prepend(QLatin1Char('0'));
    }
    QStringList groups;
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        groups << digits.mid(i, 2);
    }
    return groups;
}

void QVMenuService::decodeMenuTag(qint64 tag)
{
    // The menu is spent by this click whatever happens; a pending grant keeps what it needs.
    const QVMenuItemList menu = std::exchange(m_rightMenuArray, {});
    reportChoice(tag, menu);
    QStringList groups = tagGroups(tag);
    const qint64 t = groups.isEmpty() ? 0 : groups.takeFirst().toLongLong();
    if (tag < 1 || t < 1) {
        openMainTabViewWithItem(nullptr);
        return;
    }
    if (t > menu.size()) {
        // A tag of an older menu, or a second click after the menu was spent.
        qCWarning(lcDispatch) << "menu tag" << tag << "fits no entry of the last menu";
        return;
    }
    const QVMenuItemPtr record = menu.at(t - 1);
    const std::optional<QStringList> paths = checkedPaths(tag, *record);
    if (!paths) {
        return;
    }
    // The request and its row are made once, here; the command gets the paths checked above.
    const std::optional<QVActionRequest> request = QVActionTable::request(record, groups, *paths);
    const QVActionRow* row = request ? QVActionTable::rowFor(*request) : nullptr;
    const bool needsAccess = row == nullptr || row->has(QVActionRow::FolderAccess);
    if (record->disabledAuth() || paths->isEmpty() || !needsAccess) {
        runRequest(row, request);
        return;
    }
    checkFolderAccess(
        QFileInfo(paths->first()).absolutePath(), [this, row, request] { runRequest(row, request); }, [] {});
}

void QVMenuService::reportChoice(qint64 tag, const QVMenuItemList& menu)
{
    const QVMenuItemPtr chosen = itemForTag(tag, menu);
    if (tag < 1 || chosen) {
        qCInfo(lcMenu).noquote() << "menu entry chosen: tag" << tag << "key"
                                 << (chosen ? chosen->key() : QStringLiteral("(fold entry)"));
    }
    if (m_choiceObserver) {
        m_choiceObserver(tag, chosen);
    }
}

std::optional<QStringList> QVMenuService::checkedPaths(qint64 tag, const QVMenuItem& record)
{
    const QList<QUrl> urls = selectURLs();
    if (!record.isFixingGarbledNames() && std::any_of(urls.cbegin(), urls.cend(), &QVMenuBuilder::hasUndecodableName)) {
        // Such an entry was not in the menu: held as text, the name would be another file's.
        qCWarning(lcDispatch) << "menu tag" << tag << "is refused: a selected name is not valid UTF-8";
        return std::nullopt;
    }
    // The same conversion the command asks for again: made once and kept.
    return selectPaths();
}

QVMenuItemPtr QVMenuService::itemForTag(qint64 tag) const
{
    return itemForTag(tag, m_rightMenuArray);
}

QVMenuItemPtr QVMenuService::itemForTag(qint64 tag, const QVMenuItemList& menu)
{
    if (tag < 1) {
        return nullptr;
    }
    const QVMenuItemList* level = &menu;
    QVMenuItemPtr item;
    for (const QString& group : tagGroups(tag)) {
        const qsizetype index = group.toLongLong() - 1;
        if (index < 0 || index >= level->size()) {
            return nullptr;
        }
        item = level->at(index);
        level = &item->children();
    }
    return item;
}

// --- The action table ----------------------------------------------------------------------

void QVMenuService::readyStart(const QVMenuItemPtr& item, QStringList withIndexes)
{
    const std::optional<QVActionRequest> request = QVActionTable::request(item, std::move(withIndexes), selectPaths());
    runRequest(request ? QVActionTable::rowFor(*request) : nullptr, request);
}

void QVMenuService::runRequest(const QVActionRow* row, const std::optional<QVActionRequest>& request)
{
    if (row != nullptr && QVActionTable::run(*row, commands(), *request)) {
        useSuccess(request->top);
    }
}

bool QVMenuService::runHandedOverCommand(const QString& key)
{
    QVMenuItemPtr record;
    for (const QVMenuItemPtr& item : QVMenuManager::menuItemArray()) {
        if (item->key() == key) {
            record = item;
            break;
        }
    }
    if (!record) {
        record = QVMenuItem::create();
        record->setKey(key);
    }
    QVActionRequest request;
    request.top = record;
    request.paths = selectPaths();
    request.handedOver = true;
    const QVActionRow* row = QVActionTable::handedOverRowFor(request);
    if (row == nullptr) {
        qCWarning(lcDispatch).noquote() << "no command runs" << key << "in this process";
        return false;
    }
    QVActionTable::run(*row, commands(), request);
    return true;
}

// --- Usage counter -------------------------------------------------------------------------

void QVMenuService::useSuccess(const QVMenuItemPtr& record)
{
    QVMenuItemPtr counted = record;
    while (QVMenuItemPtr owner = counted->parent()) {
        counted = owner;
    }
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    const QString key = counted->key();
    qint64 legacy = 0;
    if (const std::optional<qint64> stored = legacyCount(defaults.value(record->key())); stored && *stored != 0) {
        legacy = *stored;
        defaults.remove(record->key());
    }
    defaults.update(kUseCountDetail, [&](const QVariant& old) {
        QVariantMap detail = old.toMap();
        detail.insert(key, qv::asInteger(detail.value(key)) + legacy + 1);
        return QVariant(detail);
    });
    qint64 useCount = 0;
    defaults.update(kUseCount, [&](const QVariant& old) {
        useCount = qv::asInteger(old) + 1;
        return QVariant(useCount);
    });
    if (useCount % 60 == 3 && !defaults.boolValue(kIsReviewed)) {
        beginPendingWork();
        ++g_duePrompts;
        qv::enterForegroundWithDelay(3, [] { showReviewPromptAfterCommands(); });
    }
}

void QVMenuService::showReviewPromptAfterCommands()
{
    // The prompt follows the user's command, never comes over it: while the command still has
    // work open (its panel, alert, window or background job), a modal prompt would take the
    // keys and clicks meant for it. The due prompts' own counts are what is left when all is done.
    if (pendingWork() > g_duePrompts) {
        qv::enterForegroundWithDelay(kReviewPromptRecheck, [] { showReviewPromptAfterCommands(); });
        return;
    }
    --g_duePrompts;
    showReviewPrompt();
    endPendingWork();
}

void QVMenuService::showReviewPrompt()
{
    platform::Alert prompt = qv::alert();
    prompt.setMessageText(qv::localized(QStringLiteral("Tip")));
    prompt.setInformativeText(qv::localized(QStringLiteral("Review Tip")));
    prompt.addButtonWithTitle(qv::localized(QStringLiteral("Go Review")));
    prompt.addButtonWithTitle(qv::localized(QStringLiteral("Next Time")));
    if (prompt.runModal() == platform::Alert::FirstButtonReturn) {
        goReview();
    }
}

void QVMenuService::goReview()
{
    if (!platform::Workspace::openUrl(QUrl(kReviewPageAddress))) {
        qCWarning(lcDispatch).noquote() << QStringLiteral("Failed to open the review page. File: \"%1\". Error: \"%2\"")
                                               .arg(kReviewPageAddress, QStringLiteral("no program opens it"));
    }
    // The answer counts even when no browser opened: the user chose to review, and is not asked
    // again every 60 uses.
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    if (!defaults.setValue(kIsReviewed, true)) {
        qCWarning(lcDispatch).noquote() << QStringLiteral("Failed to write. File: \"%1\". Error: \"%2\"")
                                               .arg(defaults.filePath(), defaults.lastError());
    }
}
