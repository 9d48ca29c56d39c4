#include "toolwindows/embedfolder/QVEmbedFolderWinCtl.h"

#include "ui_QVEmbedFolderWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/QVNameDialogs.h"
#include "foundation/WindowExpand.h"
#include "platform/System.h"

#include <QCloseEvent>

QVEmbedFolderWinCtl::QVEmbedFolderWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Dialog))
    , m_ui(std::make_unique<Ui::QVEmbedFolderWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_window->setWindowTitle(qv::localized(QStringLiteral("Embed in Folder")));
    m_ui->foldIntoInput->setPlaceholderText(qv::localized(QStringLiteral("Fold Into Input Placeholder")));
    m_ui->cancelButton->setText(qv::localized(QStringLiteral("Cancel")));
    m_ui->okButton->setText(qv::localized(QStringLiteral("OK")));
    m_ui->foldIntoLabel->setText(qv::localized(QStringLiteral("Fold Into")) + QStringLiteral(":"));
    m_ui->modeLabel->setText(qv::localized(QStringLiteral("Mode")) + QStringLiteral(":"));
    m_ui->modePupUpButton->addItem(qv::localized(QStringLiteral("Not classified")), 0);
    m_ui->modePupUpButton->addItem(qv::localized(QStringLiteral("Classify by file extension")), 1);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QVEmbedFolderWinCtl::onSure);
    connect(m_ui->foldIntoInput, &QLineEdit::returnPressed, this, &QVEmbedFolderWinCtl::onSure);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QVEmbedFolderWinCtl::onCancel);
    m_window->installEventFilter(this);
}

QVEmbedFolderWinCtl::~QVEmbedFolderWinCtl() = default;

QLineEdit* QVEmbedFolderWinCtl::foldIntoInput() const
{
    return m_ui->foldIntoInput;
}

QComboBox* QVEmbedFolderWinCtl::modePupUpButton() const
{
    return m_ui->modePupUpButton;
}

QPushButton* QVEmbedFolderWinCtl::okButton() const
{
    return m_ui->okButton;
}

QPushButton* QVEmbedFolderWinCtl::cancelButton() const
{
    return m_ui->cancelButton;
}

void QVEmbedFolderWinCtl::openWithName(const QString& name)
{
    m_ui->foldIntoInput->setText(name);
    m_ui->foldIntoInput->selectAll();
    m_window->setWindowFlag(Qt::WindowStaysOnTopHint, platform::System::majorVersion() >= 15);
    qv::moveToMouse(m_window.get());
    qv::open(m_window.get());
}

void QVEmbedFolderWinCtl::close()
{
    qv::shut(m_window.get());
}

void QVEmbedFolderWinCtl::answer(const QString& name, int mode)
{
    // Once only: closing the window after an answer must not answer again.
    const Handler handler = std::move(m_handler);
    m_handler = nullptr;
    if (handler) {
        handler(name, mode);
    }
}

void QVEmbedFolderWinCtl::onSure()
{
    const QString name = m_ui->foldIntoInput->text();
    if (!QVNameDialogs::isFolderName(name)) {
        return;
    }
    answer(name, m_ui->modePupUpButton->currentData().toInt());
    close();
}

void QVEmbedFolderWinCtl::onCancel()
{
    answer(QString(), 0);
    close();
}

bool QVEmbedFolderWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        answer(QString(), 0);
    }
    return QObject::eventFilter(watched, event);
}
