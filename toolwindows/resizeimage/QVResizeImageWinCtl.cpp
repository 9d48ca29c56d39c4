#include "toolwindows/resizeimage/QVResizeImageWinCtl.h"

#include "ui_QVResizeImageWinCtl.h"

#include "foundation/WindowExpand.h"
#include "platform/Bundle.h"
#include "platform/ImageIO.h"
#include "toolwindows/resizeimage/QVResizeImageInput.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

const char* const kColumns[] = { "displayName", "width", "height" };
constexpr int kWidthTag = 1000;
constexpr int kHeightTag = 1001;

QString localizedText(const char* key)
{
    return platform::Bundle::localizedString(QLatin1String(key));
}

// The width and height cells filter their typing as the fields do; the lock never applies to
// them.
class SizeCellDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor); line != nullptr && index.column() > 0) {
            QObject::connect(line, &QLineEdit::textEdited, line, [line](const QString& text) {
                if (const QString kept = QVResizeImageInput::filtered(text); kept != text) {
                    line->setText(kept);
                }
            });
        }
        return editor;
    }
};

} // namespace

QVResizeImageWinCtl::QVResizeImageWinCtl(QVImageSizeStore store, QObject* parent)
    : QObject(parent)
    , m_store(std::move(store))
    , m_window(std::make_unique<QWidget>())
    , m_ui(std::make_unique<Ui::QVResizeImageWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_window->setWindowTitle(localizedText("Resize Image"));
    m_ui->commonLabel->setText(localizedText("Common Size"));
    m_ui->addToCommonBtn->setText(localizedText("Add to Common"));
    m_ui->okBtn->setText(localizedText("OK"));
    m_ui->widthLabel->setText(localizedText("Width") + QStringLiteral(":"));
    m_ui->heightLabel->setText(localizedText("Height") + QStringLiteral(":"));
    m_ui->tableView->setHorizontalHeaderLabels(
        { localizedText("Display Name"), localizedText("Width"), localizedText("Height") });
    m_ui->tableView->horizontalHeader()->setStretchLastSection(true);
    m_ui->tableView->setItemDelegate(new SizeCellDelegate(m_ui->tableView));
    m_ui->widthInput->setProperty("tag", kWidthTag);
    m_ui->heightInput->setProperty("tag", kHeightTag);
    m_ui->lockBtn->setProperty("tag", 0);
    m_ui->lockBtn->setIcon(platform::Bundle::iconNamed(QStringLiteral("lock")));
    m_ui->deleteBtn->setEnabled(false);
    m_ui->tableView->viewport()->setAcceptDrops(true);
    m_ui->tableView->viewport()->installEventFilter(this);

    connect(m_ui->widthInput, &QLineEdit::textEdited, this, [this] { onTextChanged(m_ui->widthInput, kWidthTag); });
    connect(m_ui->heightInput, &QLineEdit::textEdited, this, [this] { onTextChanged(m_ui->heightInput, kHeightTag); });
    connect(m_ui->lockBtn, &QPushButton::clicked, this, &QVResizeImageWinCtl::onLockAction);
    connect(m_ui->okBtn, &QPushButton::clicked, this, &QVResizeImageWinCtl::onSure);
    connect(m_ui->addToCommonBtn, &QPushButton::clicked, this, &QVResizeImageWinCtl::onAddToCommonSize);
    connect(m_ui->addBtn, &QPushButton::clicked, this, &QVResizeImageWinCtl::onAddCommonSize);
    connect(m_ui->deleteBtn, &QPushButton::clicked, this, &QVResizeImageWinCtl::onDelete);
    connect(m_ui->tableView, &QTableWidget::itemSelectionChanged, this,
            [this] { m_ui->deleteBtn->setEnabled(!m_ui->tableView->selectedItems().isEmpty()); });
    connect(m_ui->tableView, &QTableWidget::itemDoubleClicked, m_ui->tableView, &QTableWidget::editItem);
    connect(m_ui->tableView, &QTableWidget::itemChanged, this, &QVResizeImageWinCtl::onTableInfoChanged);
    refresh();
}

// The window goes first: while it closes, its table still reports to eventFilter, which reads m_ui.
QVResizeImageWinCtl::~QVResizeImageWinCtl()
{
    m_ui->tableView->viewport()->removeEventFilter(this);
    m_window.reset();
}

QLineEdit* QVResizeImageWinCtl::widthInput() const
{
    return m_ui->widthInput;
}
QLineEdit* QVResizeImageWinCtl::heightInput() const
{
    return m_ui->heightInput;
}
QPushButton* QVResizeImageWinCtl::lockBtn() const
{
    return m_ui->lockBtn;
}
QPushButton* QVResizeImageWinCtl::okBtn() const
{
    return m_ui->okBtn;
}
QPushButton* QVResizeImageWinCtl::deleteBtn() const
{
    return m_ui->deleteBtn;
}
QTableWidget* QVResizeImageWinCtl::tableView() const
{
    return m_ui->tableView;
}

void QVResizeImageWinCtl::openWithFile(const QString& path)
{
    m_window->setWindowTitle(QFileInfo(path).fileName());
    // Pixels, the unit the resize command works in; an unreadable image leaves 0 by 0.
    const QSize size = platform::ImageIO::sizeOfFile(path);
    m_orgWidth = size.isValid() ? size.width() : 0;
    m_orgHeight = size.isValid() ? size.height() : 0;
    m_ui->widthInput->setText(QString::number(m_orgWidth, 'f', 0));
    m_ui->heightInput->setText(QString::number(m_orgHeight, 'f', 0));
    m_lockTag = 1;
    onLockAction(); // starts locked
    refresh();
    qv::open(m_window.get());
    qv::moveToMouse(m_window.get());
}

void QVResizeImageWinCtl::refresh()
{
    m_tableData = m_store.load ? m_store.load() : QVariantList();
    reload();
}

void QVResizeImageWinCtl::reload()
{
    m_reloading = true;
    m_ui->tableView->setRowCount(int(m_tableData.size()));
    for (int row = 0; row < m_tableData.size(); ++row) {
        const QVariantMap entry = m_tableData.at(row).toMap();
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(entry.value(QLatin1String(kColumns[column])).toString());
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            m_ui->tableView->setItem(row, column, item);
        }
    }
    m_reloading = false;
}

void QVResizeImageWinCtl::close()
{
    qv::shut(m_window.get());
}

void QVResizeImageWinCtl::onSure()
{
    const QString width = m_ui->widthInput->text();
    const QString height = m_ui->heightInput->text();
    // "0", ".", "1e400" or a text that reads as nothing would reach the resize as 0, inf or NaN.
    if (!QVResizeImageInput::isAcceptable(width) || !QVResizeImageInput::isAcceptable(height)) {
        return;
    }
    if (m_sureBlock) {
        m_sureBlock(QVResizeImageInput::value(width), QVResizeImageInput::value(height));
    }
    close();
}

void QVResizeImageWinCtl::onLockAction()
{
    m_lockTag = m_lockTag == 0 ? 1 : 0;
    m_ui->lockBtn->setProperty("tag", m_lockTag);
    m_ui->lockBtn->setIcon(
        platform::Bundle::iconNamed(m_lockTag == 1 ? QStringLiteral("unlock") : QStringLiteral("lock")));
}

void QVResizeImageWinCtl::onTextChanged(QLineEdit* edit, int tag)
{
    if (const QString kept = QVResizeImageInput::filtered(edit->text()); kept != edit->text()) {
        edit->setText(kept);
    }
    if (m_lockTag != 0) {
        return;
    }
    const bool width = tag == kWidthTag;
    QLineEdit* other = width ? m_ui->heightInput : m_ui->widthInput;
    const std::optional<QString> value = width ? QVResizeImageInput::counterpart(edit->text(), m_orgWidth, m_orgHeight)
                                               : QVResizeImageInput::counterpart(edit->text(), m_orgHeight, m_orgWidth);
    if (value) {
        other->setText(*value);
    }
}

void QVResizeImageWinCtl::onAddToCommonSize()
{
    const QString width = m_ui->widthInput->text();
    const QString height = m_ui->heightInput->text();
    m_tableData.append(QVariantMap { { QStringLiteral("displayName"), QVResizeImageInput::displayName(width, height) },
                                     { QStringLiteral("width"), width },
                                     { QStringLiteral("height"), height } });
    updateLocalSizes();
}

void QVResizeImageWinCtl::onAddCommonSize()
{
    m_tableData.append(QVariantMap { { QStringLiteral("displayName"),
                                       QVResizeImageInput::displayName(QStringLiteral("100"), QStringLiteral("100")) },
                                     { QStringLiteral("width"), QStringLiteral("100") },
                                     { QStringLiteral("height"), QStringLiteral("100") } });
    reload();
    const int last = m_ui->tableView->rowCount() - 1;
    m_ui->tableView->editItem(m_ui->tableView->item(last, 0));
}

void QVResizeImageWinCtl::onDelete()
{
    const int row = m_ui->tableView->currentRow();
    if (m_ui->tableView->selectedItems().isEmpty() || row < 0 || row >= m_tableData.size()) {
        return;
    }
    m_tableData.removeAt(row);
    updateLocalSizes();
    m_ui->tableView->clearSelection();
    m_ui->deleteBtn->setEnabled(false);
}

void QVResizeImageWinCtl::updateLocalSizes()
{
    if (m_store.save) {
        m_store.save(m_tableData);
    }
    reload();
}

void QVResizeImageWinCtl::onTableInfoChanged(QTableWidgetItem* item)
{
    // The edit belongs to the row of the cell that sent it, whatever row was selected or
    // chosen for editing before (the selection may have moved while the editor was open).
    if (m_reloading || item == nullptr || item->row() < 0 || item->row() >= m_tableData.size()) {
        return;
    }
    QVariantMap entry = m_tableData.at(item->row()).toMap();
    entry.insert(QLatin1String(kColumns[item->column()]), item->text());
    m_tableData[item->row()] = entry;
    if (m_store.save) {
        m_store.save(m_tableData);
    }
}

bool QVResizeImageWinCtl::canDrop(const QMimeData* data, const QObject* source, int dropRow) const
{
    if (data == nullptr || source != m_ui->tableView || !data->hasText()) {
        return false;
    }
    bool ok = false;
    const qlonglong from = data->text().toLongLong(&ok);
    return ok && from >= 0 && from < m_tableData.size() && dropRow >= 0 && dropRow <= m_tableData.size();
}

bool QVResizeImageWinCtl::dropRow(const QMimeData* data, const QObject* source, int dropRow)
{
    if (!canDrop(data, source, dropRow)) {
        return false;
    }
    const int from = data->text().toInt();
    const bool moved = dropRow != from && dropRow != from + 1 && m_store.move && m_store.move(from, dropRow);
    refresh();
    return moved;
}

int QVResizeImageWinCtl::dropRowAt(int y) const
{
    const int row = m_ui->tableView->rowAt(y);
    if (row < 0) {
        return int(m_tableData.size());
    }
    const int top = m_ui->tableView->rowViewportPosition(row);
    const int height = m_ui->tableView->rowHeight(row);
    if (y - top < height / 3) {
        return row;
    }
    if (top + height - y < height / 3) {
        return row + 1;
    }
    return -1; // onto the row itself
}

bool QVResizeImageWinCtl::dragEvent(QEvent* event)
{
    auto* drop = static_cast<QDropEvent*>(event);
    const int row = dropRowAt(drop->position().toPoint().y());
    if (event->type() == QEvent::Drop ? dropRow(drop->mimeData(), drop->source(), row)
                                      : canDrop(drop->mimeData(), drop->source(), row)) {
        drop->acceptProposedAction();
    } else {
        drop->ignore();
    }
    return true;
}

bool QVResizeImageWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_ui->tableView->viewport()) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return dragEvent(event);
    case QEvent::MouseButtonPress:
        m_pressRow = m_ui->tableView->rowAt(static_cast<QMouseEvent*>(event)->position().toPoint().y());
        return false;
    case QEvent::MouseMove:
        if (m_pressRow >= 0 && (static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton)) {
            // The dragged row travels as its index, which only this table's drop reads back.
            auto* drag = new QDrag(m_ui->tableView);
            auto* data = new QMimeData;
            data->setText(QString::number(m_pressRow));
            drag->setMimeData(data);
            m_pressRow = -1;
            drag->exec(Qt::MoveAction);
            return true;
        }
        return false;
    default:
        return false;
    }
}
