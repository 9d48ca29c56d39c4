#include "app/settings/QVListPage.h"

#include "app/settings/QVSettingsTable.h"

#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVDragView.h"

#include <QAbstractButton>
#include <QWidget>

#include <utility>

QVListPage::QVListPage(QString listKey, Builder builder)
    : m_listKey(std::move(listKey))
    , m_builder(std::move(builder))
{
    reload();
}

void QVListPage::reload()
{
    m_rows = m_builder();
}

QVMenuItemPtr QVListPage::row(qint64 index) const
{
    return index >= 0 && index < m_rows.size() ? m_rows.at(index) : nullptr;
}

QMimeData* QVListPage::mimeDataForRow(qint64 row) const
{
    auto* mime = new QMimeData;
    mime->setData(kRowMimeType, QByteArray::number(row));
    return mime;
}

void QVListPage::bindRowDrag(QVSettingsTable* table, std::function<void()> moved)
{
    table->rowMime = [this](int row) { return mimeDataForRow(row); };
    table->dropRow = [this, moved = std::move(moved)](const QMimeData* mime, int to) {
        const std::optional<qint64> from = dropSource(mime, to);
        if (!from) {
            return false;
        }
        moveRow(*from, to);
        moved();
        return true;
    };
}

void QVListPage::fillTable(QTableWidget* table, bool& filling,
                           const std::function<void(int row, const QVMenuItemPtr& item)>& fillRow)
{
    reload();
    filling = true;
    table->clearContents();
    table->setRowCount(int(m_rows.size()));
    for (int row = 0; row < m_rows.size(); ++row) {
        fillRow(row, m_rows.at(row));
    }
    filling = false;
}

QVMenuItemPtr QVListPage::selectedRow(const QTableWidget* table) const
{
    if (table->selectedItems().isEmpty()) {
        return nullptr;
    }
    return row(table->currentRow());
}

std::optional<qint64> QVListPage::dropSource(const QMimeData* mime, qint64 to) const
{
    if (mime == nullptr || !mime->hasFormat(kRowMimeType)) {
        return std::nullopt;
    }
    bool ok = false;
    const qint64 from = mime->data(kRowMimeType).toLongLong(&ok);
    const qint64 count = m_rows.size();
    if (!ok || from < 0 || from >= count || to < 0 || to > count) {
        return std::nullopt;
    }
    return from;
}

bool QVListPage::moveRow(qint64 from, qint64 to)
{
    const bool moved = QVMenuManager::changePositionMenuKey(m_listKey, from, to);
    reload();
    return moved;
}

bool QVListPage::toggleEnabled(qint64 row)
{
    const QVMenuItemPtr item = this->row(row);
    if (item == nullptr) {
        return false;
    }
    item->setDisabled(!item->disabled());
    return QVMenuManager::updateMenuKey(m_listKey, item->key(), QStringLiteral("disabled"), item->disabled());
}

bool QVListPage::toggleFold(qint64 row)
{
    const QVMenuItemPtr item = this->row(row);
    if (item == nullptr) {
        return false;
    }
    item->setIsFoldUp(!item->isFoldUp());
    return QVMenuManager::updateMenuKey(m_listKey, item->key(), QStringLiteral("foldUp"), item->isFoldUp());
}

bool QVListPage::setAllFolded(bool folded)
{
    const bool stored = QVMenuManager::editList(m_listKey, [folded](QVariantList& list) {
        for (QVariant& entry : list) {
            QVariantMap map = entry.toMap();
            map.insert(QStringLiteral("foldUp"), folded);
            entry = map;
        }
    });
    reload();
    return stored;
}

int QVListPage::foldAllState() const
{
    qint64 folded = 0;
    for (const QVMenuItemPtr& item : m_rows) {
        folded += item->isFoldUp() ? 1 : 0;
    }
    if (folded == 0) {
        return 0;
    }
    return folded == m_rows.size() ? 1 : -1;
}

bool QVListPage::addToMainMenu(qint64 row, const QVariantMap& entry)
{
    const QVMenuItemPtr item = this->row(row);
    if (item == nullptr) {
        return false;
    }
    // The cap and the key test are made inside the locked write: between a separate count and
    // insert the extension or another page could change the list. An entry whose key the main
    // menu already holds (the archive-utility editions share command keys) is not inserted.
    const QString key = entry.value(QStringLiteral("key")).toString();
    bool inserted = false;
    const bool written = QVMenuManager::editList(QVMenuManager::kArrayRightMenu, [&](QVariantList& list) {
        if (key.isEmpty() || list.size() + 1 > kMainMenuLimit) {
            return;
        }
        for (const QVariant& each : list) {
            if (each.toMap().value(QStringLiteral("key")).toString() == key) {
                return;
            }
        }
        list.insert(0, entry);
        inserted = true;
    });
    if (!written || !inserted) {
        showLimitTip();
        return false;
    }
    item->setIsAddToMainMenu(true);
    return QVMenuManager::updateMenuKey(m_listKey, item->key(), QStringLiteral("toMainMenu"), true);
}

bool QVListPage::removeFromMainMenu(qint64 row)
{
    const QVMenuItemPtr item = this->row(row);
    if (item == nullptr) {
        return false;
    }
    item->setIsAddToMainMenu(false);
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, item->key());
    return QVMenuManager::updateMenuKey(m_listKey, item->key(), QStringLiteral("toMainMenu"), false);
}

bool QVListPage::withinLimit(qint64 count, qint64 adding, qint64 limit)
{
    if (count + adding >= limit) {
        showLimitTip();
        return false;
    }
    return true;
}

void QVListPage::showLimitTip()
{
    qv::alertWithMsg(qv::localized(QStringLiteral("Submenu Limit Tip")));
}

void QVListPage::postRefreshSignal()
{
    qv::postNotification(qv::kRefreshSignal);
}

QVDragView* QVListPage::dragView(const QWidget* page)
{
    if (page == nullptr) {
        return nullptr;
    }
    return page->window()->findChild<QVDragView*>(QStringLiteral("contentView"));
}

void QVListPage::titleButtons(QAbstractButton* add, QAbstractButton* remove, QAbstractButton* recover)
{
    add->setText(qv::localized(QStringLiteral("Add")));
    remove->setText(qv::localized(QStringLiteral("Remove")));
    recover->setText(qv::localized(QStringLiteral("Restore Defaults")));
}
