#include "toolwindows/fixname/QVFixNameWinCtl.h"

#include "ui_QVFixNameWinCtl.h"

#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVDragView.h"
#include "foundation/StringExpandText.h"
#include "foundation/WindowExpand.h"
#include "platform/FileOps.h"
#include "platform/Panels.h"
#include "platform/RealPath.h"

#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QSet>

#include <utility>

Q_LOGGING_CATEGORY(lcFixName, "tarsel.toolwindows.fixname", QtWarningMsg)

namespace {

constexpr int kSoundError = 4;
constexpr int kSoundDone = 5;

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

// The folder and the name of an absolute path, as bytes.
std::pair<QByteArray, QByteArray> splitPath(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return { slash <= 0 ? QByteArray("/") : path.left(slash), path.mid(slash + 1) };
}

QString failedRename(const QString& path, const QString& why)
{
    return QStringLiteral("Failed to rename the file. File: \"%1\". Error: \"%2\"").arg(path, why);
}

// The reason inside a "Failed to ... Error: "why"" message of the file operations.
QString reasonOf(const QString& message)
{
    const QString marker = QStringLiteral("Error: \"");
    const qsizetype at = message.lastIndexOf(marker);
    if (at < 0 || !message.endsWith(QLatin1Char('"'))) {
        return message;
    }
    const qsizetype from = at + marker.size();
    return message.mid(from, message.size() - 1 - from);
}

} // namespace

QVFixNameWinCtl::QVFixNameWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QVDragView>())
    , m_ui(std::make_unique<Ui::QVFixNameWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_window->setWindowTitle(qv::localized(QStringLiteral("Fixing Garbled Names")));
    m_window->installEventFilter(this);
    m_window->setAny(true);
    m_window->setChooseFilesHandler([this](const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        openWithURLs(urls);
    });
    m_ui->tableView->setHorizontalHeaderLabels(
        { qv::localized(QStringLiteral("Original File Name")), qv::localized(QStringLiteral("Restored File Name")) });
    m_ui->tableView->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_ui->addBtn->setText(qv::localized(QStringLiteral("Add Files")));
    m_ui->deleteBtn->setText(qv::localized(QStringLiteral("Remove")));
    m_ui->deleteBtn->setEnabled(false);
    m_ui->clearBtn->setText(qv::localized(QStringLiteral("Clear")));
    m_ui->okBtn->setText(qv::localized(QStringLiteral("One-click Recover")));
    m_ui->okBtn->setStyleSheet(
        QStringLiteral("QPushButton { background-color: rgb(230, 212, 221); border-radius: 5px; padding: 4px 12px; }"));
    connect(m_ui->addBtn, &QPushButton::clicked, this, &QVFixNameWinCtl::onAddFiles);
    connect(m_ui->deleteBtn, &QPushButton::clicked, this, &QVFixNameWinCtl::onDelete);
    connect(m_ui->clearBtn, &QPushButton::clicked, this, &QVFixNameWinCtl::onClear);
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QVFixNameWinCtl::onSure);
    connect(m_ui->tableView, &QTableWidget::itemSelectionChanged, this, &QVFixNameWinCtl::onSelectionChanged);
}

QVFixNameWinCtl::~QVFixNameWinCtl() = default;

QWidget* QVFixNameWinCtl::window() const
{
    return m_window.get();
}

QTableWidget* QVFixNameWinCtl::tableView() const
{
    return m_ui->tableView;
}

QPushButton* QVFixNameWinCtl::deleteBtn() const
{
    return m_ui->deleteBtn;
}

QPushButton* QVFixNameWinCtl::clearBtn() const
{
    return m_ui->clearBtn;
}

QPushButton* QVFixNameWinCtl::okBtn() const
{
    return m_ui->okBtn;
}

QPushButton* QVFixNameWinCtl::addBtn() const
{
    return m_ui->addBtn;
}

void QVFixNameWinCtl::openWithURLs(const QList<QUrl>& urls)
{
    qv::open(m_window.get());
    for (const QUrl& url : urls) {
        const QByteArray bytes = url.isLocalFile() ? platform::realpath::pathOfFileUrl(url) : QByteArray();
        const bool known = std::any_of(m_tableData.cbegin(), m_tableData.cend(),
                                       [&bytes](const QVFixInfo& row) { return row.bytes == bytes; });
        if (!bytes.startsWith('/') || known) {
            continue;
        }
        QVFixInfo row;
        row.bytes = bytes;
        row.path = QFile::decodeName(bytes);
        const QByteArray name = splitPath(bytes).second;
        row.fixDictArray = platform::realpath::decodesExactly(name)
            ? QVFixNameParser::parseMessyText(QFile::decodeName(name))
            : QVFixNameParser::candidatesOfBytes(name);
        row.curDict = row.fixDictArray.isEmpty() ? -1 : 0;
        m_tableData.append(row);
    }
    reloadData();
}

void QVFixNameWinCtl::reloadData()
{
    QTableWidget* table = m_ui->tableView;
    table->clearContents();
    table->setRowCount(int(m_tableData.size()));
    for (int i = 0; i < table->rowCount(); ++i) {
        const QVFixInfo& row = m_tableData.at(i);
        table->setItem(i, 0, new QTableWidgetItem(QFile::decodeName(splitPath(row.bytes).second)));
        auto* popUp = new QComboBox(table);
        popUp->setObjectName(QStringLiteral("fixPopUpButton"));
        for (const QVFixCandidate& candidate : row.fixDictArray) {
            popUp->addItem(candidate.text);
        }
        popUp->setCurrentIndex(int(row.curDict));
        // The row index goes with the pop-up: each change lands in the row it was made in.
        connect(popUp, &QComboBox::activated, this, [this, i](int index) {
            if (i < m_tableData.size() && index >= 0 && index < m_tableData.at(i).fixDictArray.size()) {
                m_tableData[i].curDict = index;
            }
        });
        table->setCellWidget(i, 1, popUp);
    }
}

void QVFixNameWinCtl::onSelectionChanged()
{
    const QList<QTableWidgetItem*> selected = m_ui->tableView->selectedItems();
    m_selectRow = selected.isEmpty() ? -1 : selected.first()->row();
    m_ui->deleteBtn->setEnabled(m_selectRow >= 0);
}

void QVFixNameWinCtl::onAddFiles()
{
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = false;
    options.allowsMultipleSelection = true;
    options.level = platform::Panels::ShieldingLevel;
    platform::Panels::beginOpenPanel(options, m_window.get(), [this](const platform::PanelResult& result) {
        if (!result.isOK()) {
            return;
        }
        QList<QUrl> urls;
        for (const QString& path : result.paths) {
            urls << QUrl::fromLocalFile(path);
        }
        openWithURLs(urls);
    });
}

void QVFixNameWinCtl::onDelete()
{
    if (m_selectRow >= 0 && m_selectRow < m_tableData.size()) {
        m_tableData.removeAt(m_selectRow);
    }
    m_selectRow = -1;
    reloadData();
    m_ui->deleteBtn->setEnabled(false);
}

void QVFixNameWinCtl::onClear()
{
    m_selectRow = -1;
    m_ui->deleteBtn->setEnabled(false);
    m_tableData.clear();
    reloadData();
}

void QVFixNameWinCtl::onSure()
{
    if (m_tableData.isEmpty()) {
        return;
    }
    // Every file stays in its own folder, so each folder is asked for on its own.
    QSet<QString> refused;
    QSet<QString> asked;
    for (const QVFixInfo& row : std::as_const(m_tableData)) {
        const QString folder = folderOf(row.path);
        if (!asked.contains(folder)) {
            asked.insert(folder);
            QVCheckPermit::checkPermitWithPath(
                folder, [] {}, [&refused, folder] { refused.insert(folder); });
        }
    }
    QList<QVFixInfo> kept;
    QStringList failures;
    for (const QVFixInfo& row : std::as_const(m_tableData)) {
        const QString folder = folderOf(row.path);
        if (refused.contains(folder)) {
            kept.append(row);
            failures << failedRename(row.path, QStringLiteral("access to its folder was refused"));
            continue;
        }
        if (row.curDict < 0 || row.curDict >= row.fixDictArray.size()) {
            continue;
        }
        const auto [parent, name] = splitPath(row.bytes);
        const QByteArray newName = row.fixDictArray.at(row.curDict).text.toUtf8();
        if (newName == name) {
            continue;
        }
        // A dropped or added item may be any folder: the root, the home and the system folders
        // keep their names.
        QString error = qv::isProtectedFolder(row.path) ? qv::protectedFolderReason() : QString();
        if (error.isEmpty() && !platform::FileOps::renameEntryNoReplace(parent, name, newName, &error)) {
            error = reasonOf(error);
        }
        if (!error.isEmpty()) {
            // The row stays as it was, its choice included, so the user sees what is left.
            kept.append(row);
            failures << failedRename(row.path, error);
        }
    }
    m_tableData = kept;
    m_selectRow = -1;
    reloadData();
    if (!kept.isEmpty()) {
        play(kSoundError);
        const QString message = failures.join(QLatin1Char('\n'));
        qCWarning(lcFixName).noquote() << message;
        qv::alertWithMsg(message, m_window.get());
        return;
    }
    close();
    play(kSoundDone);
    if (m_sureBlock) {
        m_sureBlock();
    }
}

void QVFixNameWinCtl::play(int type) const
{
    if (m_soundPlayer) {
        m_soundPlayer(type);
    }
}

void QVFixNameWinCtl::close()
{
    qv::shut(m_window.get());
}

bool QVFixNameWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Hide) {
        Q_EMIT closed();
    }
    return QObject::eventFilter(watched, event);
}
