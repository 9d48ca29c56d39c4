#include "app/settings/QVFavoriteViewCtl.h"

#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVDragView.h"
#include "foundation/StringExpand.h"
#include "platform/Defaults.h"
#include "platform/Panels.h"
#include "toolwindows/editname/QVEditNameWinCtl.h"

#include "ui_QVFavoriteViewCtl.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>

const QList<int> QVFavoriteViewCtl::kSubpathCounts = { 1, 2, 5, 10, 15, 20, 25, 30 };

namespace {

platform::Defaults& shared()
{
    return QVMenuManager::sharedDefaults();
}

QString localized(const char* key)
{
    return qv::localized(QLatin1String(key));
}

} // namespace

QVFavoriteViewCtl::QVFavoriteViewCtl(QWidget* parent)
    : QVSettingsPage(
        QVMenuManager::kArrayCommonPath, [] { return QVMenuManager::commonPathMenuArray(); }, parent)
    , m_ui(std::make_unique<Ui::QVFavoriteViewCtl>())
{
    m_ui->setupUi(this);
    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(3);
    table->setHorizontalHeaderLabels(
        { qv::stringWithFormat(localized("%@ (%@, %@)"), localized("Common Path"), localized("Drag Sort"),
                               localized("Double Click Change")),
          localized("Display Name") + qv::stringWithFormat(QStringLiteral("(%@)"), localized("Double Click Change")),
          localized("Enable") });
    table->horizontalHeader()->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(Display, QHeaderView::ResizeToContents);
    table->verticalHeader()->hide();
    page().bindRowDrag(table, [this] { refresh(); });
    QVListPage::titleButtons(m_ui->addButton, m_ui->deleteButton, m_ui->recoverBtn);
    m_ui->clearBtn->setText(localized("Clear"));
    m_ui->shortcutAddCheck->setText(localized("Right-click folder to add quickly"));
    m_ui->tipLabel->setText(localized("Maximum number of sub-file/folder loads:"));
    // Each item carries the stored value it stands for.
    const std::pair<const char*, int> types[] = { { "PopMenu Not Show Submenu", 1 },
                                                  { "PopMenu Show Sub-Files", 3 },
                                                  { "PopMenu Show Apps", 2 },
                                                  { "PopMenu Show Sub-Files And Apps", 4 } };
    for (const auto& [key, tag] : types) {
        m_ui->popUpButton->addItem(localized(key), tag);
    }
    for (const int count : kSubpathCounts) {
        m_ui->subCountUpButton->addItem(qv::stringWithFormat(QStringLiteral("%@"), count));
    }

    connect(table, &QTableWidget::itemChanged, this, &QVFavoriteViewCtl::onItemChanged);
    connect(table, &QTableWidget::itemSelectionChanged, this, &QVFavoriteViewCtl::onSelectionChanged);
    connect(table, &QTableWidget::cellDoubleClicked, this, &QVFavoriteViewCtl::onEditName);
    connect(m_ui->addButton, &QPushButton::clicked, this, &QVFavoriteViewCtl::addFolder);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVFavoriteViewCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVFavoriteViewCtl::onRecover);
    connect(m_ui->clearBtn, &QPushButton::clicked, this, &QVFavoriteViewCtl::onClear);
    connect(m_ui->shortcutAddCheck, &QCheckBox::clicked, this,
            [](bool on) { shared().setValue(QVMenuManager::prefCheck(QVSwitch::AddToCommonPath), on); });
    connect(m_ui->popUpButton, &QComboBox::activated, this, &QVFavoriteViewCtl::onSelectPopUpType);
    connect(m_ui->subCountUpButton, &QComboBox::activated, this, &QVFavoriteViewCtl::onSelectSubpathCountPopUpType);
    // The settings window's content takes the folders dropped while this page is shown.
    takeDrops([](QVDragView& target) { target.setOnlyFolder(true); },
              [this](const QStringList& paths) { addFolders(paths); });
    storeFactoryChoices();
    firstLoad();
}

void QVFavoriteViewCtl::storeFactoryChoices()
{
    QVDefaultData::integerWithDefault(QVMenuManager::kCommonPathNextMenu);
    QVDefaultData::integerWithDefault(QVMenuManager::kCommonSubpathMaxCount);
}

QVFavoriteViewCtl::~QVFavoriteViewCtl() = default;

QVSettingsTable* QVFavoriteViewCtl::tableView() const
{
    ensureLoaded();
    return m_ui->tableView;
}

void QVFavoriteViewCtl::refresh()
{
    const qint64 nextMenu = QVDefaultData::integerWithDefault(QVMenuManager::kCommonPathNextMenu);
    const qint64 maxCount = QVDefaultData::integerWithDefault(QVMenuManager::kCommonSubpathMaxCount);
    m_ui->shortcutAddCheck->setChecked(shared().boolValue(QVMenuManager::prefCheck(QVSwitch::AddToCommonPath)));
    m_ui->popUpButton->setCurrentIndex(m_ui->popUpButton->findData(int(nextMenu)));
    // No item is chosen when the stored count is none of the offered ones.
    m_ui->subCountUpButton->setCurrentIndex(m_ui->subCountUpButton->findText(QString::number(maxCount)));

    page().fillTable(m_ui->tableView, m_filling, [this](int row, const QVMenuItemPtr& item) { fillRow(row, item); });
    m_ui->tableView->clearSelection();
    m_ui->deleteButton->setEnabled(false);
}

void QVFavoriteViewCtl::fillRow(int row, const QVMenuItemPtr& item)
{
    const auto text = [](const QString& value) {
        auto* cell = new QTableWidgetItem(value);
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
        return cell;
    };
    QTableWidgetItem* title = text(qv::abbreviatingWithTildeInPath(item->path()));
    title->setToolTip(item->path());
    m_ui->tableView->setItem(row, MenuTitle, title);
    m_ui->tableView->setItem(row, Display, text(item->displayName()));
    auto* check = new QTableWidgetItem;
    check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    check->setCheckState(item->disabled() ? Qt::Unchecked : Qt::Checked);
    m_ui->tableView->setItem(row, Enable, check);
}

void QVFavoriteViewCtl::onItemChanged(QTableWidgetItem* cell)
{
    if (!m_filling && cell->column() == Enable) {
        page().toggleEnabled(cell->row());
    }
}

QVMenuItemPtr QVFavoriteViewCtl::selectedItem() const
{
    return page().selectedRow(m_ui->tableView);
}

void QVFavoriteViewCtl::onSelectionChanged()
{
    m_ui->deleteButton->setEnabled(selectedItem() != nullptr);
}

void QVFavoriteViewCtl::addFolder()
{
    platform::PanelOptions options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.level = platform::Panels::ShieldingLevel;
    QPointer<QVFavoriteViewCtl> self(this);
    platform::Panels::beginOpenPanel(options, window(), [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->addFolders({ result.paths.first() });
        }
    });
}

void QVFavoriteViewCtl::addFolders(const QStringList& paths)
{
    // Files dropped together with folders count towards the limit, though only folders join.
    if (!QVListPage::withinLimit(page().rows().size(), paths.size(), kLimit)) {
        return;
    }
    for (const QString& offered : paths) {
        if (!qv::isFolder(offered)) {
            continue;
        }
        const QString path = QDir::cleanPath(offered);
        const QString name = QFileInfo(path).fileName();
        const QVariantMap entry { { QStringLiteral("key"), qv::uuid() },
                                  { QStringLiteral("disabled"), false },
                                  { QStringLiteral("path"), path },
                                  { QStringLiteral("displayName"), name.isEmpty() ? path : name } };
        QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonPath, entry, -1);
    }
    refresh();
    m_ui->tableView->scrollToBottom();
}

void QVFavoriteViewCtl::onDelete()
{
    const QVMenuItemPtr item = selectedItem();
    if (item == nullptr) {
        return;
    }
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayCommonPath, item->key());
    refresh();
}

void QVFavoriteViewCtl::onEditName()
{
    const QVMenuItemPtr item = selectedItem();
    if (item == nullptr) {
        return;
    }
    if (m_editNameWinCtl == nullptr) {
        m_editNameWinCtl = new QVEditNameWinCtl(this);
    }
    const QString key = item->key();
    const QString path = item->path();
    QPointer<QVFavoriteViewCtl> self(this);
    m_editNameWinCtl->setEditHandler([self, key, path](const QString& name) {
        const QString stored = qv::isValid(name) ? name : QFileInfo(path).fileName();
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayCommonPath, key, QStringLiteral("displayName"), stored);
        if (self) {
            self->refresh();
        }
    });
    m_editNameWinCtl->setDefaultAlias(item->displayName());
    m_editNameWinCtl->openOnWindow(window());
}

void QVFavoriteViewCtl::onRecover()
{
    QPointer<QVFavoriteViewCtl> self(this);
    qv::alertPrompWithMsg(localized("Recover Tip"), window(), [self](int response) {
        if (self && response == platform::Alert::FirstButtonReturn) {
            QVDefaultData::recoverCommonPath();
            self->refresh();
        }
    });
}

void QVFavoriteViewCtl::onClear()
{
    QPointer<QVFavoriteViewCtl> self(this);
    qv::alertPrompWithMsg(localized("Clear Tip"), window(), [self](int response) {
        if (self && response == platform::Alert::FirstButtonReturn) {
            QVMenuManager::editList(QVMenuManager::kArrayCommonPath, [](QVariantList& list) { list.clear(); });
            self->refresh();
        }
    });
}

void QVFavoriteViewCtl::onSelectPopUpType()
{
    shared().setValue(QVMenuManager::kCommonPathNextMenu, m_ui->popUpButton->currentData().toInt());
}

void QVFavoriteViewCtl::onSelectSubpathCountPopUpType()
{
    const int chosen = m_ui->subCountUpButton->currentText().toInt();
    if (chosen == shared().integerValue(QVMenuManager::kCommonSubpathMaxCount)) {
        return;
    }
    if (chosen < kAskFromCount) {
        shared().setValue(QVMenuManager::kCommonSubpathMaxCount, chosen);
        return;
    }
    QPointer<QVFavoriteViewCtl> self(this);
    qv::alertPrompWithMsg(
        localized("Too many Settings may cause a delay in loading the right-click menu. Are you sure?"), nullptr,
        [self, chosen](int response) {
            if (response == platform::Alert::FirstButtonReturn) {
                shared().setValue(QVMenuManager::kCommonSubpathMaxCount, chosen);
            }
            if (self) {
                self->refresh();
            }
        });
}
