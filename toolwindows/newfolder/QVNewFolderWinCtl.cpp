#include "toolwindows/newfolder/QVNewFolderWinCtl.h"

#include "ui_QVNewFolderWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/QVNameDialogs.h"
#include "foundation/WindowExpand.h"
#include "platform/System.h"

#include <QCloseEvent>

QVNewFolderWinCtl::QVNewFolderWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Dialog))
    , m_ui(std::make_unique<Ui::QVNewFolderWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_window->setWindowTitle(qv::localized(QStringLiteral("New Folder")));
    m_ui->nameInput->setPlaceholderText(qv::localized(QStringLiteral("Fold Into Input Placeholder")));
    m_ui->cancelButton->setText(qv::localized(QStringLiteral("Cancel")));
    m_ui->okButton->setText(qv::localized(QStringLiteral("OK")));
    connect(m_ui->okButton, &QPushButton::clicked, this, &QVNewFolderWinCtl::onSure);
    connect(m_ui->nameInput, &QLineEdit::returnPressed, this, &QVNewFolderWinCtl::onSure);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QVNewFolderWinCtl::onCancel);
    m_window->installEventFilter(this);
}

QVNewFolderWinCtl::~QVNewFolderWinCtl() = default;

QLineEdit* QVNewFolderWinCtl::nameInput() const
{
    return m_ui->nameInput;
}

QPushButton* QVNewFolderWinCtl::okButton() const
{
    return m_ui->okButton;
}

QPushButton* QVNewFolderWinCtl::cancelButton() const
{
    return m_ui->cancelButton;
}

void QVNewFolderWinCtl::open(const QString& name)
{
    m_ui->nameInput->setText(name);
    m_ui->nameInput->selectAll();
    m_window->setWindowFlag(Qt::WindowStaysOnTopHint, platform::System::majorVersion() >= 15);
    qv::moveToMouse(m_window.get());
    qv::open(m_window.get());
}

void QVNewFolderWinCtl::close()
{
    qv::shut(m_window.get());
}

void QVNewFolderWinCtl::answer(const QString& name)
{
    // Once only: closing the window after an answer must not answer again.
    const Handler handler = std::move(m_handler);
    m_handler = nullptr;
    if (handler) {
        handler(name);
    }
}

void QVNewFolderWinCtl::onSure()
{
    const QString name = m_ui->nameInput->text();
    if (!QVNameDialogs::isFolderName(name)) {
        return;
    }
    answer(name);
    close();
}

void QVNewFolderWinCtl::onCancel()
{
    answer(QString());
    close();
}

bool QVNewFolderWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        answer(QString());
    }
    return QObject::eventFilter(watched, event);
}
