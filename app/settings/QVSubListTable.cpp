#include "app/settings/QVSubListTable.h"

#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVMenuManager.h"

#include <QHeaderView>
#include <QIcon>
#include <QPixmap>

QVSubListTable::QVSubListTable(QVSettingsTable* table, QVListPage& page, int mainColumn, int enableColumn,
                               MainEntry mainEntry, QObject* parent)
    : QObject(parent)
    , m_table(table)
    , m_page(page)
    , m_mainColumn(mainColumn)
    , m_enableColumn(enableColumn)
    , m_mainEntry(std::move(mainEntry))
{
    m_page.bindRowDrag(m_table, [this] {
        refresh();
        if (changed) {
            changed();
        }
    });
    // The box columns as wide as their titles: a cut "Add to main menu" reads as another word.
    m_table->horizontalHeader()->setSectionResizeMode(m_mainColumn, QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setSectionResizeMode(m_enableColumn, QHeaderView::ResizeToContents);
    connect(m_table, &QTableWidget::itemChanged, this, &QVSubListTable::onItemChanged);
}

void QVSubListTable::refresh()
{
    m_page.fillTable(m_table, m_filling, [this](int row, const QVMenuItemPtr& item) { fillRow(row, item); });
    m_table->setRowItems(m_page.rows());
    m_table->clearSelection();
}

void QVSubListTable::fillRow(int row, const QVMenuItemPtr& item)
{
    auto* title = new QTableWidgetItem(item->menuTitle());
    if (const QIcon icon = QVSettingsTable::rowIcon(*item); !icon.isNull()) {
        title->setIcon(icon);
    }
    title->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    m_table->setItem(row, 0, title);
    const auto check = [](bool on, bool clickable) {
        auto* cell = new QTableWidgetItem;
        cell->setFlags(clickable ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                                 : Qt::ItemIsSelectable);
        cell->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        return cell;
    };
    m_table->setItem(row, m_mainColumn, check(item->isAddToMainMenu(), true));
    m_table->setItem(row, m_enableColumn,
                     check(item->isAddToMainMenu() || !item->disabled(), !item->isAddToMainMenu()));
    if (fillExtra) {
        fillExtra(row, item);
    }
}

void QVSubListTable::onItemChanged(QTableWidgetItem* cell)
{
    if (m_filling) {
        return;
    }
    const int row = cell->row();
    const QVMenuItemPtr item = m_page.row(row);
    if (item == nullptr) {
        return;
    }
    if (cell->column() == m_enableColumn) {
        m_page.toggleEnabled(row);
    } else if (cell->column() == m_mainColumn) {
        if (!item->isAddToMainMenu()) {
            m_page.addToMainMenu(row, m_mainEntry(*item));
        } else {
            m_page.removeFromMainMenu(row);
        }
        // The enable box follows, and a full main menu leaves the box off.
        refresh();
        if (mainMenuChanged) {
            mainMenuChanged();
        }
    } else {
        return;
    }
    if (changed) {
        changed();
    }
}

QVMenuItemPtr QVSubListTable::selectedItem() const
{
    return m_page.selectedRow(m_table);
}

bool QVSubListTable::deleteSelected()
{
    const QVMenuItemPtr item = selectedItem();
    if (item == nullptr) {
        return false;
    }
    if (item->isAddToMainMenu()) {
        QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, item->key());
    }
    const bool removed = QVMenuManager::removeMenuKey(m_page.listKey(), item->key());
    refresh();
    return removed;
}

void QVSubListTable::removeMainMenuCopies()
{
    m_page.reload();
    for (const QVMenuItemPtr& item : m_page.rows()) {
        if (item->isAddToMainMenu()) {
            QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, item->key());
        }
    }
}

QVariantMap QVSubListTable::mainMenuEntry(const QVMenuItem& item, const QStringList& keys)
{
    const QHash<QString, std::function<QVariant()>> fields = {
        { QStringLiteral("key"), [&] { return item.key(); } },
        { QStringLiteral("icon"), [&] { return item.icon(); } },
        { QStringLiteral("iconPath"), [&] { return item.iconPath(); } },
        { QStringLiteral("appName"), [&] { return item.appName(); } },
        { QStringLiteral("displayName"), [&] { return item.displayName(); } },
        { QStringLiteral("appBundleId"), [&] { return item.appBundleId(); } },
        { QStringLiteral("appCmd"), [&] { return item.appCmd(); } },
        { QStringLiteral("ext"), [&] { return item.ext(); } },
        { QStringLiteral("script"), [&] { return item.script(); } },
        { QStringLiteral("needFolder"), [&] { return item.isNeedFolder(); } },
        { QStringLiteral("needFile"), [&] { return item.isNeedFile(); } },
        { QStringLiteral("formats"), [&] { return item.formats().join(QLatin1Char(',')); } },
    };
    QVariantMap entry;
    for (const QString& key : keys) {
        const auto field = fields.constFind(key);
        QVariant value = field != fields.constEnd() ? (*field)() : QVariant();
        if (value.typeId() == QMetaType::QString && value.toString().isNull()) {
            value = QStringLiteral("");
        }
        entry.insert(key, value.isValid() ? value : QVariant(QStringLiteral("")));
    }
    return entry;
}
