#pragma once

#include <QObject>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

class QLineEdit;
class QMimeData;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class QWidget;

namespace Ui {
class QVResizeImageWinCtl;
}

/// Where the window keeps the common sizes ("array image size" of the shared defaults): the
/// owner installs it, a test hands the window its own.
struct QVImageSizeStore
{
    std::function<QVariantList()> load;
    std::function<void(const QVariantList& sizes)> save;
    /// Moves one entry of the stored list before the entry at `before` (the list's size for the
    /// end); false when an index is out of range.
    std::function<bool(int from, int before)> move;
};

/// The "Resize Image" window: width and height in pixels with a lock that keeps the opened
/// image's aspect ratio, and the editable, reorderable list of common sizes the menu offers.
/// Main thread only.
class QVResizeImageWinCtl final : public QObject
{
    Q_OBJECT

public:
    using SureBlock = std::function<void(double width, double height)>;

    explicit QVResizeImageWinCtl(QVImageSizeStore store, QObject* parent = nullptr);
    ~QVResizeImageWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVResizeImageWinCtl)

    void setSureBlock(SureBlock block) { m_sureBlock = std::move(block); }
    QWidget* window() const { return m_window.get(); }

    /// Opens on the image: its pixel size fills both fields (0 when it cannot be read).
    void openWithFile(const QString& path);
    void refresh();
    void close();

    /// OK: hands on both sizes when each is a finite number of at least one pixel.
    void onSure();
    void onLockAction();
    void onAddToCommonSize();
    void onAddCommonSize();
    void onDelete();
    /// A drop of the dragged row's index before dropRow (rows.size() for the end): only from
    /// this window's own table, only between rows (dropRow -1 is onto a row), only an index of
    /// an existing row.
    bool canDrop(const QMimeData* data, const QObject* source, int dropRow) const;
    bool dropRow(const QMimeData* data, const QObject* source, int dropRow);

    QLineEdit* widthInput() const;
    QLineEdit* heightInput() const;
    QPushButton* lockBtn() const;
    QPushButton* okBtn() const;
    QPushButton* deleteBtn() const;
    QTableWidget* tableView() const;
    double orgWidth() const { return m_orgWidth; }
    double orgHeight() const { return m_orgHeight; }
    const QVariantList& tableData() const { return m_tableData; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onTextChanged(QLineEdit* edit, int tag);
    void onTableInfoChanged(QTableWidgetItem* item);
    void updateLocalSizes();
    void reload();
    int dropRowAt(int y) const;
    bool dragEvent(QEvent* event);

    QVImageSizeStore m_store;
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVResizeImageWinCtl> m_ui;
    SureBlock m_sureBlock;
    QVariantList m_tableData;
    double m_orgWidth = 0;
    double m_orgHeight = 0;
    int m_lockTag = 0; ///< 0 locked, 1 unlocked
    bool m_reloading = false;
    int m_pressRow = -1;
};
