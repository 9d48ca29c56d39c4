#include "app/settings/QVFolderIconViewCtl.h"

#include "app/settings/QVAddIconWinCtl.h"
#include "app/settings/QVSettingsTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVDragView.h"
#include "foundation/StringExpandText.h"
#include "platform/ImageIO.h"
#include "platform/Panels.h"
#include "toolwindows/editname/QVEditNameWinCtl.h"

#include "ui_QVFolderIconViewCtl.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QMenu>

Q_LOGGING_CATEGORY(lcFolderIconPage, "tarsel.app.foldericon", QtWarningMsg)

namespace {

const QString kDisplayName = QStringLiteral("displayName");

// The picture in the file drawn 120 pixels wide, its aspect kept; null for a file that gives
// no picture or one without width or height.
QImage iconOfFile(const QString& path)
{
    const QImage image = platform::ImageIO::read(path);
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        return {};
    }
    const int width = QVFolderIconViewCtl::kIconWidth;
    const int height = qMax(1, qRound(double(width) * image.height() / image.width()));
    return qv::imageWithSize(image, QSize(width, height));
}

} // namespace

QVFolderIconViewCtl::QVFolderIconViewCtl(QWidget* parent)
    : QVSettingsPage(
        QVMenuManager::kArrayFolderIcon, [] { return QVMenuManager::folderIconMenuArray(); }, parent)
    , m_ui(std::make_unique<Ui::QVFolderIconViewCtl>())
{
    m_ui->setupUi(this);
    QVListPage::titleButtons(m_ui->addButton, m_ui->deleteButton, m_ui->recoverBtn);
    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(2);
    // The format's three "%@" are filled in order.
    QString nameTitle = qv::localized(QStringLiteral("%@ (%@, %@)"));
    for (const char* key : { "Folder Icon", "Drag Sort", "Double Click Change" }) {
        nameTitle.replace(nameTitle.indexOf(QStringLiteral("%@")), 2, qv::localized(QLatin1String(key)));
    }
    table->setHorizontalHeaderLabels({ nameTitle, qv::localized(QStringLiteral("Enable")) });
    table->horizontalHeader()->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    table->verticalHeader()->hide();
    table->setIconSize(QSize(24, 24));
    page().bindRowDrag(table, [this] { refresh(); });

    m_addPopMenu = new QMenu(this);
    m_addPopMenu->setObjectName(QStringLiteral("addPopMenu"));
    m_selectMenu = m_addPopMenu->addAction(qv::localized(QStringLiteral("Select Icon")));
    m_selectMenu->setObjectName(QStringLiteral("selectMenu"));
    m_makeMenu = m_addPopMenu->addAction(qv::localized(QStringLiteral("Make Icon")));
    m_makeMenu->setObjectName(QStringLiteral("makeMenu"));
    connect(m_selectMenu, &QAction::triggered, this, &QVFolderIconViewCtl::onAddSelect);
    connect(m_makeMenu, &QAction::triggered, this, &QVFolderIconViewCtl::onAddMake);

    connect(table, &QTableWidget::itemChanged, this, &QVFolderIconViewCtl::onItemChanged);
    connect(table, &QTableWidget::itemSelectionChanged, this, &QVFolderIconViewCtl::onSelectionChanged);
    connect(table, &QTableWidget::cellDoubleClicked, this, &QVFolderIconViewCtl::onEditName);
    connect(m_ui->addButton, &QPushButton::clicked, this, &QVFolderIconViewCtl::onAdd);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVFolderIconViewCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVFolderIconViewCtl::onRecover);
    takeDrops([](QVDragView& target) { target.setFileTypes(fileTypes()); },
              [this](const QStringList& paths) { addIconPaths(paths); });
    firstLoad();
}

QVFolderIconViewCtl::~QVFolderIconViewCtl() = default;

QStringList QVFolderIconViewCtl::fileTypes()
{
    return { QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jp2"),
             QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("gif"),  QStringLiteral("webp") };
}

QVSettingsTable* QVFolderIconViewCtl::tableView() const
{
    ensureLoaded();
    return m_ui->tableView;
}

void QVFolderIconViewCtl::refresh()
{
    page().fillTable(m_ui->tableView, m_filling, [this](int row, const QVMenuItemPtr& item) { fillRow(row, item); });
    m_ui->tableView->clearSelection();
    m_ui->deleteButton->setEnabled(false);
}

void QVFolderIconViewCtl::fillRow(int row, const QVMenuItemPtr& item)
{
    auto* title = new QTableWidgetItem(item->menuTitle());
    if (const QIcon icon = QVSettingsTable::rowIcon(*item); !icon.isNull()) {
        title->setIcon(icon);
    }
    title->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    m_ui->tableView->setItem(row, MenuTitle, title);
    auto* check = new QTableWidgetItem;
    check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    check->setCheckState(item->disabled() ? Qt::Unchecked : Qt::Checked);
    m_ui->tableView->setItem(row, Enable, check);
}

QVMenuItemPtr QVFolderIconViewCtl::selectItem() const
{
    return page().selectedRow(m_ui->tableView);
}

void QVFolderIconViewCtl::onItemChanged(QTableWidgetItem* cell)
{
    if (!m_filling && cell->column() == Enable) {
        page().toggleEnabled(cell->row());
    }
}

void QVFolderIconViewCtl::onSelectionChanged()
{
    m_ui->deleteButton->setEnabled(selectItem() != nullptr);
}

void QVFolderIconViewCtl::scrollToLastRow()
{
    const int last = m_ui->tableView->rowCount() - 1;
    if (last >= 0) {
        m_ui->tableView->scrollToItem(m_ui->tableView->item(last, MenuTitle));
    }
}

void QVFolderIconViewCtl::onAdd()
{
    if (!QVListPage::withinLimit(page().rows().size(), 0, kIconLimit)) {
        return;
    }
    QPushButton* button = m_ui->addButton;
    m_addPopMenu->popup(button->mapToGlobal(QPoint(0, button->height() / 2)));
}

void QVFolderIconViewCtl::onAddSelect()
{
    platform::PanelOptions options;
    options.allowedFileTypes = fileTypes();
    options.canChooseFiles = true;
    options.canChooseDirectories = false;
    options.allowsMultipleSelection = false;
    options.level = platform::Panels::ShieldingLevel;
    QPointer<QVFolderIconViewCtl> self(this);
    platform::Panels::beginOpenPanel(options, window(), [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->addIconPaths({ result.paths.first() });
        }
    });
}

void QVFolderIconViewCtl::onAddMake()
{
    if (m_addIconWinCtl == nullptr) {
        m_addIconWinCtl = new QVAddIconWinCtl(this);
    }
    QPointer<QVFolderIconViewCtl> self(this);
    m_addIconWinCtl->setAddSuccessBlock([self](const QVMenuItemPtr& item) {
        const QVariantMap entry {
            { QStringLiteral("key"), item->key() },
            { kDisplayName,
              qv::isValid(item->displayName()) ? item->displayName() : qv::localized(QStringLiteral("Untitled")) },
            { QStringLiteral("iconPath"), qv::isValid(item->iconPath()) ? item->iconPath() : QString() },
        };
        QVMenuManager::addMenuKey(QVMenuManager::kArrayFolderIcon, entry, -1);
        if (self) {
            self->refresh();
            self->scrollToLastRow();
        }
    });
    m_addIconWinCtl->openOnWindow(window());
}

void QVFolderIconViewCtl::onDelete()
{
    const QVMenuItemPtr item = selectItem();
    if (item == nullptr) {
        return;
    }
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayFolderIcon, item->key());
    refresh();
}

void QVFolderIconViewCtl::onEditName()
{
    const QVMenuItemPtr item = selectItem();
    if (item == nullptr) {
        return;
    }
    if (m_editNameWinCtl == nullptr) {
        m_editNameWinCtl = new QVEditNameWinCtl(this);
    }
    const QString previous = item->displayName();
    m_editNameWinCtl->setDefaultAlias(qv::isValid(previous) ? previous : item->key());
    const QString key = item->key();
    QPointer<QVFolderIconViewCtl> self(this);
    m_editNameWinCtl->setEditHandler([self, key](const QString& name) {
        // An empty name keeps the entry as it is: a factory entry has no display name of its
        // own to fall back to, and storing none would leave it without a stored title.
        if (qv::isValid(name)) {
            QVMenuManager::updateMenuKey(QVMenuManager::kArrayFolderIcon, key, kDisplayName, name);
        }
        if (self) {
            self->refresh();
        }
    });
    m_editNameWinCtl->openOnWindow(window());
}

void QVFolderIconViewCtl::onRecover()
{
    QPointer<QVFolderIconViewCtl> self(this);
    qv::alertPrompWithMsg(qv::localized(QStringLiteral("Recover Tip")), window(), [self](int response) {
        if (response != platform::Alert::FirstButtonReturn) {
            return;
        }
        QVDefaultData::recoverFolderIcon();
        if (self) {
            self->refresh();
        }
    });
}

void QVFolderIconViewCtl::addIconPaths(const QStringList& paths)
{
    if (!QVListPage::withinLimit(page().rows().size(), paths.size(), kIconLimit)) {
        return;
    }
    const QDir folder(QVMenuManager::folderIconFolder());
    for (const QString& path : paths) {
        const QImage icon = iconOfFile(path);
        if (icon.isNull()) {
            qCWarning(lcFolderIconPage).noquote() << "Skipped a file that gives no picture:" << path;
            continue;
        }
        const QString key = qv::uuid();
        const QString iconPath = folder.filePath(key + QStringLiteral(".png"));
        if (!qv::saveImageType(icon, platform::ImageIO::Format::Png, iconPath)) {
            qCWarning(lcFolderIconPage).noquote() << "Failed to write the folder icon. File:" << iconPath;
            continue;
        }
        const QVariantMap entry { { QStringLiteral("key"), key },
                                  { kDisplayName, QFileInfo(path).completeBaseName() },
                                  { QStringLiteral("iconPath"), iconPath } };
        QVMenuManager::addMenuKey(QVMenuManager::kArrayFolderIcon, entry, -1);
    }
    refresh();
    scrollToLastRow();
}
