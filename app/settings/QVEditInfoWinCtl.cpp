#include "app/settings/QVEditInfoWinCtl.h"

#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/ViewExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Defaults.h"
#include "platform/Panels.h"

#include "ui_QVEditInfoWinCtl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

namespace {
constexpr int kNameLimit = 30;
}

QVEditInfoWinCtl::QVEditInfoWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVEditInfoWinCtl>())
{
    m_ui->setupUi(this);
    m_ui->cancelButton->setText(qv::localized(QStringLiteral("Cancel")));
    m_ui->okButton->setText(qv::localized(QStringLiteral("OK")));
    m_ui->displayLabel->setText(qv::localized(QStringLiteral("Display Name")) + QLatin1Char(':'));
    m_ui->textField->setPlaceholderText(qv::localized(QStringLiteral("Without Display Name Tip")));
    m_ui->iconTipLabel->setText(qv::localized(QStringLiteral("Modify Icon Tip")));
    m_ui->iconLabel->setText(qv::localized(QStringLiteral("Display Icon")) + QLatin1Char(':'));
    m_ui->seplineLabel->setText(qv::localized(QStringLiteral("Divider Line")) + QLatin1Char(':'));
    m_ui->seplineTipLabel->setText(qv::localized(QStringLiteral("Only quick access menu is supported")));
    m_ui->showInFinderButton->setText(qv::localized(QStringLiteral("Show in Finder when finished")));
    // The removal cross is a small square beside the icon, whatever width the dialog has.
    const int cross = m_ui->iconDeleteButton->fontMetrics().height() + 10;
    m_ui->iconDeleteButton->setFixedSize(cross, cross);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QVEditInfoWinCtl::onCancel);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QVEditInfoWinCtl::onSure);
    connect(m_ui->iconDeleteButton, &QPushButton::clicked, this, &QVEditInfoWinCtl::onDeleteIconPath);
    connect(m_ui->iconButton, &QPushButton::clicked, this, &QVEditInfoWinCtl::onSelectIcon);
}

QVEditInfoWinCtl::~QVEditInfoWinCtl() = default;

void QVEditInfoWinCtl::resetIconState()
{
    // Left over from the last entry, a removal would delete that entry's icon on this OK.
    m_iconPath.clear();
    m_deleteIconPath.clear();
    m_iconIsDelete = false;
}

void QVEditInfoWinCtl::editWithItem(const QVMenuItemPtr& item)
{
    resetIconState();
    m_item = item;
    refresh();
}

void QVEditInfoWinCtl::refresh()
{
    if (m_item == nullptr) {
        return;
    }
    m_ui->textField->setText(!m_item->displayName().isEmpty() ? m_item->displayName() : qv::localized(m_item->key()));
    const bool chosen = !m_iconPath.isEmpty() && QFileInfo::exists(m_iconPath) && !m_iconIsDelete;
    if (chosen) {
        m_ui->iconButton->setIcon(QIcon(m_iconPath));
    } else if (!m_item->menuIcon().isNull()) {
        m_ui->iconButton->setIcon(QIcon(QPixmap::fromImage(m_item->menuIcon())));
    }
    m_ui->seplineCheck->setChecked(m_item->haveSepLine());
    const bool itemIcon = !m_item->iconPath().isEmpty() && QFileInfo::exists(m_item->iconPath());
    m_ui->iconTipLabel->setVisible(true);
    m_ui->iconButton->setEnabled(true);
    m_ui->iconDeleteButton->setVisible(chosen || itemIcon);
    if (itemIcon && !m_item->iconPath().startsWith(QVMenuManager::rightMenuIconFolder())) {
        m_ui->iconDeleteButton->setVisible(false);
        m_ui->iconTipLabel->setVisible(false);
        m_ui->iconButton->setEnabled(false);
    }
    const bool reveals = m_item->isCopy() || m_item->isMove() || m_item->isSymlinkTo();
    m_ui->showInFinderButton->setVisible(reveals);
    m_ui->showInFinderButton->setChecked(QVMenuManager::sharedDefaults().boolValue(QVMenuManager::prefCheck(22)));
}

void QVEditInfoWinCtl::onSelectIcon()
{
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = false;
    options.level = platform::Panels::ShieldingLevel;
    options.allowedFileTypes
        = { QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jp2"),
            QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("gif"),  QStringLiteral("webp") };
    QPointer<QVEditInfoWinCtl> self(this);
    platform::Panels::beginOpenPanel(options, this, [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->saveImage(QImage(result.paths.first()));
        }
    });
}

bool QVEditInfoWinCtl::saveImage(const QImage& image)
{
    if (m_item == nullptr || image.isNull()) {
        return false;
    }
    QDir().mkpath(QVMenuManager::cacheFolder());
    const QString path = QDir(QVMenuManager::cacheFolder()).filePath(m_item->key() + QStringLiteral(".png"));
    if (!image.scaled(60, 60, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).save(path, "PNG")) {
        return false;
    }
    m_iconPath = path;
    m_iconIsDelete = false;
    refresh();
    return true;
}

void QVEditInfoWinCtl::onDeleteIconPath()
{
    if (m_item == nullptr) {
        return;
    }
    if (!m_iconPath.isEmpty()) {
        QFile::remove(QDir(QVMenuManager::cacheFolder()).filePath(QFileInfo(m_iconPath).fileName()));
    }
    m_deleteIconPath = m_item->iconPath();
    m_iconPath.clear();
    m_item->setIconPath(QString());
    m_iconIsDelete = true;
    refresh();
}

void QVEditInfoWinCtl::onCancel()
{
    QDir(QVMenuManager::cacheFolder()).removeRecursively();
    resetIconState();
    qv::shut(this);
}

void QVEditInfoWinCtl::onSure()
{
    if (m_item == nullptr) {
        return;
    }
    const QString name = m_ui->textField->text();
    if (name.size() > kNameLimit) {
        qv::showHudInfoWithStatus(this, qv::localized(QStringLiteral("The name cannot exceed 30 characters")));
        return;
    }
    QString icon;
    if (!m_iconPath.isEmpty() && QFileInfo::exists(m_iconPath)) {
        QDir().mkpath(QVMenuManager::rightMenuIconFolder());
        icon = QDir(QVMenuManager::rightMenuIconFolder()).filePath(QFileInfo(m_iconPath).fileName());
        QFile::remove(icon);
        QFile::rename(m_iconPath, icon);
    } else {
        if (!m_deleteIconPath.isEmpty()) {
            QFile::remove(m_deleteIconPath);
        }
        icon = m_item->iconPath();
    }
    // Only a box the user could see says anything about revealing results.
    if (!m_ui->showInFinderButton->isHidden()) {
        QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(22), m_ui->showInFinderButton->isChecked());
    }
    const QVariantMap result { { QStringLiteral("key"), m_item->key() },
                               { QStringLiteral("displayName"), name },
                               { QStringLiteral("iconPath"), icon },
                               { QStringLiteral("haveSepLine"), m_ui->seplineCheck->isChecked() ? 1 : 0 } };
    const auto handler = editHandler;
    onCancel();
    if (handler) {
        handler(result);
    }
}
