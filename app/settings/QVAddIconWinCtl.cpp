#include "app/settings/QVAddIconWinCtl.h"

#include "engine/model/QVMenuManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/QVColorView.h"
#include "foundation/QVCustomIconItem.h"
#include "foundation/QVCustomIconView.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpandText.h"
#include "foundation/WindowExpand.h"
#include "platform/Bundle.h"
#include "platform/ImageIO.h"
#include "platform/Panels.h"
#include "platform/Workspace.h"

#include "ui_QVAddIconWinCtl.h"

#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>

Q_LOGGING_CATEGORY(lcAddIcon, "tarsel.app.addicon", QtWarningMsg)

namespace {

constexpr int kGridColumns = 6;
constexpr int kGridItemSize = 48;
constexpr int kSwatchSize = 20;
constexpr double kStartSide = 52;
// The grid shows the glyphs in dark grey; the glyph colour well starts there too.
const QColor kDarkGrey = QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3);

// The picture of an application (a desktop entry) or of any other file as the desktop shows it.
QImage applicationImage(const QString& path)
{
    const auto entry = platform::Workspace::readDesktopEntry(path);
    const QString icon = entry ? entry->value(QStringLiteral("Icon")) : QString();
    if (!icon.isEmpty()) {
        const QImage file = QDir::isAbsolutePath(icon) ? platform::ImageIO::read(icon) : QImage();
        if (!file.isNull()) {
            return file;
        }
        const QIcon themed = QIcon::fromTheme(icon);
        if (!themed.isNull()) {
            return themed.pixmap(QVAddIconWinCtl::kFolderSize).toImage();
        }
    }
    return QVFile(path).icon().pixmap(QVAddIconWinCtl::kFolderSize).toImage();
}

} // namespace

QVAddIconWinCtl::QVAddIconWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVAddIconWinCtl>())
{
    m_ui->setupUi(this);
    setWindowTitle(qv::localized(QStringLiteral("Make Icon")));
    m_ui->sureBtn->setText(qv::localized(QStringLiteral("OK")));
    m_ui->cancelBtn->setText(qv::localized(QStringLiteral("Cancel")));
    m_ui->resetBtn->setText(qv::localized(QStringLiteral("Recover")));
    m_ui->selectLocalIconBtn->setText(qv::localized(QStringLiteral("Select Icon")));
    m_ui->displayNameField->setPlaceholderText(qv::localized(QStringLiteral("Display Name")));
    m_ui->gridView->setBackgroundRole(QPalette::Base);
    m_ui->gridView->setAutoFillBackground(true);
    m_ui->mainImageView->setBackgroundRole(QPalette::Base);
    m_ui->mainImageView->setAutoFillBackground(true);

    const QList<QColor> colours = swatchColors();
    for (int i = 0; i < colours.size(); ++i) {
        auto* swatch = new QVColorView(m_ui->boxView);
        swatch->setObjectName(QStringLiteral("swatch%1").arg(i));
        swatch->setColor(colours.at(i));
        // Placed from the box's bottom edge, the first row above the second.
        const int x = 323 + 31 * (i % 4);
        const int y = 70 - 26 * (i / 4);
        swatch->setGeometry(x, m_ui->boxView->maximumHeight() - y - kSwatchSize, kSwatchSize, kSwatchSize);
        swatch->setClickHandler([this](const QColor& colour) { setFolderColor(colour); });
        m_swatches << swatch;
    }

    const QList<QPair<QPushButton*, int>> moves
        = { { m_ui->upBtn, Up }, { m_ui->downBtn, Down }, { m_ui->leftBtn, Left }, { m_ui->rightBtn, Right } };
    for (const auto& [button, tag] : moves) {
        connect(button, &QPushButton::clicked, this, [this, tag = tag] { onIconPositionChange(tag); });
    }
    connect(m_ui->zoomInBtn, &QPushButton::clicked, this, [this] { onIconZoom(ZoomIn); });
    connect(m_ui->zoomOutBtn, &QPushButton::clicked, this, [this] { onIconZoom(ZoomOut); });
    connect(m_ui->resetBtn, &QPushButton::clicked, this, &QVAddIconWinCtl::onReset);
    connect(m_ui->selectLocalIconBtn, &QPushButton::clicked, this, &QVAddIconWinCtl::onSelectLocalIcon);
    connect(m_ui->sureBtn, &QPushButton::clicked, this, &QVAddIconWinCtl::onSure);
    connect(m_ui->cancelBtn, &QPushButton::clicked, this, &QVAddIconWinCtl::onCancel);
    connect(m_ui->folderColorWell, &QPushButton::clicked, this, [this] { openWellDialog(m_ui->folderColorWell); });
    connect(m_ui->colorWell, &QPushButton::clicked, this, [this] { openWellDialog(m_ui->colorWell); });
    onReset();
}

QVAddIconWinCtl::~QVAddIconWinCtl() = default;

QList<QColor> QVAddIconWinCtl::swatchColors()
{
    return { QColor::fromRgbF(0.457f, 0.199f, 0.0f),   QColor::fromRgbF(0.132f, 0.265f, 0.324f),
             QColor::fromRgbF(0.07f, 0.65f, 0.256f),   QColor::fromRgbF(0.451f, 0.796f, 0.007f),
             QColor::fromRgbF(0.455f, 0.461f, 0.536f), QColor::fromRgbF(0.401f, 0.493f, 0.985f),
             QColor::fromRgbF(0.457f, 0.471f, 0.002f), QColor::fromRgbF(0.277f, 0.318f, 0.006f) };
}

QImage QVAddIconWinCtl::systemFolderImage()
{
    const QSize size(kFolderSize, kFolderSize);
    if (QIcon::hasThemeIcon(QStringLiteral("folder"))) {
        const QIcon icon = QIcon::fromTheme(QStringLiteral("folder"));
        const QImage themed = icon.pixmap(size).toImage();
        if (themed.size() == size) {
            return themed.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        }
    }
    return qv::imageWithSize(platform::Bundle::imageNamed(QStringLiteral("folder")), size)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void QVAddIconWinCtl::openOnWindow(QWidget* parent)
{
    qv::openOnWindow(this, parent);
}

QString QVAddIconWinCtl::iconFontPath() const
{
    return platform::Bundle::resourcePath(QStringLiteral("icons"), QStringLiteral("ttf"));
}

void QVAddIconWinCtl::onReset()
{
    if (m_selectedPosition >= 0 && m_selectedPosition < m_items.size()) {
        m_items.at(m_selectedPosition)->setSelected(false);
    }
    m_selectedPosition = -1;
    m_mergeImage = QImage();
    m_currentGlyph = 0;
    setWell(m_ui->folderColorWell, QColor(115, 208, 250));
    setWell(m_ui->colorWell, kDarkGrey);
    m_folderImage = systemFolderImage();
    m_preview = m_folderImage;
    m_ui->mainImageView->setPixmap(QPixmap::fromImage(m_preview));
    setMoveButtonsVisible(false);
    m_iconWidth = kStartSide;
    m_iconHeight = kStartSide;
    m_aspect = 1;
    m_iconX = (kFolderSize - kStartSide) / 2;
    m_iconY = m_iconX;
    loadIcons(iconFontPath());
}

bool QVAddIconWinCtl::loadIcons(const QString& path)
{
    if (!m_font.load(path)) {
        qCWarning(lcAddIcon).noquote() << "Failed to load the glyph font. File:" << path;
        return false;
    }
    rebuildGrid();
    return true;
}

void QVAddIconWinCtl::rebuildGrid()
{
    for (QVCustomIconItem* item : std::as_const(m_items)) {
        delete item->view();
        delete item;
    }
    m_items.clear();
    m_selectedPosition = -1;
    const QList<quint32>& glyphs = m_font.glyphs();
    for (int position = 0; position < glyphs.size(); ++position) {
        auto* item = new QVCustomIconItem(m_ui->gridView);
        QVCustomIconView* view = item->view();
        view->setFixedSize(kGridItemSize, kGridItemSize);
        view->setToolTip(m_font.glyphName(glyphs.at(position)));
        view->setProperty("gridPosition", position);
        view->installEventFilter(this);
        item->iconImageView()->setPixmap(
            QPixmap::fromImage(m_font.glyphImage(glyphs.at(position), kDarkGrey, kFolderSize)));
        item->iconImageView()->setContentsMargins(8, 8, 8, 8);
        m_ui->gridLayout->addWidget(view, position / kGridColumns, position % kGridColumns);
        m_items << item;
    }
}

bool QVAddIconWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        const QVariant position = watched->property("gridPosition");
        if (position.isValid()) {
            selectGlyphAt(position.toInt());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QVAddIconWinCtl::selectGlyphAt(int position)
{
    if (position < 0 || position >= m_items.size()) {
        return;
    }
    if (m_selectedPosition >= 0 && m_selectedPosition < m_items.size()) {
        m_items.at(m_selectedPosition)->setSelected(false);
    }
    m_selectedPosition = position;
    m_items.at(position)->setSelected(true);
    m_mergeImage = QImage();
    m_currentGlyph = m_font.glyphs().at(position);
    m_ui->displayNameField->setText(m_font.glyphName(m_currentGlyph));
    refreshFolderImage();
}

void QVAddIconWinCtl::setWell(QPushButton* well, const QColor& colour)
{
    (well == m_ui->folderColorWell ? m_folderColor : m_glyphColor) = colour;
    well->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; border: 1px solid palette(mid); }").arg(colour.name()));
}

void QVAddIconWinCtl::openWellDialog(QPushButton* well)
{
    auto* dialog = new QColorDialog(well == m_ui->folderColorWell ? m_folderColor : m_glyphColor, this);
    dialog->setObjectName(QStringLiteral("colorPanel"));
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QColorDialog::colorSelected, this, [this, well](const QColor& colour) {
        if (well == m_ui->folderColorWell) {
            setFolderColor(colour);
        } else {
            setGlyphColor(colour);
        }
    });
    dialog->open();
}

void QVAddIconWinCtl::setFolderColor(const QColor& colour)
{
    setWell(m_ui->folderColorWell, colour);
    m_folderImage = coloredFolderImageWithColor(colour);
    refreshFolderImage();
}

void QVAddIconWinCtl::setGlyphColor(const QColor& colour)
{
    setWell(m_ui->colorWell, colour);
    refreshFolderImage();
}

QImage QVAddIconWinCtl::coloredFolderImageWithColor(const QColor& colour) const
{
    return qv::monochromeImage(systemFolderImage(), colour, 1.0);
}

void QVAddIconWinCtl::onIconPositionChange(int tag)
{
    switch (tag) {
    case Up:
        m_iconY += 1;
        break;
    case Down:
        m_iconY -= 1;
        break;
    case Left:
        m_iconX -= 1;
        break;
    default:
        m_iconX += 1;
        break;
    }
    refreshFolderImage();
}

void QVAddIconWinCtl::onIconZoom(int tag)
{
    const double step = tag == ZoomIn ? 2 : -2;
    const double width = m_iconWidth + step;
    const double height = width / m_aspect;
    if (width < kMinSide || height < kMinSide) {
        return;
    }
    m_iconWidth = width;
    m_iconHeight = height;
    m_iconX -= step / 2;
    m_iconY -= step / 2;
    refreshFolderImage();
}

void QVAddIconWinCtl::onSelectLocalIcon()
{
    platform::PanelOptions options;
    options.allowedFileTypes
        = { QStringLiteral("png"),  QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("jp2"),
            QStringLiteral("tiff"), QStringLiteral("bmp"), QStringLiteral("gif"),  QStringLiteral("icns"),
            QStringLiteral("webp"), QStringLiteral("ttf"), QStringLiteral("app"),  QStringLiteral("desktop") };
    options.canChooseFiles = true;
    options.allowsMultipleSelection = false;
    options.level = platform::Panels::ShieldingLevel;
    QPointer<QVAddIconWinCtl> self(this);
    platform::Panels::beginOpenPanel(options, this, [self](const platform::PanelResult& result) {
        if (self && result.isOK() && !result.paths.isEmpty()) {
            self->chooseLocalFile(result.paths.first());
        }
    });
}

bool QVAddIconWinCtl::chooseLocalFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("ttf")) {
        return loadIcons(path);
    }
    const bool application = extension == QLatin1String("app") || extension == QLatin1String("desktop");
    const QImage image = application ? applicationImage(path) : platform::ImageIO::read(path);
    // A file that gives no picture leaves the composition as it was.
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
        qCWarning(lcAddIcon).noquote() << "Skipped a file that gives no picture:" << path;
        return false;
    }
    m_mergeImage = image;
    m_ui->displayNameField->setText(QFileInfo(path).completeBaseName());
    m_aspect = double(image.width()) / image.height();
    m_iconHeight = m_iconWidth / m_aspect;
    m_iconY = (kFolderSize - m_iconHeight) * 0.5 - 6;
    refreshFolderImage();
    return true;
}

void QVAddIconWinCtl::refreshFolderImage()
{
    const QImage picture
        = m_mergeImage.isNull() ? m_font.glyphImage(m_currentGlyph, m_glyphColor, kFolderSize) : m_mergeImage;
    // The rectangle's origin is at the bottom left; the picture's rows run from the top.
    const QRectF rect(m_iconX, m_folderImage.height() - m_iconY - m_iconHeight, m_iconWidth, m_iconHeight);
    m_preview = picture.isNull() ? m_folderImage : qv::mergeImage(m_folderImage, picture, rect);
    m_ui->mainImageView->setPixmap(QPixmap::fromImage(m_preview));
    setMoveButtonsVisible(m_currentGlyph != 0 || !m_mergeImage.isNull());
}

void QVAddIconWinCtl::setMoveButtonsVisible(bool visible)
{
    for (QPushButton* button :
         { m_ui->upBtn, m_ui->downBtn, m_ui->leftBtn, m_ui->rightBtn, m_ui->zoomInBtn, m_ui->zoomOutBtn }) {
        button->setVisible(visible);
    }
}

void QVAddIconWinCtl::onSure()
{
    auto item = QVMenuItem::create();
    item->setKey(qv::uuid());
    item->setDisplayName(m_ui->displayNameField->text());
    const QString path = QDir(QVMenuManager::folderIconFolder()).filePath(item->key() + QStringLiteral(".png"));
    const QImage icon = qv::imageWithSize(m_preview, QSize(kIconSize, kIconSize));
    if (!qv::saveImageType(icon, platform::ImageIO::Format::Png, path)) {
        // No entry may point at a picture that was never written.
        qCWarning(lcAddIcon).noquote() << "Failed to write the folder icon. File:" << path;
        qv::alertWithMsg(qv::localized(QStringLiteral("Error Common Tip")), this);
        return;
    }
    item->setIconPath(path);
    if (m_addSuccessBlock) {
        m_addSuccessBlock(item);
    }
    qv::shut(this);
}

void QVAddIconWinCtl::onCancel()
{
    qv::shut(this);
}
