#include "toolwindows/filehash/QVFileHashWinCtl.h"

#include "ui_QVFileHashWinCtl.h"

#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "foundation/WindowExpand.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

namespace {

// The sound type of a copy.
constexpr int kSoundCopy = 3;
constexpr int kRowRole = Qt::UserRole;
constexpr int kChildRole = Qt::UserRole + 1;

const QColor kSystemGreen(52, 199, 89);
const QColor kSystemRed(255, 59, 48);

QString digestText(const QVHashRow& row)
{
    const QString value = qv::isValid(row.value) ? row.value : qv::localized(QStringLiteral("Error Common Tip"));
    return QStringLiteral("%1: %2").arg(row.title, value);
}

} // namespace

QVFileHashWinCtl::QVFileHashWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>())
    , m_ui(std::make_unique<Ui::QVFileHashWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_window->setWindowTitle(qv::localized(QStringLiteral("File Info")));
    m_window->installEventFilter(this);
    m_ui->tipLabel->hide();
    for (QCheckBox* check :
         { m_ui->md5Check, m_ui->sha1Check, m_ui->sha256Check, m_ui->sha512Check, m_ui->crc32Check }) {
        connect(check, &QCheckBox::toggled, this, &QVFileHashWinCtl::refresh);
    }
    connect(m_ui->outlineView, &QTreeWidget::itemSelectionChanged, this, &QVFileHashWinCtl::onSelectionChanged);
}

QVFileHashWinCtl::~QVFileHashWinCtl() = default;

QTreeWidget* QVFileHashWinCtl::outlineView() const
{
    return m_ui->outlineView;
}

QLabel* QVFileHashWinCtl::tipLabel() const
{
    return m_ui->tipLabel;
}

QCheckBox* QVFileHashWinCtl::checkBox(qv::FileDigestKind kind) const
{
    switch (kind) {
    case qv::FileDigestKind::MD5:
        return m_ui->md5Check;
    case qv::FileDigestKind::SHA1:
        return m_ui->sha1Check;
    case qv::FileDigestKind::SHA256:
        return m_ui->sha256Check;
    case qv::FileDigestKind::SHA512:
        return m_ui->sha512Check;
    case qv::FileDigestKind::CRC32:
        return m_ui->crc32Check;
    }
    return nullptr;
}

void QVFileHashWinCtl::openWithURLs(const QList<QUrl>& urls)
{
    qv::open(m_window.get());
    m_paths.clear();
    for (const QUrl& url : urls) {
        if (!qv::isFolder(url.toLocalFile())) {
            m_paths.append(url.toLocalFile());
        }
    }
    refresh();
}

void QVFileHashWinCtl::refresh()
{
    QVHashTable::Ticks ticks {};
    for (int kind = 0; kind < qv::kFileDigestKindCount; ++kind) {
        ticks.at(size_t(kind)) = checkBox(qv::FileDigestKind(kind))->isChecked();
    }
    const quint64 generation = ++m_generation;
    const QStringList paths = m_paths;
    QPointer<QVFileHashWinCtl> self(this);
    qv::enterBackground([self, generation, paths, ticks] {
        const QVHashTable table = QVHashTable::compute(paths, ticks);
        qv::enterForeground([self, generation, table] {
            // An older computation that ends late never replaces the rows of a newer one.
            if (self && generation == self->m_generation) {
                self->show(table);
            }
        });
    });
}

void QVFileHashWinCtl::show(const QVHashTable& table)
{
    m_tableData = table.rows;
    QTreeWidget* outline = m_ui->outlineView;
    outline->clear();
    const QColor secondary = outline->palette().color(QPalette::PlaceholderText);
    for (qsizetype i = 0; i < m_tableData.size(); ++i) {
        const QVHashRow& file = m_tableData.at(i);
        auto* fileItem = new QTreeWidgetItem(outline, { QFileInfo(file.value).fileName() });
        fileItem->setData(0, kRowRole, i);
        fileItem->setData(0, kChildRole, -1);
        for (qsizetype j = 0; j < file.children.size(); ++j) {
            auto* digestItem = new QTreeWidgetItem(fileItem, { digestText(file.children.at(j)) });
            digestItem->setForeground(0, secondary);
            digestItem->setData(0, kRowRole, i);
            digestItem->setData(0, kChildRole, j);
        }
    }
    outline->expandAll();
    if (table.equal) {
        showTip(qv::localized(QStringLiteral("Hash values are equal")), kSystemGreen);
    } else {
        showTip(qv::localized(QStringLiteral("Hash values are different")), kSystemRed);
    }
    m_ui->tipLabel->setVisible(m_tableData.size() != 1);
    Q_EMIT refreshed();
}

void QVFileHashWinCtl::showTip(const QString& text, const QColor& color)
{
    QPalette palette = m_ui->tipLabel->palette();
    palette.setColor(QPalette::WindowText, color);
    m_ui->tipLabel->setPalette(palette);
    m_ui->tipLabel->setText(text);
    m_ui->tipLabel->show();
}

void QVFileHashWinCtl::onSelectionChanged()
{
    const QList<QTreeWidgetItem*> selected = m_ui->outlineView->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const qsizetype row = selected.first()->data(0, kRowRole).toLongLong();
    const qsizetype child = selected.first()->data(0, kChildRole).toLongLong();
    if (row < 0 || row >= m_tableData.size() || child < 0 || child >= m_tableData.at(row).children.size()) {
        return;
    }
    const QVHashRow& digest = m_tableData.at(row).children.at(child);
    // A file that could not be read has no digest: there is nothing to copy.
    if (!qv::isValid(digest.value)) {
        return;
    }
    qv::copyToPasteboard(digest.value);
    if (m_soundPlayer) {
        m_soundPlayer(kSoundCopy);
    }
    showTip(qv::localized(QStringLiteral("It has copied")), kSystemGreen);
    QTimer::singleShot(1000, m_ui->tipLabel, &QWidget::hide);
}

void QVFileHashWinCtl::close()
{
    qv::shut(m_window.get());
}

bool QVFileHashWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Hide) {
        Q_EMIT closed();
    }
    return QObject::eventFilter(watched, event);
}
