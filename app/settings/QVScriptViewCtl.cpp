#include "app/settings/QVScriptViewCtl.h"

#include "app/settings/QVAddEditScriptWinCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "app/settings/QVSubListTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/WindowExpand.h"

#include "ui_QVScriptViewCtl.h"

#include <QHeaderView>
#include <QPointer>

QVScriptViewCtl::QVScriptViewCtl(QWidget* parent)
    : QVSettingsPage(
        QVMenuManager::kArrayCommonScript, [] { return QVMenuManager::commonScriptMenuArray(); }, parent)
    , m_ui(std::make_unique<Ui::QVScriptViewCtl>())
{
    m_ui->setupUi(this);
    QString tip = qv::localized(QStringLiteral("%@: %@"));
    for (const char* key : { "Tip", "Common Script Tip" }) {
        tip.replace(tip.indexOf(QStringLiteral("%@")), 2, qv::localized(QLatin1String(key)));
    }
    m_ui->tipLabel->setText(tip);
    QString nameTitle = qv::localized(QStringLiteral("%@ (%@, %@)"));
    for (const char* key : { "Script Name", "Drag Sort", "Double Click Change" }) {
        nameTitle.replace(nameTitle.indexOf(QStringLiteral("%@")), 2, qv::localized(QLatin1String(key)));
    }
    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels({ nameTitle, qv::localized(QStringLiteral("Script Type")),
                                       qv::localized(QStringLiteral("Add to main menu")),
                                       qv::localized(QStringLiteral("Enable")) });
    table->horizontalHeader()->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    table->verticalHeader()->hide();
    QVListPage::titleButtons(m_ui->addButton, m_ui->deleteButton, m_ui->recoverBtn);
    m_ui->editButton->setText(qv::localized(QStringLiteral("Edit")));
    m_table = new QVSubListTable(table, page(), AddToMainMenu, Enable, &QVScriptViewCtl::mainMenuEntry, this);
    m_table->fillExtra = [table](int row, const QVMenuItemPtr& item) {
        // The two type names are shown as they stand.
        auto* cell = new QTableWidgetItem(item->ext() == QLatin1String("sh") ? QStringLiteral("Shell")
                                                                             : QStringLiteral("Apple Script"));
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table->setItem(row, Ext, cell);
    };
    connect(table, &QTableWidget::itemSelectionChanged, this, [this] {
        const bool selected = m_table->selectedItem() != nullptr;
        m_ui->deleteButton->setEnabled(selected);
        m_ui->editButton->setEnabled(selected);
    });
    connect(table, &QTableWidget::cellDoubleClicked, this, &QVScriptViewCtl::onEditName);
    connect(m_ui->addButton, &QPushButton::clicked, this, &QVScriptViewCtl::onAdd);
    connect(m_ui->editButton, &QPushButton::clicked, this, &QVScriptViewCtl::onEditName);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVScriptViewCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVScriptViewCtl::onRecover);
    firstLoad();
}

QVScriptViewCtl::~QVScriptViewCtl() = default;

QVSettingsTable* QVScriptViewCtl::tableView() const
{
    ensureLoaded();
    return m_ui->tableView;
}

void QVScriptViewCtl::refresh()
{
    m_table->refresh();
    m_ui->deleteButton->setEnabled(false);
    m_ui->editButton->setEnabled(false);
}

QVAddEditScriptWinCtl* QVScriptViewCtl::dialog()
{
    if (m_addEditScriptWinCtl == nullptr) {
        m_addEditScriptWinCtl = new QVAddEditScriptWinCtl(this);
    }
    return m_addEditScriptWinCtl;
}

void QVScriptViewCtl::onAdd()
{
    page().reload();
    // At most kLimit scripts: one more must still fit.
    if (!QVListPage::withinLimit(page().rows().size(), 1, kLimit + 1)) {
        return;
    }
    QVAddEditScriptWinCtl* winCtl = dialog();
    qv::openOnWindow(winCtl, window());
    winCtl->editWithItem(QVMenuItem::create());
    QPointer<QVScriptViewCtl> self(this);
    winCtl->addEditSuccessBlock = [self](const QVariantMap& entry) {
        QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonScript, entry, -1);
        if (self) {
            self->refresh();
            self->m_ui->tableView->scrollToBottom();
        }
    };
}

void QVScriptViewCtl::onEditName()
{
    const QVMenuItemPtr item = m_table->selectedItem();
    if (item == nullptr) {
        return;
    }
    QVAddEditScriptWinCtl* winCtl = dialog();
    qv::openOnWindow(winCtl, window());
    winCtl->editWithItem(item);
    const QString key = item->key();
    const bool inMainMenu = item->isAddToMainMenu();
    QPointer<QVScriptViewCtl> self(this);
    winCtl->addEditSuccessBlock = [self, key, inMainMenu](const QVariantMap& entry) {
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayCommonScript, key, entry);
        if (inMainMenu) {
            QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, key, entry);
        }
        if (self) {
            self->refresh();
        }
    };
}

void QVScriptViewCtl::onDelete()
{
    m_table->deleteSelected();
    refresh();
}

void QVScriptViewCtl::onRecover()
{
    QPointer<QVScriptViewCtl> self(this);
    qv::alertPrompWithMsg(qv::localized(QStringLiteral("Recover Tip")), window(), [self](int response) {
        if (!self || response != platform::Alert::FirstButtonReturn) {
            return;
        }
        self->m_table->removeMainMenuCopies();
        QVDefaultData::recoverCommonScript();
        self->refresh();
    });
}

QVariantMap QVScriptViewCtl::mainMenuEntry(const QVMenuItem& item)
{
    return QVSubListTable::mainMenuEntry(item,
                                         { QStringLiteral("key"), QStringLiteral("ext"), QStringLiteral("icon"),
                                           QStringLiteral("iconPath"), QStringLiteral("displayName"),
                                           QStringLiteral("script"), QStringLiteral("needFolder"),
                                           QStringLiteral("needFile"), QStringLiteral("formats") });
}
