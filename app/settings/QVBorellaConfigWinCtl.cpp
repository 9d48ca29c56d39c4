#include "app/settings/QVBorellaConfigWinCtl.h"

#include "app/settings/QVEditAppConfigWinCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "app/settings/QVSubListTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ViewExpand.h"
#include "foundation/WindowExpand.h"

#include "ui_QVBorellaConfigWinCtl.h"

#include <QHeaderView>
#include <QPointer>

QVBorellaConfigWinCtl::QVBorellaConfigWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVBorellaConfigWinCtl>())
{
    m_ui->setupUi(this);
    m_ui->nameInput->setPlaceholderText(qv::localized(QStringLiteral("Without Display Name Tip")));
    m_ui->nameLabel->setText(qv::localized(QStringLiteral("Display Name")) + QLatin1Char(':'));
    QString nameTitle = qv::localized(QStringLiteral("%@ (%@)"));
    for (const char* key : { "Menu Name", "Drag Sort" }) {
        nameTitle.replace(nameTitle.indexOf(QStringLiteral("%@")), 2, qv::localized(QLatin1String(key)));
    }
    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(3);
    table->setHorizontalHeaderLabels(
        { nameTitle, qv::localized(QStringLiteral("Add to main menu")), qv::localized(QStringLiteral("Enable")) });
    table->horizontalHeader()->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    table->verticalHeader()->hide();
    m_ui->recoverBtn->setText(qv::localized(QStringLiteral("Recover")));
    m_ui->deleteButton->setText(qv::localized(QStringLiteral("Delete Entry")));
    m_ui->okBtn->setText(qv::localized(QStringLiteral("OK")));
    connect(table, &QTableWidget::itemSelectionChanged, this,
            [this] { m_ui->deleteButton->setEnabled(m_table != nullptr && m_table->selectedItem() != nullptr); });
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVBorellaConfigWinCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVBorellaConfigWinCtl::onRecover);
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QVBorellaConfigWinCtl::onChangeAppName);
}

QVBorellaConfigWinCtl::~QVBorellaConfigWinCtl() = default;

QVSettingsTable* QVBorellaConfigWinCtl::tableView() const
{
    return m_ui->tableView;
}

QString QVBorellaConfigWinCtl::menuKey() const
{
    return m_appItem != nullptr && m_appItem->isBorellaPro() ? QVMenuManager::kArrayBorellaPro
                                                             : QVMenuManager::kArrayBorella;
}

void QVBorellaConfigWinCtl::editWithItem(const QVMenuItemPtr& item)
{
    m_appItem = item;
    const bool pro = item->isBorellaPro();
    // A new list for the edition at hand: the binder keeps its list by reference.
    delete m_table;
    m_page = std::make_unique<QVListPage>(menuKey(), [pro] { return QVMenuManager::borellaMenuArray(pro); });
    m_table = new QVSubListTable(m_ui->tableView, *m_page, AddToMainMenu, Enable, &QVBorellaConfigWinCtl::mainMenuEntry,
                                 this);
    refresh();
}

void QVBorellaConfigWinCtl::refresh()
{
    if (m_appItem == nullptr) {
        return;
    }
    setWindowTitle(m_appItem->appName());
    m_ui->nameInput->setText(m_appItem->menuTitle());
    // The main menu page deletes a command's copy without knowing this list: a box must not
    // say "in the main menu" for a copy that is gone.
    QStringList mainKeys;
    for (const QVariant& entry : QVMenuManager::storedList(QVMenuManager::kArrayRightMenu)) {
        mainKeys << entry.toMap().value(QStringLiteral("key")).toString();
    }
    for (const QVMenuItemPtr& command : QVMenuManager::borellaMenuArray(m_appItem->isBorellaPro())) {
        if (command->isAddToMainMenu() && !mainKeys.contains(command->key())) {
            QVMenuManager::updateMenuKey(menuKey(), command->key(), QStringLiteral("toMainMenu"), false);
        }
    }
    m_table->refresh();
    m_ui->deleteButton->setEnabled(false);
}

void QVBorellaConfigWinCtl::onDelete()
{
    if (m_table != nullptr) {
        m_table->deleteSelected();
        refresh();
    }
}

void QVBorellaConfigWinCtl::onRecover()
{
    QPointer<QVBorellaConfigWinCtl> self(this);
    qv::alertPrompWithMsg(qv::localized(QStringLiteral("Recover Tip")), this, [self](int response) {
        if (!self || self->m_table == nullptr || response != platform::Alert::FirstButtonReturn) {
            return;
        }
        self->m_table->removeMainMenuCopies();
        if (self->m_appItem->isBorellaPro()) {
            QVDefaultData::recoverBorellaPro();
        } else {
            QVDefaultData::recoverBorella();
        }
        self->refresh();
    });
}

void QVBorellaConfigWinCtl::onChangeAppName()
{
    if (m_appItem == nullptr) {
        return;
    }
    const QString name = m_ui->nameInput->text();
    if (name.size() > QVEditAppConfigWinCtl::kNameLimit) {
        qv::showHudInfoWithStatus(this, qv::localized(QStringLiteral("The name cannot exceed 30 characters")));
        return;
    }
    const QVariantMap result {
        { QStringLiteral("key"), m_appItem->key() },
        { QStringLiteral("displayName"),
          name.isEmpty() ? QVEditAppConfigWinCtl::defaultName(m_appItem->appName()) : name },
    };
    const auto block = editSuccessBlock;
    qv::shut(this);
    if (block) {
        block(result);
    }
}

QVariantMap QVBorellaConfigWinCtl::mainMenuEntry(const QVMenuItem& item)
{
    // The edition's identifier goes along: without it the main menu's copy would open the
    // utility instead of running the command.
    return QVSubListTable::mainMenuEntry(
        item,
        { QStringLiteral("key"), QStringLiteral("icon"), QStringLiteral("iconPath"), QStringLiteral("appName"),
          QStringLiteral("displayName"), QStringLiteral("needFolder"), QStringLiteral("needFile"),
          QStringLiteral("appCmd"), QStringLiteral("appBundleId"), QStringLiteral("formats") });
}
