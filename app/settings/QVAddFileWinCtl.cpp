#include "app/settings/QVAddFileWinCtl.h"

#include "app/settings/QVAddFileInput.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/QVFile.h"
#include "foundation/QVNameDialogs.h"
#include "foundation/StringExpand.h"
#include "foundation/ViewExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Panels.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"

#include "ui_QVAddFileWinCtl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

namespace {

QString localized(const char* key)
{
    return qv::localized(QLatin1String(key));
}

QString withColon(const char* key)
{
    return localized(key) + QLatin1Char(':');
}

// Moves a staged file into the template folder under its own name, replacing what was there.
QString moveIntoTemplates(const QString& staged)
{
    const QString target = QDir(QVMenuManager::fileTemplateFolder()).filePath(QFileInfo(staged).fileName());
    QFile::remove(target);
    QFile::rename(staged, target);
    return target;
}

} // namespace

QVAddFileWinCtl::QVAddFileWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVAddFileWinCtl>())
    , m_menuItem(QVMenuItem::create())
{
    m_menuItem->setKey(qv::uuid());
    m_menuItem->setIcon(QStringLiteral("file"));
    m_ui->setupUi(this);
    m_ui->inputDisplayName->setText(localized("Untitled"));
    m_ui->labelFileName->setText(withColon("File Name"));
    m_ui->labelFileType->setText(withColon("File Type"));
    m_ui->labelIcon->setText(withColon("File Icon"));
    m_ui->labelDisplayName->setText(withColon("Default Name"));
    m_ui->labelSelectTemplate->setText(withColon("File Template"));
    m_ui->labelTipOpenWithApp->setText(withColon("Open In"));
    m_ui->checkedSpecialFile->setText(localized("Special File"));
    m_ui->labelTipTemplate->setText(localized("No Template Tip"));
    m_ui->labelTipIcon->setText(localized("Modify Icon Tip"));
    m_ui->labelTipAddToFileTemplate->setText(localized("Add to File Template Tip"));
    m_ui->inputFileType->setPlaceholderText(localized("eg:") + QStringLiteral("docx"));
    m_ui->inputDisplayName->setPlaceholderText(localized("Untitled"));
    m_ui->inputExtension->setPlaceholderText(localized("eg:") + QStringLiteral("docx"));
    m_ui->inputFileName->setPlaceholderText(localized("Special FileName Placeholder"));
    m_ui->sureBtn->setText(localized("OK"));
    m_ui->cancelBtn->setText(localized("Cancel"));
    m_ui->buttonSelectApp->setText(localized("Select"));
    m_ui->openWithAppName->setText(localized("Default App"));

    for (QLineEdit* field :
         { m_ui->inputFileType, m_ui->inputDisplayName, m_ui->inputExtension, m_ui->inputFileName }) {
        connect(field, &QLineEdit::textChanged, this, &QVAddFileWinCtl::refresh);
    }
    connect(m_ui->checkedSpecialFile, &QCheckBox::toggled, this, &QVAddFileWinCtl::refresh);
    connect(m_ui->buttonIcon, &QPushButton::clicked, this, &QVAddFileWinCtl::onSelectIcon);
    connect(m_ui->buttonSelectTemplate, &QPushButton::clicked, this, &QVAddFileWinCtl::onSelectTemplate);
    connect(m_ui->deleteTemplateBtn, &QPushButton::clicked, this, &QVAddFileWinCtl::onDeleteTemplate);
    connect(m_ui->buttonSelectApp, &QPushButton::clicked, this, &QVAddFileWinCtl::onSelectApp);
    connect(m_ui->cancelBtn, &QPushButton::clicked, this, &QVAddFileWinCtl::onCancel);
    connect(m_ui->sureBtn, &QPushButton::clicked, this, &QVAddFileWinCtl::onSure);
    // Escape and the window's close button cancel too, so nothing stays in the cache.
    connect(this, &QDialog::rejected, this, [this] {
        if (!m_answered) {
            onCancel();
        }
    });
    refresh();
}

QVAddFileWinCtl::~QVAddFileWinCtl() = default;

bool QVAddFileWinCtl::isFromWindowEntry() const
{
    return m_menuItem->isNewFileFromWindow();
}

QString QVAddFileWinCtl::cachePath(const QString& suffix) const
{
    // A key from a damaged configuration must not lead the file operations elsewhere.
    if (!QVNameDialogs::isFolderName(m_menuItem->key())) {
        return QString();
    }
    return QDir(QVMenuManager::cacheFolder()).filePath(m_menuItem->key() + suffix);
}

QString QVAddFileWinCtl::applicationTitle(const QString& openFileAppName)
{
    if (!qv::isValid(openFileAppName)) {
        return localized("Default App");
    }
    if (openFileAppName.endsWith(QLatin1String(".desktop"))) {
        const auto entry = platform::Workspace::readDesktopEntry(openFileAppName);
        if (entry && !entry->value(QStringLiteral("Name")).isEmpty()) {
            return entry->value(QStringLiteral("Name"));
        }
    }
    return QFileInfo(openFileAppName).fileName();
}

void QVAddFileWinCtl::editWithItem(const QVMenuItemPtr& item)
{
    if (item == nullptr) {
        return;
    }
    m_menuItem = item;
    m_ui->checkedSpecialFile->setChecked(item->isSpecialFile());
    m_ui->inputFileType->setText(!item->fileType().isEmpty() ? item->fileType() : qv::localized(item->key()));
    if (item->isSpecialFile()) {
        m_ui->inputFileName->setText(item->fileName());
    } else {
        m_ui->inputDisplayName->setText(!item->fileName().isEmpty() ? item->fileName() : localized("Untitled"));
        m_ui->inputExtension->setText(item->ext());
    }
    m_ui->openWithAppName->setText(applicationTitle(item->openFileAppName()));
    refresh();
    if (isFromWindowEntry()) {
        m_ui->inputExtension->setText(QStringLiteral("-"));
        m_ui->inputExtension->setEnabled(false);
        m_ui->checkedSpecialFile->setEnabled(false);
        m_ui->buttonSelectTemplate->setEnabled(false);
        m_ui->buttonSelectApp->setEnabled(false);
    }
}

void QVAddFileWinCtl::refresh()
{
    const bool special = m_ui->checkedSpecialFile->isChecked();
    m_ui->commonFileView->setHidden(special);
    m_ui->specialFileView->setHidden(!special);
    if (!m_iconPath.isEmpty()) {
        m_ui->buttonIcon->setIcon(QIcon(m_iconPath));
    } else if (const QImage icon = m_menuItem->menuIcon(); !icon.isNull()) {
        m_ui->buttonIcon->setIcon(QIcon(QPixmap::fromImage(icon)));
    }
    const bool present = !m_templatePath.isEmpty() ? QFileInfo::exists(m_templatePath) && !m_templateIsDelete
                                                   : qv::isValid(m_menuItem->templatePath())
            && QFileInfo::exists(m_menuItem->templatePath()) && !m_templateIsDelete;
    m_ui->buttonSelectTemplate->setText(localized(present ? "Modify Template" : "Select Template"));
    m_ui->labelTipSelected->setVisible(present);
    m_ui->deleteTemplateBtn->setVisible(present);
    m_ui->labelTipTemplate->setVisible(!present);
}

void QVAddFileWinCtl::onSelectIcon()
{
    platform::PanelOptions options;
    options.allowedFileTypes
        = { QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jp2"),
            QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("gif"),  QStringLiteral("webp") };
    QPointer<QVAddFileWinCtl> self(this);
    platform::Panels::beginOpenPanel(options, this, [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->saveImage(QImage(result.paths.first()));
        }
    });
}

bool QVAddFileWinCtl::saveImage(const QImage& image)
{
    const QString path = cachePath(QStringLiteral(".png"));
    const QSize size(QVFile::kIconSize, QVFile::kIconSize);
    if (image.isNull() || path.isEmpty()) {
        return false;
    }
    if (!qv::saveImageType(qv::imageWithSize(image, size), platform::ImageIO::Format::Png, path)) {
        return false;
    }
    m_iconPath = path;
    refresh();
    return true;
}

void QVAddFileWinCtl::onSelectTemplate()
{
    platform::PanelOptions options;
    options.directory = platform::Paths::home();
    options.level = platform::Panels::ShieldingLevel;
    QPointer<QVAddFileWinCtl> self(this);
    platform::Panels::beginOpenPanel(options, this, [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->takeTemplate(result.paths.first());
        }
    });
}

void QVAddFileWinCtl::takeTemplate(const QString& path)
{
    const QVFile file(path);
    if (m_ui->checkedSpecialFile->isChecked()) {
        m_ui->inputFileType->setText(file.filename());
        m_ui->inputFileName->setText(file.filename());
    } else {
        if (qv::trim(m_ui->inputFileType->text()).isEmpty()) {
            m_ui->inputFileType->setText(file.ext().toUpper());
        }
        m_ui->inputExtension->setText(file.ext());
    }
    m_ui->labelTipSelected->setText(file.filename());
    const QSize size(QVFile::kIconSize, QVFile::kIconSize);
    saveImage(file.icon().pixmap(size).toImage());
    const QString staged = cachePath(QString());
    if (staged.isEmpty()) {
        return;
    }
    QFile::remove(staged);
    QFile::copy(path, staged);
    m_templatePath = staged;
    m_templateIsDelete = false;
    refresh();
}

void QVAddFileWinCtl::onDeleteTemplate()
{
    if (!m_templatePath.isEmpty()) {
        QFile::remove(m_templatePath);
    }
    m_templatePath.clear();
    m_templateIsDelete = true;
    refresh();
}

void QVAddFileWinCtl::onSelectApp()
{
    platform::PanelOptions options;
    options.directory = QStringLiteral("/usr/share/applications");
    options.allowedFileTypes = { QStringLiteral("desktop") };
    QPointer<QVAddFileWinCtl> self(this);
    platform::Panels::beginOpenPanel(options, this, [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->m_menuItem->setOpenFileAppName(result.paths.first());
            self->m_ui->openWithAppName->setText(applicationTitle(result.paths.first()));
        }
    });
}

void QVAddFileWinCtl::onCancel()
{
    m_answered = true;
    QDir(QVMenuManager::cacheFolder()).removeRecursively();
    qv::shut(this);
    if (cancelBlock) {
        cancelBlock();
    }
}

void QVAddFileWinCtl::onSure()
{
    QVAddFileInput input;
    input.special = m_ui->checkedSpecialFile->isChecked();
    input.fileType = m_ui->inputFileType->text();
    input.defaultName = m_ui->inputDisplayName->text();
    input.ext = m_ui->inputExtension->text();
    input.fileName = m_ui->inputFileName->text();
    const QVAddFileInput::Check check = input.check();
    if (check.problem != QVAddFileInput::Problem::None) {
        qv::showHudInfoWithStatus(this, check.message());
        return;
    }
    m_menuItem->setDisplayName(input.fileType);
    m_menuItem->setFileType(input.fileType);
    m_menuItem->setIsSpecialFile(input.special);
    m_menuItem->setFileName(input.special ? input.fileName : input.defaultName);
    // The window entry has no extension: its field only shows "-".
    if (!input.special && !isFromWindowEntry()) {
        m_menuItem->setExt(input.ext);
    }
    if (m_templateIsDelete) {
        if (const QString staged = cachePath(QString()); !staged.isEmpty()) {
            QFile::remove(QDir(QVMenuManager::fileTemplateFolder()).filePath(QFileInfo(staged).fileName()));
        }
        m_menuItem->setTemplatePath(QString());
    }
    if (!m_templatePath.isEmpty() && QFileInfo::exists(m_templatePath)) {
        m_menuItem->setTemplatePath(moveIntoTemplates(m_templatePath));
    }
    if (!m_iconPath.isEmpty() && QFileInfo::exists(m_iconPath)) {
        m_menuItem->setIconPath(moveIntoTemplates(m_iconPath));
    }
    m_answered = true;
    QDir(QVMenuManager::cacheFolder()).removeRecursively();
    qv::shut(this);
    if (addSuccessBlock) {
        addSuccessBlock(m_menuItem);
    }
}
