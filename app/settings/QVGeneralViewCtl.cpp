#include "app/settings/QVGeneralViewCtl.h"

#include "app/AppDelegate.h"
#include "app/QVExtensionManagement.h"
#include "app/settings/QVAddRightMenuWinCtl.h"
#include "app/settings/QVEditInfoWinCtl.h"
#include "app/settings/QVSettingsPage.h"
#include "app/settings/QVSettingsTable.h"
#include "app/settings/QVSettingsWindow.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/scripts/QVScriptCommands.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ButtonExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVTools.h"
#include "foundation/ViewExpand.h"
#include "foundation/WindowExpand.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Defaults.h"

#include "ui_QVGeneralViewCtl.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <QWindow>

Q_LOGGING_CATEGORY(lcGeneralPage, "tarsel.app.settings.general", QtInfoMsg)

namespace {

// The platform's system colours the page's texts use.
const QColor kSystemPink(255, 45, 85);
const QColor kSystemOrange(255, 149, 0);
const QColor kSystemGrey(142, 142, 147);

// The options cells are 30 high like the rows.
constexpr int kCellHeight = QVSettingsTable::kRowHeight;
// The response of an alert's first button ("OK").
constexpr int kFirstButton = 1000;
// Days of use after which switching an entry asks for a review.
constexpr qint64 kReviewDays = 4;

QString fillFormat(QString format, const QStringList& values)
{
    for (const QString& value : values) {
        const qsizetype at = format.indexOf(QStringLiteral("%@"));
        if (at < 0) {
            break;
        }
        format.replace(at, 2, value);
    }
    return format;
}

bool extensionEnabled()
{
    return QVExtensionManagement::isExtensionEnabled();
}

} // namespace

QVGeneralViewCtl::QVGeneralViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVGeneralViewCtl>())
    , m_page(QVMenuManager::kArrayRightMenu, [] { return QVMenuManager::menuItemArrayWithToMenu(false); })
{
    QVDefaultData::setup();
    // A first load put off reads the list then; otherwise it is read now, after the set-up.
    if (!QVSettingsPage::DeferFirstLoad::active()) {
        m_page.reload();
    }
    m_ui->setupUi(this);
    for (QAbstractButton* button :
         { static_cast<QAbstractButton*>(m_ui->startButton), static_cast<QAbstractButton*>(m_ui->enableButton) }) {
        button->setText(qv::localized(QStringLiteral("Enable the right-click menu")));
        qv::setTitleColor(button, kSystemPink);
        // A check box draws its title in the window text colour.
        QPalette pal = button->palette();
        pal.setColor(QPalette::WindowText, kSystemPink);
        button->setPalette(pal);
    }
    m_ui->foldAllCheckBtn->setText(qv::localized(QStringLiteral("Fold All Up")));
    m_ui->deleteSureCheckBtn->setText(qv::localized(QStringLiteral("Check Delete Sure")));
    m_ui->tipLabel->setText(qv::localized(QStringLiteral("Help")));
    QVListPage::titleButtons(m_ui->addButton, m_ui->deleteButton, m_ui->recoverBtn);
    m_ui->tipButton->setToolTip(qv::localized(QStringLiteral("Help")));
    m_ui->colorPickerShortcutView->setStyle(3);
    m_ui->colorPickerShortcutView->setAssociatedUserDefaultsKey(AppDelegate::kColorPickerShortCut);

    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(4);
    const QString nameTitle
        = fillFormat(qv::localized(QStringLiteral("%@ (%@, %@)")),
                     { qv::localized(QStringLiteral("Menu Name")), qv::localized(QStringLiteral("Drag Sort")),
                       qv::localized(QStringLiteral("Double Click Change")) });
    table->setHorizontalHeaderLabels(
        { nameTitle, qv::localized(QStringLiteral("Enable")),
          qv::localized(QStringLiteral("Options")) + QLatin1Char('/') + qv::localized(QStringLiteral("Description")),
          qv::localized(QStringLiteral("Fold Up")) });
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    header->setSectionResizeMode(Enable, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(Options, QHeaderView::Fixed);
    header->setSectionResizeMode(Fold, QHeaderView::ResizeToContents);
    table->setColumnWidth(Options, 250);
    table->verticalHeader()->hide();
    // The name column is never narrower than its title: the table asks for that much room.
    const int frame = 2 * table->frameWidth() + table->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    table->setMinimumWidth(header->sectionSizeHint(MenuTitle) + header->sectionSizeHint(Enable) + 250
                           + header->sectionSizeHint(Fold) + frame);
    table->setIconSize(QSize(18, 18));
    m_page.bindRowDrag(table, [this] { refresh(); });
    connect(table, &QTableWidget::itemChanged, this, &QVGeneralViewCtl::onItemChanged);
    connect(table, &QTableWidget::itemSelectionChanged, this, &QVGeneralViewCtl::onSelectionChanged);
    connect(table, &QTableWidget::cellDoubleClicked, this, &QVGeneralViewCtl::onEditName);
    connect(m_ui->addButton, &QPushButton::clicked, this, &QVGeneralViewCtl::onAdd);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVGeneralViewCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVGeneralViewCtl::onRecover);
    connect(m_ui->foldAllCheckBtn, &QCheckBox::clicked, this, &QVGeneralViewCtl::onFoldAll);
    connect(m_ui->startButton, &QPushButton::clicked, this, &QVGeneralViewCtl::onEnable);
    // The check box switches both ways: on adds Tarsel's actions to the file managers, off takes
    // them out.
    connect(m_ui->enableButton, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked) {
            onEnable();
        } else {
            onDisable();
        }
    });
    connect(m_ui->disableButton, &QPushButton::clicked, this, &QVGeneralViewCtl::onDisable);
    connect(m_ui->tipButton, &QToolButton::clicked, this, &QVGeneralViewCtl::onTip);
    connect(m_ui->deleteSureCheckBtn, &QCheckBox::clicked, this, [](bool on) {
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(QVSwitch::AskBeforeDelete), on);
    });
    qv::addNotification(this, qv::kRefreshSignal);
    if (QVSettingsPage::DeferFirstLoad::active()) {
        m_loadPending = true;
    } else {
        refresh();
    }
}

QVGeneralViewCtl::~QVGeneralViewCtl()
{
    qv::removeAllNotification(this);
}

QVSettingsTable* QVGeneralViewCtl::tableView() const
{
    if (m_loadPending) {
        const_cast<QVGeneralViewCtl*>(this)->refresh();
    }
    return m_ui->tableView;
}

void QVGeneralViewCtl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

void QVGeneralViewCtl::handleSignal(const qv::Notification& notification)
{
    // A window that became active has the page reload at the next turn of the event loop, after
    // what came with it (the first paint of a window just shown); a reload that follows an edit
    // comes at once. A reload that runs meanwhile reads what the queued one would.
    if (qobject_cast<QWindow*>(notification.object.value<QObject*>()) != nullptr) {
        if (!m_refreshQueued) {
            m_refreshQueued = true;
            QTimer::singleShot(0, this, [this] {
                if (m_refreshQueued) {
                    refresh();
                }
            });
        }
        return;
    }
    refresh();
}

void QVGeneralViewCtl::refresh()
{
    m_loadPending = false;
    m_refreshQueued = false;
    m_ui->deleteSureCheckBtn->setChecked(QVMenuManager::isPrefCheckOn(QVSwitch::AskBeforeDelete));
    m_page.reload();
    if (auto* settings = qobject_cast<QVSettingsWindow*>(window())) {
        settings->refreshToolbarItemImage(m_page.rows());
    }
    const bool enabled = extensionEnabled();
    refreshExtensionButtons(enabled);

    // The two controls that move into option cells come back first: removing the rows releases
    // the cells with everything still in them.
    for (QWidget* control :
         { static_cast<QWidget*>(m_ui->deleteSureCheckBtn), static_cast<QWidget*>(m_ui->colorPickerShortcutView) }) {
        control->hide();
        control->setParent(this);
    }
    QVSettingsTable* table = m_ui->tableView;
    m_filling = true;
    table->setRowCount(0);
    table->setRowCount(int(m_page.rows().size()));
    for (int row = 0; row < m_page.rows().size(); ++row) {
        fillRow(row, m_page.rows().at(row), enabled);
    }
    table->setRowItems(m_page.rows());
    m_filling = false;
    m_ui->deleteButton->setEnabled(false);
    showIntroduce(nullptr);
    refreshAllFoldCheckBtn();
}

void QVGeneralViewCtl::refreshExtensionButtons(bool enabled)
{
    // This desktop always has the host's extension switch, so the old-system start button stays
    // hidden.
    m_ui->startButton->hide();
    m_ui->enableButton->show();
    m_ui->enableButton->setChecked(enabled);
    const bool byCommand = enabled && QVExtensionManagement::isNeedUseCmdEnable();
    m_ui->disableButton->setVisible(byCommand);
    if (byCommand) {
        m_ui->disableButton->setText(qv::localized(QStringLiteral("Disable")));
        qv::setTitleColor(m_ui->disableButton, kSystemGrey);
    }
}

void QVGeneralViewCtl::fillRow(int row, const QVMenuItemPtr& item, bool extensionEnabled)
{
    QVSettingsTable* table = m_ui->tableView;
    auto* title = new QTableWidgetItem(item->menuTitle());
    title->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    if (const QIcon icon = QVSettingsTable::rowIcon(*item); !icon.isNull()) {
        title->setIcon(icon);
    }
    table->setItem(row, MenuTitle, title);
    const auto check = [](bool on, bool enabled) {
        auto* cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable
                       | (enabled ? Qt::ItemIsEnabled : Qt::NoItemFlags));
        cell->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        return cell;
    };
    // Switching entries means nothing while the file manager does not load the extension.
    table->setItem(row, Enable, check(!item->disabled(), extensionEnabled));
    auto* options = new QTableWidgetItem;
    options->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    table->setItem(row, Options, options);
    if (QWidget* cell = optionCell(item)) {
        table->setCellWidget(row, Options, cell);
    }
    table->setItem(row, Fold, check(item->isFoldUp(), true));
}

QWidget* QVGeneralViewCtl::optionCell(const QVMenuItemPtr& item)
{
    QWidget* control = nullptr;
    if (item->key() == QLatin1String("Delete")) {
        control = m_ui->deleteSureCheckBtn;
    } else if (item->isColorPicker() && QVMenuManager::isPrefCheckOn(QVSwitch::StatusItem)) {
        control = m_ui->colorPickerShortcutView;
    } else if (item->isGetInfo()) {
        control = columnLabel(qv::localized(QStringLiteral("Only quick access menu is supported")));
    } else if (item->isMainMenuNewFile() || !item->script().isEmpty() || !item->appName().isEmpty()) {
        const char* tab = !item->script().isEmpty() ? "Common Script"
            : !item->appName().isEmpty()            ? "Common App"
                                                    : "New File";
        control
            = columnLabel(fillFormat(qv::localized(QStringLiteral("From: %@")), { qv::localized(QLatin1String(tab)) }));
    }
    if (control == nullptr) {
        return nullptr;
    }
    auto* cell = new QWidget;
    auto* layout = new QHBoxLayout(cell);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->addWidget(control, 0, Qt::AlignVCenter);
    layout->addStretch();
    cell->setFixedHeight(kCellHeight);
    control->show();
    return cell;
}

QLabel* QVGeneralViewCtl::columnLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setFixedSize(230, 15);
    // 11 points beside the platform's 13-point system font.
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
    label->setFont(font);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

void QVGeneralViewCtl::refreshAllFoldCheckBtn()
{
    const int fold = m_page.foldAllState();
    m_ui->foldAllCheckBtn->setCheckState(fold == 0 ? Qt::Unchecked : fold == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

void QVGeneralViewCtl::showIntroduce(const QVMenuItemPtr& item)
{
    const bool described = item != nullptr && !item->introduce().trimmed().isEmpty();
    m_ui->tipLabel->setText(described ? item->introduce() : qv::localized(QStringLiteral("Help")));
    QPalette pal = m_ui->tipLabel->palette();
    pal.setColor(QPalette::WindowText, described ? kSystemOrange : palette().color(QPalette::PlaceholderText));
    m_ui->tipLabel->setPalette(pal);
}

void QVGeneralViewCtl::onItemChanged(QTableWidgetItem* cell)
{
    if (m_filling) {
        return;
    }
    const QVMenuItemPtr item = m_page.row(cell->row());
    if (cell->column() == Enable) {
        m_page.toggleEnabled(cell->row());
        showIntroduce(item);
        if (QVScriptCommands::dayCount() >= kReviewDays) {
            QVTools::requestReview();
        }
    } else if (cell->column() == Fold) {
        m_page.toggleFold(cell->row());
        showIntroduce(item);
        refreshAllFoldCheckBtn();
    }
}

void QVGeneralViewCtl::onSelectionChanged()
{
    const QVMenuItemPtr item = m_page.row(m_ui->tableView->currentRow());
    const bool selected = item != nullptr && !m_ui->tableView->selectedItems().isEmpty();
    m_ui->deleteButton->setEnabled(selected);
    showIntroduce(selected ? item : nullptr);
}

void QVGeneralViewCtl::onFoldAll()
{
    // A mixed box turns on first; the new list is stored in one write.
    const bool folded = m_ui->foldAllCheckBtn->checkState() != Qt::Unchecked;
    m_page.setAllFolded(folded);
    refresh();
}

void QVGeneralViewCtl::onDelete()
{
    const QVMenuItemPtr item = m_page.row(m_ui->tableView->currentRow());
    if (item == nullptr || m_ui->tableView->selectedItems().isEmpty()) {
        return;
    }
    QString source;
    if (!item->appName().isEmpty()) {
        source = QVMenuManager::kArrayCommonApp;
    } else if (item->isMainMenuNewFile()) {
        source = QVMenuManager::kArrayNewFile;
    } else if (!item->script().isEmpty()) {
        source = QVMenuManager::kArrayCommonScript;
    }
    if (!source.isEmpty()) {
        QVMenuManager::updateMenuKey(source, item->key(), QStringLiteral("toMainMenu"), false);
    }
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, item->key());
    // This page and every open page and dialog reload (the add dialog offers a factory entry
    // again).
    QVListPage::postRefreshSignal();
}

void QVGeneralViewCtl::onRecover()
{
    QPointer<QVGeneralViewCtl> self(this);
    qv::alertPrompWithMsg(qv::localized(QStringLiteral("Recover Tip")), window(), [self](int response) {
        if (self && response == kFirstButton) {
            self->recover();
        }
    });
}

void QVGeneralViewCtl::recover()
{
    const auto clear = [](const QVMenuItemList& items, const QString& list) {
        for (const QVMenuItemPtr& item : items) {
            if (item->isAddToMainMenu()) {
                QVMenuManager::updateMenuKey(list, item->key(), QStringLiteral("toMainMenu"), false);
            }
        }
    };
    clear(QVMenuManager::commonAppMenuArray(), QVMenuManager::kArrayCommonApp);
    clear(QVMenuManager::newFileTemplateMenuArray(false), QVMenuManager::kArrayNewFile);
    clear(QVMenuManager::commonScriptMenuArray(), QVMenuManager::kArrayCommonScript);
    QVDefaultData::recoverRightMenu();
    refresh();
}

void QVGeneralViewCtl::onEditName()
{
    const QVMenuItemPtr item = m_page.row(m_ui->tableView->currentRow());
    if (item == nullptr) {
        return;
    }
    if (m_editInfoWinCtl == nullptr) {
        m_editInfoWinCtl = new QVEditInfoWinCtl(this);
    }
    const QString key = item->key();
    qv::openOnWindow(m_editInfoWinCtl, window());
    m_editInfoWinCtl->editWithItem(item);
    QPointer<QVGeneralViewCtl> self(this);
    m_editInfoWinCtl->editHandler = [self, key](const QVariantMap& result) {
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, key, result);
        if (self) {
            self->refresh();
        }
    };
}

void QVGeneralViewCtl::onAdd()
{
    if (QVAddRightMenuWinCtl::diffData().isEmpty()) {
        qv::showHudInfoWithStatus(this, qv::localized(QStringLiteral("No Menu To Add Tip")));
        return;
    }
    if (m_addMenuWinCtl == nullptr) {
        m_addMenuWinCtl = new QVAddRightMenuWinCtl(this);
    }
    m_addMenuWinCtl->open(window());
}

void QVGeneralViewCtl::onEnable()
{
    if (QVExtensionManagement::isNeedUseCmdEnable()) {
        enableByCmd(true);
    } else {
        QVExtensionManagement::showExtensionManagementInterface(window());
    }
    refresh();
}

// There is no system panel to send the user to here: turning off takes Tarsel's actions out of
// the file managers on every release.
void QVGeneralViewCtl::onDisable()
{
    enableByCmd(false);
    refresh();
}

void QVGeneralViewCtl::enableByCmd(bool enable)
{
    // What `tarsel-finder --enable-file-managers` and `--disable-file-managers` do from a terminal.
    if (!QVExtensionManagement::setFileManagersEnabled(enable, window())) {
        qCWarning(lcGeneralPage) << "the extension could not be switched" << (enable ? "on" : "off")
                                 << "in every file manager";
    }
}

void QVGeneralViewCtl::onTip()
{
    if (auto* settings = qobject_cast<QVSettingsWindow*>(window())) {
        settings->showPreferences(4);
    }
}
