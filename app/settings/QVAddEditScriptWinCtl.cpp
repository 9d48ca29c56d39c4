#include "app/settings/QVAddEditScriptWinCtl.h"

#include "app/settings/QVEditAppConfigWinCtl.h"
#include "app/settings/QVScriptHelpViewCtl.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/StringExpand.h"
#include "foundation/ViewExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Bundle.h"
#include "platform/Panels.h"

#include "ui_QVAddEditScriptWinCtl.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

const QString kShellIcon = QStringLiteral("shell");
const QString kAppleScriptIcon = QStringLiteral("applescript");

} // namespace

QVAddEditScriptWinCtl::QVAddEditScriptWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVAddEditScriptWinCtl>())
{
    m_ui->setupUi(this);
    auto* segment = new QButtonGroup(this);
    segment->addButton(m_ui->shellButton, 0);
    segment->addButton(m_ui->appleScriptButton, 1);
    m_ui->shellButton->setChecked(true);
    m_ui->fileCheck->setChecked(false);
    m_ui->folderCheck->setChecked(false);
    m_ui->nameInput->setPlaceholderText(qv::localized(QStringLiteral("Please enter a script name")));
    m_ui->nameLabel->setText(qv::localized(QStringLiteral("Script Name")) + QLatin1Char(':'));
    m_ui->contentLabel->setText(qv::localized(QStringLiteral("Script Content")) + QLatin1Char(':'));
    m_ui->iconLabel->setText(qv::localized(QStringLiteral("Script Icon")) + QLatin1Char(':'));
    m_ui->formatLabel->setText(qv::localized(QStringLiteral("Formats")) + QLatin1Char(':'));
    m_ui->contentTextView->setPlaceholder(qv::localized(QStringLiteral("Script Content Placeholder")));
    m_ui->iconTipLabel->setText(qv::localized(QStringLiteral("Modify Icon Tip")));
    m_ui->fileCheck->setText(qv::localized(QStringLiteral("Need Select File Check")));
    m_ui->folderCheck->setText(qv::localized(QStringLiteral("Need Select Folder Check")));
    m_ui->formatTipLabel->setText(qv::localized(QStringLiteral("Format Input Tip")));
    m_ui->formatInput->setPlaceholderText(qv::localized(QStringLiteral("Format Input Placeholder")));
    m_ui->okBtn->setText(qv::localized(QStringLiteral("OK")));
    m_ui->cancelBtn->setText(qv::localized(QStringLiteral("Cancel")));
    // A script is code: a tab is part of it, not a way to the next field.
    m_ui->contentTextView->setTabChangesFocus(false);
    m_ui->contentTextView->setLineWrapMode(QTextEdit::NoWrap);
    QFont mono = QFont(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::Monospace);
    m_ui->contentTextView->setFont(mono);
    connect(segment, &QButtonGroup::idClicked, this, &QVAddEditScriptWinCtl::onSegmentChanged);
    connect(m_ui->fileCheck, &QCheckBox::clicked, this, &QVAddEditScriptWinCtl::onFileCheckAction);
    connect(m_ui->iconButton, &QPushButton::clicked, this, &QVAddEditScriptWinCtl::onSelectIcon);
    connect(m_ui->helpButton, &QToolButton::clicked, this, &QVAddEditScriptWinCtl::onHelpAction);
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QVAddEditScriptWinCtl::onSure);
    connect(m_ui->cancelBtn, &QPushButton::clicked, this, &QVAddEditScriptWinCtl::onCancel);
}

QVAddEditScriptWinCtl::~QVAddEditScriptWinCtl() = default;

bool QVAddEditScriptWinCtl::isAppleScript() const
{
    return m_ui->appleScriptButton->isChecked();
}

void QVAddEditScriptWinCtl::showIcon(const QImage& image)
{
    m_ui->iconButton->setIcon(QIcon(QPixmap::fromImage(image)));
}

void QVAddEditScriptWinCtl::editWithItem(const QVMenuItemPtr& item)
{
    m_isAdd = !qv::isValid(item->key());
    m_key = m_isAdd ? qv::uuid() : item->key();
    (item->ext() == QLatin1String("scpt") ? m_ui->appleScriptButton : m_ui->shellButton)->setChecked(true);
    m_ui->fileCheck->setChecked(item->isNeedFile());
    m_ui->folderCheck->setChecked(item->isNeedFolder());
    m_ui->formatInput->setText(item->formats().join(QLatin1Char(',')));
    m_ui->formatInput->setEnabled(item->isNeedFile());
    m_ui->nameInput->setText(m_isAdd ? QString() : item->menuTitle());
    m_loadedScript = item->script();
    m_ui->contentTextView->setPlainText(m_loadedScript);
    m_ui->contentTextView->document()->setModified(false);
    m_iconPath = item->iconPath();
    m_icon = qv::isValid(item->icon()) ? item->icon() : kShellIcon;
    const QImage image = item->menuIcon();
    showIcon(!image.isNull() ? image : platform::Bundle::imageNamed(m_icon));
    m_ui->nameInput->setFocus();
}

QString QVAddEditScriptWinCtl::scriptText() const
{
    const QTextDocument* document = m_ui->contentTextView->document();
    if (!document->isModified()) {
        return m_loadedScript;
    }
    // The raw text, not the plain text: that one would turn non-breaking spaces into spaces.
    QString text = document->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

void QVAddEditScriptWinCtl::onFileCheckAction()
{
    const bool on = m_ui->fileCheck->isChecked();
    m_ui->formatInput->setEnabled(on);
    if (!on) {
        m_ui->formatInput->clear();
    }
}

void QVAddEditScriptWinCtl::onSegmentChanged()
{
    const bool custom = qv::isValid(m_iconPath) && QFileInfo::exists(m_iconPath);
    if (custom || (m_icon != kShellIcon && m_icon != kAppleScriptIcon)) {
        return;
    }
    m_icon = isAppleScript() ? kAppleScriptIcon : kShellIcon;
    showIcon(platform::Bundle::imageNamed(m_icon));
}

void QVAddEditScriptWinCtl::onSelectIcon()
{
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = false;
    options.allowedFileTypes
        = { QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jp2"),
            QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("gif"),  QStringLiteral("webp") };
    options.level = platform::Panels::ShieldingLevel;
    QPointer<QVAddEditScriptWinCtl> self(this);
    platform::Panels::beginOpenPanel(options, this, [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->saveImage(QImage(result.paths.first()));
        }
    });
}

bool QVAddEditScriptWinCtl::saveImage(const QImage& image)
{
    if (image.isNull()) {
        return false;
    }
    const QImage icon = qv::imageWithSize(image, QSize(60, 60));
    const QString path = QDir(QVMenuManager::cacheFolder()).filePath(m_key + QStringLiteral(".png"));
    if (!qv::saveImageType(icon, platform::ImageIO::Format::Png, path)) {
        return false;
    }
    m_iconPath = path;
    showIcon(icon);
    return true;
}

namespace {

// A popover under the anchor, centred on it, kept inside the screen's area: above the anchor
// when there is no room below, and moved in from an edge it would cross.
QPoint popoverOrigin(const QRect& anchor, const QSize& size, const QRect& area)
{
    int y = anchor.bottom() + 1;
    if (y + size.height() > area.bottom() + 1 && anchor.top() - size.height() >= area.top()) {
        y = anchor.top() - size.height();
    }
    const int x = anchor.center().x() - size.width() / 2;
    return { qBound(area.left(), x, qMax(area.left(), area.right() + 1 - size.width())),
             qBound(area.top(), y, qMax(area.top(), area.bottom() + 1 - size.height())) };
}

} // namespace

void QVAddEditScriptWinCtl::onHelpAction()
{
    if (m_helpPopup == nullptr) {
        m_helpPopup = new QWidget(this, Qt::Popup);
        m_helpPopup->setObjectName(QStringLiteral("helpPopup"));
        auto* layout = new QVBoxLayout(m_helpPopup);
        m_helpViewCtl = new QVScriptHelpViewCtl(m_helpPopup);
        layout->addWidget(m_helpViewCtl);
        m_helpPopup->resize(m_helpPopup->sizeHint().expandedTo(m_helpViewCtl->size()));
    }
    QToolButton* button = m_ui->helpButton;
    const QRect anchor(button->mapToGlobal(QPoint(0, 0)), button->size());
    QScreen* screen = button->screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(anchor.topLeft(), m_helpPopup->size());
    m_helpPopup->resize(m_helpPopup->size().boundedTo(area.size()));
    m_helpPopup->move(popoverOrigin(anchor, m_helpPopup->size(), area));
    m_helpPopup->show();
}

void QVAddEditScriptWinCtl::onSure()
{
    const QString name = m_ui->nameInput->text();
    const QString script = scriptText();
    QString failure;
    if (!qv::isValid(name)) {
        failure = QStringLiteral("Please enter a script name");
    } else if (!qv::isValid(script)) {
        failure = QStringLiteral("Please enter the script content");
    } else if (name.size() > kNameLimit) {
        failure = QStringLiteral("The name cannot exceed 30 characters");
    }
    if (!failure.isEmpty()) {
        qv::showHudInfoWithStatus(this, qv::localized(failure));
        return;
    }
    QString iconPath;
    if (qv::isValid(m_iconPath) && QFileInfo::exists(m_iconPath)) {
        iconPath = QDir(QVMenuManager::fileTemplateFolder()).filePath(QFileInfo(m_iconPath).fileName());
        if (QFileInfo(m_iconPath).absolutePath() == QFileInfo(QVMenuManager::cacheFolder()).absoluteFilePath()) {
            QFile::remove(iconPath);
            QFile::rename(m_iconPath, iconPath);
        }
    }
    QVariantMap entry { { QStringLiteral("key"), m_key },
                        { QStringLiteral("displayName"), name },
                        { QStringLiteral("script"), script },
                        { QStringLiteral("ext"), isAppleScript() ? QStringLiteral("scpt") : QStringLiteral("sh") },
                        { QStringLiteral("icon"), m_icon },
                        { QStringLiteral("iconPath"), QFileInfo::exists(iconPath) ? iconPath : QString() },
                        { QStringLiteral("formats"), QVEditAppConfigWinCtl::storedFormats(m_ui->formatInput->text()) },
                        { QStringLiteral("needFolder"), m_ui->folderCheck->isChecked() ? 1 : 0 },
                        { QStringLiteral("needFile"), m_ui->fileCheck->isChecked() ? 1 : 0 } };
    if (m_isAdd) {
        entry.insert(QStringLiteral("createTime"),
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    const auto block = addEditSuccessBlock;
    onCancel();
    if (block) {
        block(entry);
    }
}

void QVAddEditScriptWinCtl::onCancel()
{
    QDir(QVMenuManager::cacheFolder()).removeRecursively();
    qv::shut(this);
}
