#include "app/settings/QVOpenWithViewCtl.h"

#include "app/settings/QVBorellaConfigWinCtl.h"
#include "app/settings/QVEditAppConfigWinCtl.h"
#include "app/settings/QVSubListTable.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVDragView.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Panels.h"
#include "platform/Workspace.h"

#include "ui_QVOpenWithViewCtl.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QPointer>

namespace {

const QString kDesktopSuffix = QStringLiteral(".desktop");

QString fillTitle(QString format, std::initializer_list<const char*> keys)
{
    for (const char* key : keys) {
        format.replace(format.indexOf(QStringLiteral("%@")), 2, qv::localized(QLatin1String(key)));
    }
    return format;
}

// The application's own image: Icon= names a file or an icon of the theme; without one, the
// desktop's image for the entry file.
QImage applicationImage(const QString& path, const QString& iconName)
{
    const QSize size(QVFile::kIconSize, QVFile::kIconSize);
    QIcon icon;
    if (QDir::isAbsolutePath(iconName)) {
        icon = QIcon(iconName);
    } else if (!iconName.isEmpty()) {
        icon = QIcon::fromTheme(iconName);
    }
    if (icon.isNull() || icon.pixmap(size).isNull()) {
        icon = QVFile(path).icon();
    }
    return icon.pixmap(size).toImage();
}

} // namespace

QVOpenWithViewCtl::QVOpenWithViewCtl(QWidget* parent)
    : QVSettingsPage(
        QVMenuManager::kArrayCommonApp, [] { return QVMenuManager::commonAppMenuArray(); }, parent)
    , m_ui(std::make_unique<Ui::QVOpenWithViewCtl>())
{
    m_ui->setupUi(this);
    QVListPage::titleButtons(m_ui->addButton, m_ui->deleteButton, m_ui->recoverBtn);
    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(3);
    table->setHorizontalHeaderLabels(
        { fillTitle(qv::localized(QStringLiteral("%@ (%@, %@)")), { "App Name", "Drag Sort", "Double Click Change" }),
          qv::localized(QStringLiteral("Add to main menu")), qv::localized(QStringLiteral("Enable")) });
    table->horizontalHeader()->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    table->verticalHeader()->hide();
    table->setIconSize(QSize(20, 20));
    m_table = new QVSubListTable(table, page(), AddToMainMenu, Enable, &QVOpenWithViewCtl::mainMenuEntry, this);
    connect(table, &QTableWidget::itemSelectionChanged, this, &QVOpenWithViewCtl::onSelectionChanged);
    connect(table, &QTableWidget::cellDoubleClicked, this, &QVOpenWithViewCtl::onEditName);
    connect(m_ui->addButton, &QPushButton::clicked, this, &QVOpenWithViewCtl::onAdd);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVOpenWithViewCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVOpenWithViewCtl::onRecover);
    takeDrops([](QVDragView& target) { target.setFileTypes({ QStringLiteral("desktop") }); },
              [this](const QStringList& paths) { addApps(paths); });
    firstLoad();
}

QVOpenWithViewCtl::~QVOpenWithViewCtl() = default;

QVSettingsTable* QVOpenWithViewCtl::tableView() const
{
    ensureLoaded();
    return m_ui->tableView;
}

void QVOpenWithViewCtl::refresh()
{
    m_table->refresh();
    m_ui->deleteButton->setEnabled(false);
}

void QVOpenWithViewCtl::onSelectionChanged()
{
    m_ui->deleteButton->setEnabled(m_table->selectedItem() != nullptr);
}

bool QVOpenWithViewCtl::isApplicationFile(const QString& path)
{
    if (!path.endsWith(kDesktopSuffix) || !QFileInfo(path).isFile()) {
        return false;
    }
    const std::optional<QHash<QString, QString>> keys = platform::Workspace::readDesktopEntry(path);
    return keys && keys->value(QStringLiteral("Type")) == QLatin1String("Application");
}

QVariantMap QVOpenWithViewCtl::appEntry(const QString& path) const
{
    const QHash<QString, QString> keys
        = platform::Workspace::readDesktopEntry(path).value_or(QHash<QString, QString>());
    const QString key = qv::uuid();
    QString id = QFileInfo(path).fileName();
    id.chop(kDesktopSuffix.size());
    // Named by the entry's key: two applications of one name must not share (and, when one is
    // deleted, lose) one icon file.
    const QString iconPath = QDir(QVMenuManager::appIconFolder()).filePath(key + QStringLiteral(".png"));
    qv::saveImageType(qv::imageWithSize(applicationImage(path, keys.value(QStringLiteral("Icon"))),
                                        QSize(QVFile::kIconSize, QVFile::kIconSize)),
                      platform::ImageIO::Format::Png, iconPath);
    return { { QStringLiteral("key"), key },
             { QStringLiteral("appName"), path },
             { QStringLiteral("displayName"), QVEditAppConfigWinCtl::defaultName(path) },
             { QStringLiteral("appBundleId"), id },
             { QStringLiteral("iconPath"), iconPath } };
}

void QVOpenWithViewCtl::addApps(const QStringList& paths)
{
    QStringList apps;
    for (const QString& path : paths) {
        if (isApplicationFile(path)) {
            apps << path;
        }
    }
    if (apps.isEmpty()) {
        return;
    }
    page().reload();
    if (!QVListPage::withinLimit(page().rows().size(), apps.size(), kLimit)) {
        return;
    }
    for (const QString& path : apps) {
        QVMenuManager::addMenuKey(QVMenuManager::kArrayCommonApp, appEntry(path), -1);
    }
    refresh();
    m_ui->tableView->scrollToBottom();
}

void QVOpenWithViewCtl::onAdd()
{
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = false;
    options.allowedFileTypes = { QStringLiteral("desktop") };
    options.directory = QStringLiteral("/usr/share/applications");
    options.level = platform::Panels::ShieldingLevel;
    QPointer<QVOpenWithViewCtl> self(this);
    platform::Panels::beginOpenPanel(options, window(), [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->addApps({ result.paths.first() });
        }
    });
}

void QVOpenWithViewCtl::onDelete()
{
    m_table->deleteSelected();
    refresh();
}

void QVOpenWithViewCtl::onRecover()
{
    QPointer<QVOpenWithViewCtl> self(this);
    qv::alertPrompWithMsg(qv::localized(QStringLiteral("Recover Tip")), window(), [self](int response) {
        if (!self || response != platform::Alert::FirstButtonReturn) {
            return;
        }
        self->m_table->removeMainMenuCopies();
        QVDefaultData::recoverCommonApp();
        QDir(QVMenuManager::appIconFolder()).removeRecursively();
        self->refresh();
    });
}

void QVOpenWithViewCtl::onEditName()
{
    const QVMenuItemPtr item = m_table->selectedItem();
    if (item == nullptr) {
        return;
    }
    const QString key = item->key();
    const bool inMainMenu = item->isAddToMainMenu();
    QPointer<QVOpenWithViewCtl> self(this);
    const auto merge = [self, key, inMainMenu](const QVariantMap& result) {
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayCommonApp, key, result);
        if (inMainMenu) {
            QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, key, result);
        }
        if (self) {
            self->refresh();
        }
    };
    if (item->isBorella() || item->isBorellaPro()) {
        if (m_borellaWinCtl == nullptr) {
            m_borellaWinCtl = new QVBorellaConfigWinCtl(this);
            m_borellaWinCtl->setWindowFlag(Qt::Window, true);
        }
        qv::open(m_borellaWinCtl);
        m_borellaWinCtl->editWithItem(item);
        m_borellaWinCtl->editSuccessBlock = merge;
        return;
    }
    if (m_editWinCtl == nullptr) {
        m_editWinCtl = new QVEditAppConfigWinCtl(this);
    }
    qv::openOnWindow(m_editWinCtl, window());
    m_editWinCtl->editWithItem(item);
    m_editWinCtl->editSuccessBlock = merge;
}

QVariantMap QVOpenWithViewCtl::mainMenuEntry(const QVMenuItem& item)
{
    return QVSubListTable::mainMenuEntry(item,
                                         { QStringLiteral("key"), QStringLiteral("icon"), QStringLiteral("iconPath"),
                                           QStringLiteral("appName"), QStringLiteral("displayName"),
                                           QStringLiteral("appBundleId"), QStringLiteral("needFolder"),
                                           QStringLiteral("needFile"), QStringLiteral("formats") });
}
