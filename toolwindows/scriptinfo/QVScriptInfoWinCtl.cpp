#include "toolwindows/scriptinfo/QVScriptInfoWinCtl.h"

#include "ui_QVScriptInfoWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/QVTools.h"
#include "foundation/StringExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Defaults.h"
#include "platform/System.h"
#include "platform/Terminal.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcScriptInfo, "tarsel.toolwindows.scriptinfo", QtWarningMsg)

namespace {

// The system's green and orange.
const QColor kSuccessColor(52, 199, 89);
const QColor kFailureColor(255, 149, 0);

// clang-format off
const QString kNoPermissionTip = QStringLiteral("You may not have permission to run the following commands. You can copy the commands to the %@ and run them:");
// clang-format on

platform::Defaults& sharedDefaults()
{
    return platform::Defaults::suite(platform::System::kGroupId);
}

} // namespace

QVScriptInfoWinCtl::QVScriptInfoWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Window))
    , m_ui(std::make_unique<Ui::QVScriptInfoWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_textMinimumHeight = m_ui->scriptTextView->minimumHeight();
    m_textMaximumHeight = m_ui->scriptTextView->maximumHeight();
    m_ui->cancelButton->setText(qv::localized(QStringLiteral("Cancel")));
    m_window->installEventFilter(this);
    connect(m_ui->iterm2CheckBox, &QCheckBox::clicked, this, &QVScriptInfoWinCtl::onCheckIterm2);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QVScriptInfoWinCtl::onPasteTo);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QVScriptInfoWinCtl::onCancel);
    refresh();
}

QVScriptInfoWinCtl::~QVScriptInfoWinCtl()
{
    // The window hides while it is destroyed: that is no closing the owner hears of.
    m_window->removeEventFilter(this);
}

QLabel* QVScriptInfoWinCtl::tipLabel() const
{
    return m_ui->tipLabel;
}

QPlainTextEdit* QVScriptInfoWinCtl::scriptTextView() const
{
    return m_ui->scriptTextView;
}

QCheckBox* QVScriptInfoWinCtl::iterm2CheckBox() const
{
    return m_ui->iterm2CheckBox;
}

QPushButton* QVScriptInfoWinCtl::okButton() const
{
    return m_ui->okButton;
}

QPushButton* QVScriptInfoWinCtl::cancelButton() const
{
    return m_ui->cancelButton;
}

void QVScriptInfoWinCtl::openWithTitle(const QString& title, const QString& text, bool success)
{
    m_window->setWindowTitle(title);
    // Tool windows float above the file manager's windows where the system keeps them there.
    m_window->setWindowFlag(Qt::WindowStaysOnTopHint, QVTools::isMacOS15Plus());
    m_ui->scriptTextView->setPlainText(text);
    m_success = success;
    refresh();
    if (success) {
        m_ui->scriptTextView->setFixedHeight(kSuccessTextHeight);
    } else {
        m_ui->scriptTextView->setMinimumHeight(m_textMinimumHeight);
        m_ui->scriptTextView->setMaximumHeight(m_textMaximumHeight);
    }
    qv::open(m_window.get());
}

void QVScriptInfoWinCtl::refresh()
{
    const bool iterm2 = sharedDefaults().boolValue(kITerm2Switch);
    m_ui->iterm2CheckBox->setChecked(iterm2);
    const QString terminal = iterm2 ? QStringLiteral("iTerm2") : qv::localized(QStringLiteral("Terminal"));
    QPalette palette = m_ui->tipLabel->palette();
    palette.setColor(QPalette::WindowText, m_success ? kSuccessColor : kFailureColor);
    m_ui->tipLabel->setPalette(palette);
    m_ui->tipLabel->setText(m_success ? qv::localized(QStringLiteral("The log is as follows:"))
                                      : qv::stringWithFormat(qv::localized(kNoPermissionTip), terminal));
    m_ui->okButton->setText(
        qv::stringWithFormat(QStringLiteral("%@%@"), qv::localized(QStringLiteral("Copy and Open ")), terminal));
}

void QVScriptInfoWinCtl::close()
{
    qv::shut(m_window.get());
}

bool QVScriptInfoWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Hide && !m_window->isVisible()) {
        Q_EMIT closed();
    }
    return QObject::eventFilter(watched, event);
}

void QVScriptInfoWinCtl::onCheckIterm2()
{
    if (!sharedDefaults().setValue(kITerm2Switch, m_ui->iterm2CheckBox->isChecked())) {
        qCWarning(lcScriptInfo).noquote() << QStringLiteral("Failed to store the switch. File: \"%1\". Error: \"%2\"")
                                                 .arg(sharedDefaults().filePath(), sharedDefaults().lastError());
    }
    refresh();
}

void QVScriptInfoWinCtl::onPasteTo()
{
    if (qv::isValid(m_cmd)) {
        qv::copyToPasteboard(m_cmd.trimmed());
        const bool iterm2 = sharedDefaults().boolValue(kITerm2Switch);
        // Without iTerm2 the user's own terminal opens at the Desktop (the home folder on a
        // desktop without one), where the copied command can be pasted.
        if (!(iterm2 && qv::openItem2WithFolder(m_cmd, m_folder))) {
            const QString desktop = qv::desktopPath();
            QString error;
            if (!platform::Terminal::openAt(QFileInfo(desktop).isDir() ? desktop : QDir::homePath(), false, &error)) {
                qCWarning(lcScriptInfo).noquote() << error;
            }
        }
    }
    close();
}

void QVScriptInfoWinCtl::onCancel()
{
    close();
}
