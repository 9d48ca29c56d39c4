#include "engine/service/images/QVIconSets.h"

#include "MenuServiceTestSupport.h"
#include "platform/ImageIO.h"
#include "platform/Sound.h"
#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

using namespace tarsel::test;

namespace {

QImage square(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(QColor(30, 160, 90));
    return image;
}

QString base()
{
    QDir().mkpath(testHome() + QStringLiteral("/icons"));
    return testHome() + QStringLiteral("/icons/logo");
}

// file name -> the JSON object of it in Contents.json
std::map<QString, QJsonObject> contents(const QString& folder)
{
    QFile file(folder + QStringLiteral("/Contents.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(
        root.value(QStringLiteral("info")).toObject(),
        (QJsonObject { { QStringLiteral("version"), 1 }, { QStringLiteral("author"), QStringLiteral("xcode") } }));
    std::map<QString, QJsonObject> byName;
    for (const QJsonValue& value : root.value(QStringLiteral("images")).toArray()) {
        byName[value.toObject().value(QStringLiteral("filename")).toString()] = value.toObject();
    }
    return byName;
}

struct SetCase
{
    std::string name;
    int type;
    const char* suffix;
    // A few files of the set with their pixel size and the entry Contents.json gives them.
    std::map<QString, std::pair<int, QJsonObject>> samples;
    int fileCount;
};

QJsonObject entry(std::initializer_list<std::pair<const char*, const char*>> fields)
{
    QJsonObject object;
    for (const auto& [key, value] : fields) {
        object[QLatin1String(key)] = QLatin1String(value);
    }
    return object;
}

using IconSetTest = testing::TestWithParam<SetCase>;

} // namespace

TEST_P(IconSetTest, WritesEverySizeAndDescribesIt)
{
    const SetCase& c = GetParam();
    ASSERT_TRUE(QVIconSets::createIconToPath(square(1024), base(), c.type));
    const QString folder = base() + QLatin1String(c.suffix) + QStringLiteral("/AppIcon.appiconset");
    const QStringList pngs = QDir(folder).entryList({ QStringLiteral("*.png") }, QDir::Files);
    EXPECT_EQ(pngs.size(), c.fileCount) << pngs.join(QLatin1Char(' ')).toStdString();
    const auto described = contents(folder);
    EXPECT_EQ(int(described.size()), c.fileCount);
    for (const auto& [name, sample] : c.samples) {
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_EQ(QImageReader(path).size(), QSize(sample.first, sample.first)) << name.toStdString();
        QJsonObject expected = sample.second;
        expected[QStringLiteral("filename")] = name;
        ASSERT_TRUE(described.count(name)) << name.toStdString();
        EXPECT_EQ(described.at(name), expected) << name.toStdString();
    }
    // A second run never touches the first set: it gets a folder of its own.
    ASSERT_TRUE(QVIconSets::createIconToPath(square(1024), base(), c.type));
    EXPECT_TRUE(QDir(base() + QLatin1String(c.suffix) + QStringLiteral("-1/AppIcon.appiconset")).exists());
}

INSTANTIATE_TEST_SUITE_P(
    Platforms, IconSetTest,
    testing::Values(
        SetCase {
            "macOS",
            QVIconSets::MacOS,
            "(OSX)",
            { { "icon_512x512@2x.png",
                { 1024, entry({ { "size", "512x512" }, { "scale", "2x" }, { "idiom", "mac" } }) } },
              { "icon_16x16.png", { 16, entry({ { "size", "16x16" }, { "scale", "1x" }, { "idiom", "mac" } }) } } },
            8 },
        SetCase { "iOS",
                  QVIconSets::IOS,
                  "(iOS)",
                  { { "iPadProApp_83.5x83.5@2x.png",
                      { 167, entry({ { "size", "83.5x83.5" }, { "scale", "2x" }, { "idiom", "ipad" } }) } },
                    { "iPhoneApp_60x60@3x.png",
                      { 180, entry({ { "size", "60x60" }, { "scale", "3x" }, { "idiom", "iphone" } }) } },
                    { "store_1024x1024.png",
                      { 1024, entry({ { "size", "1024x1024" }, { "scale", "1x" }, { "idiom", "ios-marketing" } }) } } },
                  18 },
        SetCase { "watchOS",
                  QVIconSets::WatchOS,
                  "(iWatch)",
                  { { "notificationCenter_27.5x27.5@2x.png",
                      { 55,
                        entry({ { "size", "27.5x27.5" },
                                { "scale", "2x" },
                                { "idiom", "watch" },
                                { "role", "notificationCenter" },
                                { "subtype", "42mm" } }) } },
                    { "companion_29x29@3x.png",
                      { 87,
                        entry({ { "size", "29x29" },
                                { "scale", "3x" },
                                { "idiom", "watch" },
                                { "role", "companionSettings" } }) } },
                    { "shortLook_86x86@2x.png",
                      { 172,
                        entry({ { "size", "86x86" },
                                { "scale", "2x" },
                                { "idiom", "watch" },
                                { "role", "quickLook" },
                                { "subtype", "38mm" } }) } } },
                  8 },
        SetCase {
            "Android",
            QVIconSets::Android,
            "(Android)",
            { { "AndroidIcon_36x36.png",
                { 36, entry({ { "size", "36x36" }, { "idiom", "android" }, { "resolution", "ldpi 36pt" } }) } },
              { "AndroidIcon_36x36@1.3x.png",
                { 48, entry({ { "size", "36x36" }, { "idiom", "android" }, { "resolution", "mdpi 48pt" } }) } },
              { "AndroidIcon_36x36@2.7x.png",
                { 96, entry({ { "size", "36x36" }, { "idiom", "android" }, { "resolution", "xhdpi 96pt" } }) } } },
            4 }),
    caseName<SetCase>);

TEST(IconSetsTest, ContentsJsonSkipsItselfAndHiddenFiles)
{
    const QString folder = testHome() + QStringLiteral("/regen");
    QDir().mkpath(folder);
    writeFile(folder + QStringLiteral("/.hidden_16x16.png"), "x");
    writeFile(folder + QStringLiteral("/icon_16x16@2x.png"), "x");
    writeFile(folder + QStringLiteral("/Contents.json"), "{}");
    ASSERT_TRUE(QVIconSets::createConfigJsonToPath(folder, QVIconSets::MacOS));
    const auto described = contents(folder);
    ASSERT_EQ(described.size(), 1u);
    EXPECT_TRUE(described.count(QStringLiteral("icon_16x16@2x.png")));
}

// The icon container is our own writer: Qt's ICNS plug-in must read every element back, and a
// second conversion beside an existing "AppIcon.icns" must not replace it.
TEST(IconSetsTest, IcnsIsReadBackByQtAndNeverOverwritesAnExistingOne)
{
    const QString existing = writeFile(testHome() + QStringLiteral("/icons/AppIcon.icns"), "mine");
    ASSERT_TRUE(QVIconSets::createIconToPath(square(600), base(), QVIconSets::Icns));
    QFile kept(existing);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("mine"));
    const QString written = testHome() + QStringLiteral("/icons/AppIcon-1.icns");
    QImageReader reader(written, "icns");
    ASSERT_TRUE(reader.canRead()) << reader.errorString().toStdString();
    QList<int> sides;
    for (int i = 0; i < reader.imageCount(); ++i) {
        ASSERT_TRUE(reader.jumpToImage(i));
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << i;
        EXPECT_EQ(image.width(), image.height());
        sides << image.width();
    }
    std::sort(sides.begin(), sides.end());
    EXPECT_EQ(sides, (QList<int> { 16, 32, 128, 256, 256, 512, 512, 1024 }));
    // No scratch folder is left beside the picture.
    EXPECT_FALSE(QDir(testHome() + QStringLiteral("/icons/.AppIcon.iconset")).exists());
}

TEST(IconSetsTest, ANonSquarePictureOnlyGetsTheAlert)
{
    AlertScript alerts;
    EXPECT_FALSE(QVIconSets::createIconToPath(QImage(1024, 1000, QImage::Format_ARGB32), base(), QVIconSets::IOS));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.shown().isEmpty(); }, 5000));
    EXPECT_TRUE(alerts.shown().first().informativeText.contains(QStringLiteral("1024 × 1000")))
        << alerts.shown().first().informativeText.toStdString();
    EXPECT_EQ(QDir(testHome() + QStringLiteral("/icons")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
}

TEST(IconSetsTest, AFailedWritePlaysTheErrorSound)
{
    // The icon file would go into a "folder" that is a plain file: nothing can be written there.
    const QString blocker = writeFile(testHome() + QStringLiteral("/blocker"), "file");
    setSwitch(QVSwitch::SoundFeedback, true);
    platform::Sound::setRecording(true);
    EXPECT_FALSE(QVIconSets::createIconToPath(square(64), blocker + QStringLiteral("/logo"), QVIconSets::Icns));
    const bool played = QTest::qWaitFor(
        [] { return platform::Sound::recorded().join(QLatin1Char(' ')).contains(QLatin1String("error.wav")); }, 5000);
    platform::Sound::setRecording(false);
    EXPECT_TRUE(played);
}
