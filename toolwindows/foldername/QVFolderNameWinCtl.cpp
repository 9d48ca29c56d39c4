#include "toolwindows/foldername/QVFolderNameWinCtl.h"

#include "ui_QVFolderNameWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/QVNameDialogs.h"
#include "foundation/WindowExpand.h"
#include "platform/System.h"

#include <QCloseEvent>

QVFolderNameWinCtl::QVFolderNameWinCtl(bool withMode, QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Dialog))
    , m_ui(std::make_unique<Ui::QVFolderNameWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_ui->foldIntoInput->setPlaceholderText(qv::localized(QStringLiteral("Fold Into Input Placeholder")));
    m_ui->cancelButton->setText(qv::localized(QStringLiteral("Cancel")));
    m_ui->okButton->setText(qv::localized(QStringLiteral("OK")));
    if (withMode) {
        m_window->setObjectName(QStringLiteral("QVEmbedFolderWinCtl"));
        m_window->setWindowTitle(qv::localized(QStringLiteral("Embed in Folder")));
        m_ui->foldIntoLabel->setText(qv::localized(QStringLiteral("Fold Into")) + QStringLiteral(":"));
        m_ui->modeLabel->setText(qv::localized(QStringLiteral("Mode")) + QStringLiteral(":"));
        m_ui->modePupUpButton->addItem(qv::localized(QStringLiteral("Not classified")), 0);
        m_ui->modePupUpButton->addItem(qv::localized(QStringLiteral("Classify by file extension")), 1);
    } else {
        m_window->setObjectName(QStringLiteral("QVNewFolderWinCtl"));
        m_window->setWindowTitle(qv::localized(QStringLiteral("New Folder")));
        m_ui->foldIntoInput->setObjectName(QStringLiteral("nameInput"));
        for (QWidget* row : { static_cast<QWidget*>(m_ui->foldIntoLabel), static_cast<QWidget*>(m_ui->modeLabel),
                              static_cast<QWidget*>(m_ui->modePupUpButton) }) {
            row->hide();
        }
        m_window->resize(320, 100);
    }
    connect(m_ui->okButton, &QPushButton::clicked, this, &QVFolderNameWinCtl::onSure);
    connect(m_ui->foldIntoInput, &QLineEdit::returnPressed, this, &QVFolderNameWinCtl::onSure);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QVFolderNameWinCtl::onCancel);
    m_window->installEventFilter(this);
}

QVFolderNameWinCtl::~QVFolderNameWinCtl() = default;

QLineEdit* QVFolderNameWinCtl::nameField() const
{
    return m_ui->foldIntoInput;
}

QComboBox* QVFolderNameWinCtl::modeButton() const
{
    return m_ui->modePupUpButton;
}

QPushButton* QVFolderNameWinCtl::okButton() const
{
    return m_ui->okButton;
}

QPushButton* QVFolderNameWinCtl::cancelButton() const
{
    return m_ui->cancelButton;
}

void QVFolderNameWinCtl::openWithDefault(const QString& name)
{
    m_ui->foldIntoInput->setText(name);
    m_ui->foldIntoInput->selectAll();
    m_window->setWindowFlag(Qt::WindowStaysOnTopHint, platform::System::majorVersion() >= 15);
    qv::moveToMouse(m_window.get());
    qv::open(m_window.get());
}

void QVFolderNameWinCtl::close()
{
    qv::shut(m_window.get());
}

void QVFolderNameWinCtl::answer(const QString& name, int mode)
{
    // Once only: closing the window after an answer must not answer again.
    const Handler handler = std::move(m_handler);
    m_handler = nullptr;
    if (handler) {
        handler(name, mode);
    }
}

void QVFolderNameWinCtl::onSure()
{
    const QString name = m_ui->foldIntoInput->text();
    if (!QVNameDialogs::isFolderName(name)) {
        return;
    }
    answer(name, m_ui->modePupUpButton->currentData().toInt());
    close();
}

void QVFolderNameWinCtl::onCancel()
{
    answer(QString(), 0);
    close();
}

bool QVFolderNameWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        answer(QString(), 0);
    }
    return QObject::eventFilter(watched, event);
}
