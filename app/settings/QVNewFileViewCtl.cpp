#include "app/settings/QVNewFileViewCtl.h"

#include "app/settings/QVAddFileWinCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "app/settings/QVSubListTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Defaults.h"

#include "ui_QVNewFileViewCtl.h"

#include <QHeaderView>

namespace {

platform::Defaults& shared()
{
    return QVMenuManager::sharedDefaults();
}

QString localized(const char* key)
{
    return qv::localized(QLatin1String(key));
}

// Stored strings are never nil: an absent value is written as the empty string.
QString text(const QString& value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace

QVNewFileViewCtl::QVNewFileViewCtl(QWidget* parent)
    : QVSettingsPage(
        QVMenuManager::kArrayNewFile, [] { return QVMenuManager::newFileTemplateMenuArray(true); }, parent)
    , m_ui(std::make_unique<Ui::QVNewFileViewCtl>())
{
    m_ui->setupUi(this);
    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels({ QString(), localized("Extension"), localized("Open In"),
                                       localized("Add to main menu"), localized("Enable") });
    table->horizontalHeader()->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    for (const int column : { Ext, OpenIn }) {
        table->horizontalHeader()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    table->verticalHeader()->hide();
    m_table = new QVSubListTable(table, page(), AddToMainMenu, Enable, &QVNewFileViewCtl::mainMenuEntry, this);
    m_table->fillExtra = [this](int row, const QVMenuItemPtr& item) { fillExtra(row, item); };
    m_table->mainMenuChanged = [] { QVListPage::postRefreshSignal(); };
    m_ui->openFileChecked->setText(localized("New File Finished Checked Tip"));
    m_ui->hideFileExtChecked->setText(localized("Hide the file extension"));
    m_ui->quickAddCheck->setText(localized("Right-click file to add quickly"));
    QVListPage::titleButtons(m_ui->addButton, m_ui->deleteButton, m_ui->recoverBtn);
    m_ui->popUpButton->addItem(localized("Display file type"), 1);
    m_ui->popUpButton->addItem(localized("Display file name"), 2);

    connect(table, &QTableWidget::itemSelectionChanged, this, &QVNewFileViewCtl::onSelectionChanged);
    connect(table, &QTableWidget::cellDoubleClicked, this, &QVNewFileViewCtl::onEditName);
    connect(m_ui->addButton, &QPushButton::clicked, this, &QVNewFileViewCtl::onAdd);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVNewFileViewCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVNewFileViewCtl::onRecover);
    connect(m_ui->openFileChecked, &QCheckBox::clicked, this,
            [](bool on) { shared().setValue(QVMenuManager::kOpenNewFile, on); });
    connect(m_ui->hideFileExtChecked, &QCheckBox::clicked, this,
            [](bool on) { shared().setValue(QVMenuManager::kNewFileHideExtension, on); });
    connect(m_ui->quickAddCheck, &QCheckBox::clicked, this,
            [](bool on) { shared().setValue(QVMenuManager::prefCheck(QVSwitch::AddToFileTemplate), on); });
    connect(m_ui->popUpButton, &QComboBox::activated, this, &QVNewFileViewCtl::onSelectPopUpType);
    storeFactoryChoices();
    firstLoad();
}

void QVNewFileViewCtl::storeFactoryChoices()
{
    QVDefaultData::integerWithDefault(QVMenuManager::kNewFileDisplayMode);
}

QVNewFileViewCtl::~QVNewFileViewCtl() = default;

QVSettingsTable* QVNewFileViewCtl::tableView() const
{
    ensureLoaded();
    return m_ui->tableView;
}

QVAddFileWinCtl* QVNewFileViewCtl::addFileWinCtl() const
{
    return m_addFileWinCtl;
}

void QVNewFileViewCtl::refresh()
{
    const qint64 mode = QVDefaultData::integerWithDefault(QVMenuManager::kNewFileDisplayMode);
    m_ui->popUpButton->setCurrentIndex(m_ui->popUpButton->findData(int(mode)));
    m_ui->tableView->horizontalHeaderItem(MenuTitle)->setText(
        qv::stringWithFormat(localized("%@ (%@, %@)"), localized(mode == 1 ? "File Type" : "File Name"),
                             localized("Drag Sort"), localized("Double Click Change")));
    m_ui->openFileChecked->setChecked(shared().boolValue(QVMenuManager::kOpenNewFile));
    m_ui->hideFileExtChecked->setChecked(shared().boolValue(QVMenuManager::kNewFileHideExtension));
    // The box shows what the menu does: the stored switch.
    m_ui->quickAddCheck->setChecked(QVMenuManager::isPrefCheckOn(QVSwitch::AddToFileTemplate));

    m_table->refresh();
    m_ui->deleteButton->setEnabled(false);
}

void QVNewFileViewCtl::fillExtra(int row, const QVMenuItemPtr& item)
{
    const auto cell = [](const QString& value) {
        auto* c = new QTableWidgetItem(value);
        c->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
        return c;
    };
    const bool fromWindow = item->isNewFileFromWindow();
    QString ext = QStringLiteral("-");
    if (!fromWindow) {
        ext = item->isSpecialFile() ? localized("Special File")
                                    : QStringLiteral(".") + (item->ext().isEmpty() ? item->key() : item->ext());
    }
    m_ui->tableView->setItem(row, Ext, cell(ext));
    m_ui->tableView->setItem(
        row, OpenIn,
        cell(fromWindow ? QStringLiteral("-") : QVAddFileWinCtl::applicationTitle(item->openFileAppName())));
}

void QVNewFileViewCtl::onSelectionChanged()
{
    const QVMenuItemPtr item = m_table->selectedItem();
    m_ui->deleteButton->setEnabled(item != nullptr && !item->isNewFileFromWindow());
}

void QVNewFileViewCtl::onSelectPopUpType()
{
    shared().setValue(QVMenuManager::kNewFileDisplayMode, m_ui->popUpButton->currentData().toInt());
    refresh();
}

QVAddFileWinCtl* QVNewFileViewCtl::openDialog()
{
    if (m_addFileWinCtl) {
        m_addFileWinCtl->deleteLater();
    }
    m_addFileWinCtl = new QVAddFileWinCtl(this);
    QPointer<QVNewFileViewCtl> self(this);
    m_addFileWinCtl->cancelBlock = [self] {
        if (self) {
            self->refresh();
        }
    };
    qv::openOnWindow(m_addFileWinCtl, window());
    return m_addFileWinCtl;
}

void QVNewFileViewCtl::onAdd()
{
    if (page().rows().size() >= kLimit) {
        QVListPage::showLimitTip();
        return;
    }
    QVAddFileWinCtl* dialog = openDialog();
    QPointer<QVNewFileViewCtl> self(this);
    dialog->addSuccessBlock = [self](const QVMenuItemPtr& item) {
        QVMenuManager::addMenuKey(QVMenuManager::kArrayNewFile, entryForNewItem(*item), -1);
        if (self) {
            self->refresh();
            self->m_ui->tableView->scrollToBottom();
        }
    };
}

void QVNewFileViewCtl::onEditName()
{
    const QVMenuItemPtr item = m_table->selectedItem();
    if (item == nullptr) {
        return;
    }
    QVAddFileWinCtl* dialog = openDialog();
    const QString key = item->key();
    QPointer<QVNewFileViewCtl> self(this);
    dialog->addSuccessBlock = [self, key](const QVMenuItemPtr& edited) {
        const QVariantMap changes = entryForEdit(*edited);
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayNewFile, key, changes);
        if (edited->isAddToMainMenu()) {
            QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, key, changes);
            QVListPage::postRefreshSignal();
        }
        if (self) {
            self->refresh();
        }
    };
    dialog->editWithItem(item);
}

void QVNewFileViewCtl::onDelete()
{
    const QVMenuItemPtr item = m_table->selectedItem();
    if (item == nullptr || item->isNewFileFromWindow()) {
        return;
    }
    m_table->deleteSelected();
    refresh();
    QVListPage::postRefreshSignal();
}

void QVNewFileViewCtl::onRecover()
{
    QPointer<QVNewFileViewCtl> self(this);
    qv::alertPrompWithMsg(localized("Recover Tip"), window(), [self](int response) {
        if (!self || response != platform::Alert::FirstButtonReturn) {
            return;
        }
        self->m_table->removeMainMenuCopies();
        QVDefaultData::recoverNewFile();
        self->refresh();
        QVListPage::postRefreshSignal();
    });
}

QVariantMap QVNewFileViewCtl::entryForEdit(const QVMenuItem& item)
{
    return { { QStringLiteral("ext"), text(item.ext()) },
             { QStringLiteral("displayName"), text(item.displayName()) },
             { QStringLiteral("fileName"), text(item.fileName()) },
             { QStringLiteral("fileType"), text(item.fileType()) },
             { QStringLiteral("iconPath"), text(item.iconPath()) },
             { QStringLiteral("templatePath"), text(item.templatePath()) },
             { QStringLiteral("openFileAppName"), text(item.openFileAppName()) },
             { QStringLiteral("special"), item.isSpecialFile() } };
}

QVariantMap QVNewFileViewCtl::entryForNewItem(const QVMenuItem& item)
{
    QVariantMap entry = entryForEdit(item);
    entry.insert(QStringLiteral("key"), text(item.key()));
    entry.insert(QStringLiteral("icon"), QStringLiteral("file"));
    return entry;
}

QVariantMap QVNewFileViewCtl::mainMenuEntry(const QVMenuItem& item)
{
    QVariantMap entry = entryForEdit(item);
    entry.insert(QStringLiteral("key"), text(item.key()));
    entry.insert(QStringLiteral("mainMenuNewFile"), true);
    entry.insert(QStringLiteral("icon"), item.icon().isEmpty() ? QStringLiteral("file") : item.icon());
    return entry;
}
