#include "toolwindows/resizeimage/QVResizeImageWinCtl.h"

#include "platform/ImageIO.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QVariantMap size(const char* name, const char* w, const char* h)
{
    return { { QStringLiteral("displayName"), QString::fromUtf8(name) },
             { QStringLiteral("width"), QLatin1String(w) },
             { QStringLiteral("height"), QLatin1String(h) } };
}

class ResizeWindowTest : public testing::Test
{
protected:
    ResizeWindowTest()
        : m_window(store())
    {
    }
    QVImageSizeStore store()
    {
        m_stored = { size("60×60", "60", "60"), size("200×200", "200", "200"), size("1920×1080", "1920", "1080") };
        QVImageSizeStore s;
        s.load = [this] { return m_stored; };
        s.save = [this](const QVariantList& list) { m_stored = list; };
        s.move = [this](int from, int before) {
            const QVariant entry = m_stored.takeAt(from);
            m_stored.insert(from < before ? before - 1 : before, entry);
            return true;
        };
        return s;
    }
    QString picture(int w, int h)
    {
        const QString path = testHome() + QStringLiteral("/photo.png");
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(Qt::gray);
        EXPECT_TRUE(platform::ImageIO::write(image, path, platform::ImageIO::Format::Png).ok);
        return path;
    }
    static void type(QLineEdit* edit, const QString& text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }
    QString storedName(int row) const
    {
        return m_stored.at(row).toMap().value(QStringLiteral("displayName")).toString();
    }

    QVariantList m_stored;
    QVResizeImageWinCtl m_window;
};

struct SureCase
{
    std::string name;
    QString width;
    QString height;
    bool accepted;
};

class ResizeWindowSureTest : public ResizeWindowTest, public testing::WithParamInterface<SureCase>
{
};

} // namespace

TEST_F(ResizeWindowTest, TypingIsFilteredAndTheLockKeepsTheImagesRatio)
{
    m_window.openWithFile(picture(400, 300));
    EXPECT_EQ(m_window.widthInput()->text(), QStringLiteral("400"));
    EXPECT_EQ(m_window.heightInput()->text(), QStringLiteral("300"));
    type(m_window.widthInput(), QStringLiteral("1000"));
    EXPECT_EQ(m_window.heightInput()->text(), QStringLiteral("750"));
    type(m_window.widthInput(), QStringLiteral("12a"));
    EXPECT_EQ(m_window.widthInput()->text(), QStringLiteral("12"));
    // Unlocked, the other field is left alone.
    QTest::mouseClick(m_window.lockBtn(), Qt::LeftButton);
    type(m_window.heightInput(), QStringLiteral("100"));
    EXPECT_EQ(m_window.widthInput()->text(), QStringLiteral("12"));
}

// An image whose size cannot be read leaves the original size 0 by 0: the ratio would divide
// by zero and fill the other field with "inf" or "nan".
TEST_F(ResizeWindowTest, AZeroOriginalSizeNeverDivides)
{
    m_window.openWithFile(writeFile(testHome() + QStringLiteral("/broken.png"), "not a picture"));
    EXPECT_EQ(m_window.orgWidth(), 0);
    type(m_window.widthInput(), QStringLiteral("50"));
    EXPECT_EQ(m_window.heightInput()->text(), QStringLiteral("0"));
}

TEST_P(ResizeWindowSureTest, OkHandsOnOnlyFinitePositiveSizes)
{
    const SureCase& c = GetParam();
    m_window.openWithFile(picture(40, 30));
    QList<std::pair<double, double>> sure;
    m_window.setSureBlock([&](double w, double h) { sure.append({ w, h }); });
    // Set as a paste or a program would, past the typing filter.
    m_window.widthInput()->setText(c.width);
    m_window.heightInput()->setText(c.height);
    QTest::mouseClick(m_window.okBtn(), Qt::LeftButton);
    if (c.accepted) {
        ASSERT_EQ(sure.size(), 1);
        EXPECT_EQ(sure.first(), std::make_pair(c.width.toDouble(), c.height.toDouble()));
        EXPECT_FALSE(m_window.window()->isVisible());
    } else {
        EXPECT_TRUE(sure.isEmpty());
        EXPECT_TRUE(m_window.window()->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ResizeWindowSureTest,
    testing::Values(SureCase { "Plain", "20", "15", true }, SureCase { "Fraction", "20.5", "15", true },
                    SureCase { "EmptyHeight", "20", "", false }, SureCase { "Zero", "0", "15", false },
                    SureCase { "Dot", ".", "15", false }, SureCase { "BelowOnePixel", "0.4", "15", false },
                    SureCase { "Overflow", "1e400", "15", false }, SureCase { "NaN", "nan", "15", false },
                    SureCase { "Negative", "-5", "15", false }),
    caseName<SureCase>);

// A drop carries only text: from another program it may name any index, so only this table's own
// drags are taken, only between rows, only with the index of an existing row.
TEST_F(ResizeWindowTest, DropsComeOnlyFromItsOwnTableWithAnExistingIndex)
{
    QMimeData row2;
    row2.setText(QStringLiteral("2"));
    QMimeData row7;
    row7.setText(QStringLiteral("7"));
    QObject stranger;
    QTableWidget* table = m_window.tableView();
    EXPECT_FALSE(m_window.dropRow(&row2, &stranger, 0));
    EXPECT_FALSE(m_window.dropRow(&row2, nullptr, 0));
    EXPECT_FALSE(m_window.dropRow(&row7, table, 0));
    EXPECT_FALSE(m_window.dropRow(&row2, table, -1)); // onto a row
    EXPECT_FALSE(m_window.dropRow(&row2, table, 4));
    EXPECT_EQ(storedName(0), QStringLiteral("60×60"));
    ASSERT_TRUE(m_window.dropRow(&row2, table, 0));
    EXPECT_EQ(storedName(0), QStringLiteral("1920×1080"));
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("1920×1080"));
}

// The edit used to go to the row remembered when editing began; with the selection moved
// meanwhile, another size was overwritten.
TEST_F(ResizeWindowTest, AnEditGoesIntoTheRowOfItsCell)
{
    QTableWidget* table = m_window.tableView();
    table->selectRow(0);
    table->item(2, 1)->setText(QStringLiteral("1280"));
    EXPECT_EQ(m_stored.at(2).toMap().value(QStringLiteral("width")).toString(), QStringLiteral("1280"));
    EXPECT_EQ(m_stored.at(0).toMap().value(QStringLiteral("width")).toString(), QStringLiteral("60"));
}

TEST_F(ResizeWindowTest, AddToCommonAndDeleteStoreTheList)
{
    m_window.openWithFile(picture(40, 30));
    m_window.widthInput()->clear();
    m_window.heightInput()->clear();
    m_window.onAddToCommonSize();
    ASSERT_EQ(m_stored.size(), 4);
    EXPECT_EQ(storedName(3), QString(QChar(0x00D7)));
    for (int i = 0; i < 4; ++i) {
        m_window.tableView()->selectRow(0);
        EXPECT_TRUE(m_window.deleteBtn()->isEnabled());
        QTest::mouseClick(m_window.deleteBtn(), Qt::LeftButton);
    }
    EXPECT_TRUE(m_stored.isEmpty());
    EXPECT_FALSE(m_window.deleteBtn()->isEnabled());
}
