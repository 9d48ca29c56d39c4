#include "app/settings/QVAddIconWinCtl.h"
#include "app/settings/QVGlyphFont.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/QVColorView.h"
#include "foundation/QVCustomIconItem.h"
#include "foundation/QVCustomIconView.h"
#include "platform/Bundle.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/app/SettingsPageTesting.h"

#include <QColorDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>

using namespace tarsel::test;

namespace {

// A second TrueType font the user may load instead of the bundled icon font.
const QString kTextFont = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

QString iconFont()
{
    return platform::Bundle::resourcePath(QStringLiteral("icons"), QStringLiteral("ttf"));
}

void click(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    // A sheet's panel answers after the click has returned.
    QCoreApplication::processEvents();
}

QPushButton* button(QVAddIconWinCtl& composer, const char* name)
{
    return composer.findChild<QPushButton*>(QLatin1String(name));
}

int positionOfGlyphNamed(const QVAddIconWinCtl& composer, const QString& name)
{
    const QList<quint32>& glyphs = composer.glyphFont().glyphs();
    for (int i = 0; i < glyphs.size(); ++i) {
        if (composer.glyphFont().glyphName(glyphs.at(i)) == name) {
            return i;
        }
    }
    return -1;
}

void expectRect(const QVAddIconWinCtl& composer, QRectF expected)
{
    const QRectF r = composer.iconRect();
    EXPECT_DOUBLE_EQ(r.x(), expected.x());
    EXPECT_DOUBLE_EQ(r.y(), expected.y());
    EXPECT_DOUBLE_EQ(r.width(), expected.width());
    EXPECT_DOUBLE_EQ(r.height(), expected.height());
}

TEST(AddIconWinCtlTest, OpensOnThePlainFolderWithTheIconFontsGlyphs)
{
    QVAddIconWinCtl composer;
    EXPECT_EQ(composer.glyphFont().path(), iconFont());
    // Every glyph of the icon font with an outline, highest index first.
    const QList<quint32>& glyphs = composer.glyphFont().glyphs();
    ASSERT_GT(glyphs.size(), 600);
    EXPECT_EQ(composer.gridItems().size(), glyphs.size());
    EXPECT_TRUE(std::is_sorted(glyphs.rbegin(), glyphs.rend()));
    expectRect(composer, { 38, 38, 52, 52 });
    EXPECT_EQ(composer.previewImage(), QVAddIconWinCtl::systemFolderImage());
    EXPECT_EQ(composer.folderColor(), QColor(115, 208, 250));
    EXPECT_TRUE(button(composer, "zoomInBtn")->isHidden());
    ASSERT_EQ(composer.swatches().size(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(composer.swatches().at(i)->color(), QVAddIconWinCtl::swatchColors().at(i));
    }
}

TEST(AddIconWinCtlTest, ChoosingAGlyphNamesItAndShowsTheMoveButtons)
{
    QVAddIconWinCtl composer;
    const int heart = positionOfGlyphNamed(composer, QStringLiteral("heart"));
    ASSERT_GE(heart, 0);
    click(composer.gridItems().at(heart)->view());
    EXPECT_TRUE(composer.gridItems().at(heart)->isSelected());
    EXPECT_EQ(composer.findChild<QLineEdit*>(QStringLiteral("displayNameField"))->text(), QStringLiteral("heart"));
    EXPECT_EQ(composer.currentGlyph(), composer.glyphFont().glyphs().at(heart));
    EXPECT_FALSE(button(composer, "zoomInBtn")->isHidden());
    EXPECT_NE(composer.previewImage(), composer.folderImage());
    click(button(composer, "resetBtn"));
    EXPECT_FALSE(composer.gridItems().at(heart)->isSelected());
    EXPECT_EQ(composer.currentGlyph(), 0u);
    EXPECT_TRUE(button(composer, "zoomInBtn")->isHidden());
}

struct PlacementCase
{
    const char* name;
    QSize picture; ///< a picture chosen first; empty for a glyph
    QStringList buttons; ///< clicked in order
    QRectF expected;
};

class AddIconPlacementTest : public ::testing::TestWithParam<PlacementCase>
{
};

TEST_P(AddIconPlacementTest, ButtonsMoveAndZoomTheRectangle)
{
    QVAddIconWinCtl composer;
    if (GetParam().picture.isEmpty()) {
        composer.selectGlyphAt(0);
    } else {
        ASSERT_TRUE(composer.chooseLocalFile(writePicture(QStringLiteral("p.png"), GetParam().picture)));
    }
    for (const QString& name : GetParam().buttons) {
        click(button(composer, name.toLatin1().constData()));
    }
    const QRectF r = composer.iconRect();
    EXPECT_TRUE(std::isfinite(r.width()) && std::isfinite(r.height()));
    expectRect(composer, GetParam().expected);
}

QStringList times(int n, const QString& name)
{
    QStringList out;
    for (int i = 0; i < n; ++i) {
        out << name;
    }
    return out;
}

const PlacementCase kPlacements[] = {
    { "ZoomInFiveTimes", {}, times(5, "zoomInBtn"), { 33, 33, 62, 62 } },
    { "Moves", {}, { "upBtn", "upBtn", "leftBtn", "downBtn", "rightBtn", "rightBtn" }, { 39, 39, 52, 52 } },
    // Twice as wide as high: 52 by 26, six points below the middle.
    { "WidePicture", { 200, 100 }, {}, { 38, 45, 52, 26 } },
    { "WidePictureZoomedIn", { 200, 100 }, times(2, "zoomInBtn"), { 36, 43, 56, 28 } },
    // Zooming out stops while both sides are still at least 2: no side reaches 0, and the
    // aspect ratio is never computed from a vanished side.
    { "ZoomOutStopsAtTwo", {}, times(40, "zoomOutBtn"), { 63, 63, 2, 2 } },
    { "WideZoomOutStopsWhenTheHeightWouldDropUnderTwo", { 200, 100 }, times(40, "zoomOutBtn"), { 62, 69, 4, 2 } },
    { "ZoomOutThenInKeepsTheRatio", { 200, 100 }, times(40, "zoomOutBtn") + times(3, "zoomInBtn"), { 59, 66, 10, 5 } },
};

INSTANTIATE_TEST_SUITE_P(Placements, AddIconPlacementTest, ::testing::ValuesIn(kPlacements), caseName<PlacementCase>);

struct LocalFileCase
{
    const char* name;
    std::function<QString()> file;
};

class AddIconIgnoredFileTest : public ::testing::TestWithParam<LocalFileCase>
{
};

// A chosen file that gives no picture (or no font) leaves the composition as it was.
TEST_P(AddIconIgnoredFileTest, AFileThatGivesNothingChangesNothing)
{
    QVAddIconWinCtl composer;
    const int heart = positionOfGlyphNamed(composer, QStringLiteral("heart"));
    composer.selectGlyphAt(heart);
    click(button(composer, "zoomInBtn"));
    const QImage preview = composer.previewImage();
    const QRectF rect = composer.iconRect();
    const qsizetype grid = composer.gridItems().size();
    PanelScript panels;
    panels.setNextPaths({ GetParam().file() });
    click(button(composer, "selectLocalIconBtn"));
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_TRUE(panels.shown().first().options.allowedFileTypes.contains(QStringLiteral("ttf")));
    EXPECT_EQ(composer.previewImage(), preview);
    EXPECT_EQ(composer.iconRect(), rect);
    EXPECT_TRUE(composer.mergeImage().isNull());
    EXPECT_EQ(composer.gridItems().size(), grid);
    EXPECT_EQ(composer.glyphFont().path(), iconFont());
    EXPECT_EQ(composer.findChild<QLineEdit*>(QStringLiteral("displayNameField"))->text(), QStringLiteral("heart"));
}

const LocalFileCase kIgnoredFiles[] = {
    { "EmptyPng", [] { return writeFile(inHome("empty.png"), QByteArray()); } },
    { "TextAsJpeg", [] { return writeFile(inHome("notes.jpg"), "no picture here"); } },
    { "TextAsFont", [] { return writeFile(inHome("broken.ttf"), "no font here"); } },
    { "Missing", [] { return inHome("gone.png"); } },
};

INSTANTIATE_TEST_SUITE_P(Files, AddIconIgnoredFileTest, ::testing::ValuesIn(kIgnoredFiles), caseName<LocalFileCase>);

TEST(AddIconWinCtlTest, AnotherFontReplacesTheGridAndKeepsThePreview)
{
    QVAddIconWinCtl composer;
    composer.selectGlyphAt(positionOfGlyphNamed(composer, QStringLiteral("star")));
    const QImage preview = composer.previewImage();
    PanelScript panels;
    panels.setNextPaths({ kTextFont });
    click(button(composer, "selectLocalIconBtn"));
    EXPECT_EQ(composer.glyphFont().path(), kTextFont);
    EXPECT_EQ(composer.glyphFont().familyName(), QStringLiteral("DejaVu Sans"));
    // The grid holds the new font's glyphs only: the icon font was let go, not added to.
    EXPECT_EQ(composer.gridItems().size(), composer.glyphFont().glyphs().size());
    EXPECT_LT(positionOfGlyphNamed(composer, QStringLiteral("star")), 0);
    EXPECT_GE(positionOfGlyphNamed(composer, QStringLiteral("A")), 0);
    EXPECT_EQ(composer.previewImage(), preview);
    // Recover brings the icon font back.
    click(button(composer, "resetBtn"));
    EXPECT_EQ(composer.glyphFont().path(), iconFont());
    EXPECT_GE(positionOfGlyphNamed(composer, QStringLiteral("star")), 0);
}

double hueOf(QRgb pixel)
{
    return QColor::fromRgb(pixel).hueF();
}

// The composed picture, read back from its file: 120 by 120, the folder in shades of the
// swatch's colour (a shade is the colour mixed with black or white, so its hue is the
// colour's), the glyph in the glyph colour at the rectangle's centre.
TEST(AddIconWinCtlTest, TheSavedIconIsTheTintedFolderWithTheGlyph)
{
    QVAddIconWinCtl composer;
    QVMenuItemPtr added;
    composer.setAddSuccessBlock([&added](const QVMenuItemPtr& item) { added = item; });
    composer.selectGlyphAt(positionOfGlyphNamed(composer, QStringLiteral("circle")));
    const QColor glyphColour(200, 30, 40);
    composer.setGlyphColor(glyphColour);
    const int green = 2;
    click(composer.swatches().at(green));
    EXPECT_EQ(composer.folderColor(), QVAddIconWinCtl::swatchColors().at(green));
    click(button(composer, "sureBtn"));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->displayName(), QStringLiteral("circle"));
    EXPECT_EQ(added->iconPath(), QVMenuManager::folderIconFolder() + QLatin1Char('/') + added->key() + ".png");

    const QImage saved(added->iconPath());
    ASSERT_EQ(saved.size(), QSize(120, 120));
    const double scale = 120.0 / QVAddIconWinCtl::kFolderSize;
    // The glyph's rectangle (38, 38, 52, 52 from the bottom left) in the saved picture.
    const QRectF glyph(38 * scale, (128 - 38 - 52) * scale, 52 * scale, 52 * scale);
    const QColor centre = saved.pixelColor(glyph.center().toPoint());
    EXPECT_NEAR(centre.red(), glyphColour.red(), 3);
    EXPECT_NEAR(centre.green(), glyphColour.green(), 3);
    EXPECT_NEAR(centre.blue(), glyphColour.blue(), 3);

    const double swatchHue = QVAddIconWinCtl::swatchColors().at(green).hueF();
    const QImage plain
        = QVAddIconWinCtl::systemFolderImage().scaled(120, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int tinted = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 120; ++x) {
            const QRgb pixel = saved.pixel(x, y);
            EXPECT_NEAR(qAlpha(pixel), qAlpha(plain.pixel(x, y)), 8) << x << "," << y;
            const QColor c = QColor::fromRgba(pixel);
            if (glyph.adjusted(-2, -2, 2, 2).contains(x, y) || qAlpha(pixel) < 255 || c.hsvSaturationF() < 0.25) {
                continue;
            }
            EXPECT_NEAR(hueOf(pixel), swatchHue, 0.03) << x << "," << y;
            ++tinted;
        }
    }
    EXPECT_GT(tinted, 2000);
}

TEST(AddIconWinCtlTest, TheColourWellsOpenAColourPanel)
{
    QVAddIconWinCtl composer;
    composer.show();
    click(button(composer, "folderColorWell"));
    auto* panel = composer.findChild<QColorDialog*>(QStringLiteral("colorPanel"));
    ASSERT_NE(panel, nullptr);
    panel->setCurrentColor(QColor(10, 20, 200));
    panel->accept();
    EXPECT_EQ(composer.folderColor(), QColor(10, 20, 200));
    EXPECT_NE(composer.folderImage(), QVAddIconWinCtl::systemFolderImage());
    composer.hide();
}

// --- The glyph font -------------------------------------------------------------------------

QByteArray be16(quint16 v)
{
    QByteArray out(2, '\0');
    qToBigEndian(v, out.data());
    return out;
}

QByteArray postHeader(quint32 format)
{
    QByteArray out(32, '\0');
    qToBigEndian(format, out.data());
    return out;
}

struct PostCase
{
    const char* name;
    QByteArray table;
    int glyphCount;
    QStringList names;
};

QByteArray format2(const QList<quint16>& indexes, const QList<QByteArray>& strings)
{
    QByteArray out = postHeader(0x00020000) + be16(quint16(indexes.size()));
    for (quint16 i : indexes) {
        out += be16(i);
    }
    for (const QByteArray& s : strings) {
        out += char(s.size()) + s;
    }
    return out;
}

class GlyphNamesTest : public ::testing::TestWithParam<PostCase>
{
};

TEST_P(GlyphNamesTest, NamesComeFromThePostTable)
{
    EXPECT_EQ(QVGlyphFont::glyphNamesOfPostTable(GetParam().table, GetParam().glyphCount), GetParam().names);
}

const PostCase kPostTables[] = {
    { "Format1StandardOrder", postHeader(0x00010000), 4, { ".notdef", ".null", "nonmarkingreturn", "space" } },
    { "Format2StandardAndOwn",
      format2({ 0, 36, 258, 259 }, { "heart", "star" }),
      4,
      { ".notdef", "A", "heart", "star" } },
    { "Format3NamesNone", postHeader(0x00030000), 2, { QString(), QString() } },
    // A damaged table must never be read past its end.
    { "TruncatedIndexes", format2({ 258, 259 }, {}).left(35), 2, { QString(), QString() } },
    { "StringPastTheEnd", format2({ 258, 259 }, { "heart", "star" }).chopped(2), 2, { "heart", QString() } },
    { "IndexPastTheStrings", format2({ 300 }, { "heart" }), 1, { QString() } },
    { "MoreIndexesThanGlyphs", format2({ 36, 37, 38 }, {}), 2, { "A", "B" } },
    { "Empty", QByteArray(), 2, { QString(), QString() } },
};

INSTANTIATE_TEST_SUITE_P(Tables, GlyphNamesTest, ::testing::ValuesIn(kPostTables), caseName<PostCase>);

TEST(GlyphFontTest, RealFontsNameTheirGlyphsAndDrawThem)
{
    QVGlyphFont icons;
    ASSERT_TRUE(icons.load(iconFont()));
    const QRawFont raw(iconFont(), 12);
    const QList<quint32> heart = raw.glyphIndexesForString(QString(QChar(0xF004)));
    ASSERT_EQ(heart.size(), 1);
    EXPECT_EQ(icons.glyphName(heart.first()), QStringLiteral("heart"));
    EXPECT_TRUE(icons.glyphs().contains(heart.first()));
    const QImage drawn = icons.glyphImage(heart.first(), Qt::blue, 128);
    ASSERT_EQ(drawn.size(), QSize(128, 128));
    // Moved to the origin: the outline touches the top and left edges.
    bool top = false;
    bool left = false;
    for (int i = 0; i < 128; ++i) {
        top = top || qAlpha(drawn.pixel(i, 0)) > 0;
        left = left || qAlpha(drawn.pixel(0, i)) > 0;
    }
    EXPECT_TRUE(top && left);

    QVGlyphFont text;
    ASSERT_TRUE(text.load(kTextFont));
    const QRawFont dejavu(kTextFont, 12);
    EXPECT_EQ(text.glyphName(dejavu.glyphIndexesForString(QStringLiteral("A")).first()), QStringLiteral("A"));
    // The space has no outline, so it is no glyph to choose.
    EXPECT_FALSE(text.glyphs().contains(dejavu.glyphIndexesForString(QStringLiteral(" ")).first()));
    EXPECT_FALSE(text.load(inHome("nothing.ttf")));
    EXPECT_EQ(text.path(), kTextFont);
}

} // namespace
