#pragma once

#include "app/settings/QVGlyphFont.h"
#include "engine/model/QVMenuItem.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QList>
#include <QRectF>

#include <functional>
#include <memory>

namespace Ui {
class QVAddIconWinCtl;
}
class QPushButton;
class QVColorView;
class QVCustomIconItem;

/// The folder-icon composer, a sheet of the settings window: a folder picture tinted in a
/// chosen colour with a glyph of an icon font (or a picture, or an application's icon) placed
/// on it, moved and zoomed by buttons, and saved as a 120 by 120 PNG in the shared
/// "QVFolderIcon" folder. The composer keeps its state from one opening to the next.
///
/// The placement rectangle is in the folder picture's points with the origin at the bottom
/// left; its aspect ratio is kept as a value of its own, so zooming never divides by a side
/// that has shrunk to nothing.
class QVAddIconWinCtl : public QDialog
{
    Q_OBJECT
public:
    /// The folder picture's side.
    static constexpr int kFolderSize = 128;
    /// The saved picture's side.
    static constexpr int kIconSize = 120;
    /// No side of the placement rectangle is zoomed out below this.
    static constexpr double kMinSide = 2;
    enum MoveTag { Up = 0, Down = 1, Left = 2, Right = 3 };
    enum ZoomTag { ZoomIn = 0, ZoomOut = 1 };

    using AddSuccessBlock = std::function<void(const QVMenuItemPtr& item)>;

    explicit QVAddIconWinCtl(QWidget* parent = nullptr);
    ~QVAddIconWinCtl() override;

    /// The eight swatch colours, in their order.
    static QList<QColor> swatchColors();
    /// The desktop's folder picture at kFolderSize pixels: the icon theme's "folder" when the
    /// theme has one, else the application's own.
    static QImage systemFolderImage();

    void setAddSuccessBlock(AddSuccessBlock block) { m_addSuccessBlock = std::move(block); }
    /// Shows the composer as a sheet on the window (on its own with none).
    void openOnWindow(QWidget* parent);

    void onReset();
    /// Loads the glyphs of the font file into the grid; a file that gives no font changes nothing.
    bool loadIcons(const QString& path);
    /// The grid's selection of the glyph at that position of the grid.
    void selectGlyphAt(int position);
    void setFolderColor(const QColor& colour);
    /// The glyph colour well took a new colour.
    void setGlyphColor(const QColor& colour);
    void onIconPositionChange(int tag);
    void onIconZoom(int tag);
    void onSelectLocalIcon();
    /// Takes the picture of an image file, an application or a font file as the panel's answer
    /// would; false, nothing changed, when the file gives nothing.
    bool chooseLocalFile(const QString& path);
    void onSure();
    void onCancel();

    const QVGlyphFont& glyphFont() const { return m_font; }
    const QList<QVCustomIconItem*>& gridItems() const { return m_items; }
    const QList<QVColorView*>& swatches() const { return m_swatches; }
    quint32 currentGlyph() const { return m_currentGlyph; }
    QColor folderColor() const { return m_folderColor; }
    QColor glyphColor() const { return m_glyphColor; }
    /// The placement rectangle (origin bottom left).
    QRectF iconRect() const { return { m_iconX, m_iconY, m_iconWidth, m_iconHeight }; }
    const QImage& folderImage() const { return m_folderImage; }
    const QImage& mergeImage() const { return m_mergeImage; }
    /// The composed picture the preview shows.
    const QImage& previewImage() const { return m_preview; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshFolderImage();
    void rebuildGrid();
    void setWell(QPushButton* well, const QColor& colour);
    void openWellDialog(QPushButton* well);
    void setMoveButtonsVisible(bool visible);
    QImage coloredFolderImageWithColor(const QColor& colour) const;
    QString iconFontPath() const;

    std::unique_ptr<Ui::QVAddIconWinCtl> m_ui;
    QVGlyphFont m_font;
    QList<QVCustomIconItem*> m_items;
    QList<QVColorView*> m_swatches;
    quint32 m_currentGlyph = 0;
    int m_selectedPosition = -1;
    QColor m_folderColor;
    QColor m_glyphColor;
    QImage m_folderImage;
    QImage m_mergeImage;
    QImage m_preview;
    double m_iconX = 0;
    double m_iconY = 0;
    double m_iconWidth = 0;
    double m_iconHeight = 0;
    /// Width over height of the placement rectangle.
    double m_aspect = 1;
    AddSuccessBlock m_addSuccessBlock;
};
