#include "platform/Bundle.h"

#include "platform/System.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QRegularExpression>
#include <QResource>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

using platform::Bundle;

namespace {

const QString kTestTable = "BundleTest";

// Runs the bundle child with the given user languages (the LANGUAGE list of the desktop).
tarsel::test::ChildResult lookUpWithLanguages(const QByteArray& languages, const QString& key)
{
    tarsel::test::ScopedEnvironment env;
    env.set("LANGUAGE", languages);
    return tarsel::test::runChild("bundleLookUp", { key });
}

QString writeThemeIcon(const QString& themeDir, const QString& iconName, QColor colour)
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = themeDir + "/16x16/actions/" + iconName + ".png";
    QDir().mkpath(themeDir + "/16x16/actions");
    image.save(path);
    return path;
}

} // namespace

TARSEL_TEST_CHILD(bundleLookUp)
{
    std::printf("%s", Bundle::localizedString(args.value(0), QString(), "BundleTest").toUtf8().constData());
    return 0;
}

TEST(BundleTest, ParsesStringsTables)
{
    const QString text = QStringLiteral("/* A comment\n   over \"two\" lines = ; */\n"
                                        "\"plain\" = \"Plain text\";\n"
                                        "// a line comment \"x\" = \"y\";\n"
                                        "  \"spaced\"   =\t\"  keeps inner blanks  \"  ;\n"
                                        "\"escapes\" = \"a\\\"b\\\\c\\nd\\te\";\n"
                                        "\"unicode\" = \"caf\\U00e9 \\UD83D\\UDE00 \\u00FC\";\n"
                                        "\"with = and ;\" = \"value ; with = signs // not a comment /* nor this */\";\n"
                                        "\"same\";\n"
                                        "bare_key = bare.value;\n"
                                        "\"empty\" = \"\";\n"
                                        "\"octal\" = \"\\101\\60\";\n");
    const QHash<QString, QString> table = Bundle::parseStrings(text);
    EXPECT_EQ(table.value("plain"), "Plain text");
    EXPECT_FALSE(table.contains("x"));
    EXPECT_EQ(table.value("spaced"), "  keeps inner blanks  ");
    EXPECT_EQ(table.value("escapes"), "a\"b\\c\nd\te");
    EXPECT_EQ(table.value("unicode"), "café \U0001F600 ü");
    EXPECT_EQ(table.value("with = and ;"), "value ; with = signs // not a comment /* nor this */");
    EXPECT_EQ(table.value("same"), "same");
    EXPECT_EQ(table.value("bare_key"), "bare.value");
    EXPECT_TRUE(table.contains("empty"));
    EXPECT_TRUE(table.value("empty").isEmpty());
    EXPECT_EQ(table.value("octal"), "A0");
    EXPECT_EQ(table.size(), 9);
}

TEST(BundleTest, AMalformedTableKeepsTheEntriesBeforeTheFault)
{
    const QHash<QString, QString> missingSemicolon
        = Bundle::parseStrings("\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"3\";");
    EXPECT_EQ(missingSemicolon.value("a"), "1");
    EXPECT_EQ(missingSemicolon.value("b"), "2");
    EXPECT_FALSE(missingSemicolon.contains("c"));

    const QHash<QString, QString> unterminated = Bundle::parseStrings("\"a\" = \"1\";\n\"b\" = \"never closed;\n");
    EXPECT_EQ(unterminated.size(), 1);
    EXPECT_EQ(unterminated.value("a"), "1");

    // The last entry may lack its semicolon; an empty or comment-only text is an empty table.
    EXPECT_EQ(Bundle::parseStrings("\"k\" = \"v\"").value("k"), "v");
    EXPECT_TRUE(Bundle::parseStrings("/* only */ // comments").isEmpty());
    EXPECT_TRUE(Bundle::parseStrings("/* unterminated comment \"a\" = \"b\";").isEmpty());
}

TEST(BundleTest, MissingKeysAnswerTheFallbackElseTheKey)
{
    EXPECT_EQ(Bundle::localizedString("Only English", QString(), kTestTable), "Only in English");
    EXPECT_EQ(Bundle::localizedString("Quoted", "unused", kTestTable), "She said \"hi\"");
    EXPECT_EQ(Bundle::localizedString("No Such Key", "Fallback", kTestTable), "Fallback");
    EXPECT_EQ(Bundle::localizedString("No Such Key", QString(), kTestTable), "No Such Key");
    EXPECT_EQ(Bundle::localizedString("No Such Key", "", kTestTable), "No Such Key");
    // A table that does not exist answers like a missing key; the default table is Localizable.
    EXPECT_EQ(Bundle::localizedString("Greeting", QString(), "NoSuchTable"), "Greeting");
    EXPECT_EQ(Bundle::localizedString("Only English"), "Only English");
}

TEST(BundleTest, UsesTheUsersLanguageThenEnglish)
{
    EXPECT_EQ(lookUpWithLanguages("de", "Greeting").out, QByteArray("Hallo"));
    // A key the German table lacks comes from the English one.
    EXPECT_EQ(lookUpWithLanguages("de", "Only English").out, QByteArray("Only in English"));
    // zh_CN is zh-Hans-CN: found in zh-Hans.lproj, a UTF-16 table.
    EXPECT_EQ(lookUpWithLanguages("zh_CN", "Greeting").out, QStringLiteral("你好").toUtf8());
    // The first listed language that has a table wins; one without any falls through.
    EXPECT_EQ(lookUpWithLanguages("fr:de", "Greeting").out, QByteArray("Hallo"));
    EXPECT_EQ(lookUpWithLanguages("en:de", "Greeting").out, QByteArray("Hello"));
    EXPECT_EQ(lookUpWithLanguages("fr", "Greeting").out, QByteArray("Hello"));
}

TEST(BundleTest, InfoValues)
{
    EXPECT_EQ(Bundle::infoValue("CFBundleDisplayName"), "Tarsel");
    EXPECT_EQ(Bundle::infoValue("CFBundleName"), "Tarsel");
    EXPECT_TRUE(
        QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(Bundle::infoValue("CFBundleShortVersionString")).hasMatch());
    EXPECT_TRUE(Bundle::infoValue("NoSuchInfoKey").isNull());

    EXPECT_EQ(Bundle::infoValue("CFBundleIdentifier"), platform::System::kAppBundleId);
    platform::System::setBundleIdentifier(platform::System::kExtensionBundleId);
    EXPECT_EQ(Bundle::infoValue("CFBundleIdentifier"), platform::System::kExtensionBundleId);
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
}

TEST(BundleTest, FindsResourcesByNameAndType)
{
    const QString tick = ":/tarsel/sounds/tarsel-test-tick.wav";
    EXPECT_EQ(Bundle::resourcePath("tarsel-test-tick.wav"), tick);
    EXPECT_EQ(Bundle::resourcePath("tarsel-test-tick", "wav"), tick);
    EXPECT_EQ(Bundle::resourcePath("sounds/tarsel-test-tick.wav"), tick);
    EXPECT_EQ(Bundle::resourcePath("BundleTest.strings"), ":/tarsel/en.lproj/BundleTest.strings");
    EXPECT_TRUE(Bundle::resourceData("tarsel-test-tick.wav").startsWith("RIFF"));

    EXPECT_TRUE(Bundle::resourcePath("tarsel-test-tick", "mp3").isEmpty());
    EXPECT_TRUE(Bundle::resourcePath(QString()).isEmpty());
    EXPECT_TRUE(Bundle::resourcePath("../tarsel/sounds/tarsel-test-tick.wav").isEmpty());
    EXPECT_TRUE(Bundle::resourceData("missing.bin").isNull());
}

TEST(BundleTest, BundledImagesByNameWithOrWithoutType)
{
    for (const QString& name : QStringList { "tarsel-test-dot", "tarsel-test-dot.png" }) {
        const QImage image = Bundle::imageNamed(name);
        ASSERT_FALSE(image.isNull()) << qPrintable(name);
        EXPECT_EQ(image.size(), QSize(2, 2));
        EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::red));
        EXPECT_TRUE(Bundle::hasImageNamed(name));
        EXPECT_FALSE(Bundle::iconNamed(name).isNull());
    }
    EXPECT_FALSE(Bundle::hasImageNamed("tarsel-test-dot.jpg"));
    EXPECT_FALSE(Bundle::hasImageNamed(QString()));
}

namespace {

// Whether one of Qt's image format plug-ins is mapped into this process.
bool imageFormatPlugInLoaded()
{
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

} // namespace

// Bundled images and icons are read by the format their names give: left to guess, Qt loads
// every image format plug-in to ask each one, which the first image of every process paid for.
TEST(BundleTest, BundledImagesAndIconsLoadNoImageFormatPlugIn)
{
    if (imageFormatPlugInLoaded()) {
        GTEST_SKIP() << "an earlier test of this process loaded the image format plug-ins";
    }
    EXPECT_FALSE(Bundle::iconNamed("success").pixmap(32, 32).isNull());
    EXPECT_FALSE(Bundle::imageNamed("tarsel-test-dot").isNull());
    EXPECT_FALSE(imageFormatPlugInLoaded());
}

// The bundle answers whether it has an image by the file alone, so every bundled image must read.
TEST(BundleTest, EveryBundledImageReads)
{
    const QStringList names = QDir(":/tarsel/images").entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        EXPECT_TRUE(Bundle::hasImageNamed(name)) << qPrintable(name);
        EXPECT_FALSE(Bundle::imageNamed(name).isNull()) << qPrintable(name);
    }
}

TEST(BundleTest, FallsBackToTheIconThemeThroughTheNameMap)
{
    const QStringList savedPaths = QIcon::themeSearchPaths();
    const QString savedTheme = QIcon::themeName();
    const QString root = tarsel::test::testHome() + "/icons";
    const QString themeDir = root + "/TarselTest";
    tarsel::test::writeFile(themeDir + "/index.theme",
                            "[Icon Theme]\nName=TarselTest\nDirectories=16x16/actions\n\n"
                            "[16x16/actions]\nSize=16\nType=Fixed\n");
    writeThemeIcon(themeDir, "application-pdf", Qt::blue);
    writeThemeIcon(themeDir, "bare-theme-name", Qt::green);
    QIcon::setThemeSearchPaths({ root });
    QIcon::setThemeName("TarselTest");

    // "pdf" is Tarsel's name for the theme's "application-pdf" (and no bundled image has it).
    EXPECT_TRUE(Bundle::hasImageNamed("pdf"));
    const QImage image = Bundle::imageNamed("pdf");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), QColor(Qt::blue));
    EXPECT_FALSE(Bundle::iconNamed("pdf").isNull());
    // A name the map lacks is tried as a theme name itself.
    EXPECT_TRUE(Bundle::hasImageNamed("bare-theme-name"));
    // Neither bundled nor in the theme: no image, not a placeholder.
    EXPECT_FALSE(Bundle::hasImageNamed("tarsel-no-such-image"));
    EXPECT_TRUE(Bundle::imageNamed("tarsel-no-such-image").isNull());
    EXPECT_TRUE(Bundle::iconNamed("tarsel-no-such-image").isNull());

    QIcon::setThemeSearchPaths(savedPaths);
    QIcon::setThemeName(savedTheme);
}

TEST(BundleTest, ConcurrentLookupsAgree)
{
    std::atomic<int> wrong { 0 };
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&wrong] {
            for (int i = 0; i < 500; ++i) {
                if (Bundle::localizedString("Only English", QString(), kTestTable) != "Only in English"
                    || Bundle::localizedString(QStringLiteral("k%1").arg(i), QString(),
                                               QStringLiteral("T%1").arg(i % 7))
                        != QStringLiteral("k%1").arg(i)
                    || Bundle::imageNamed("tarsel-test-dot").size() != QSize(2, 2)) {
                    ++wrong;
                }
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(wrong.load(), 0);
}

namespace {

// A record of the drawn-image cache file for "add" at 16 x 16, every pixel of one colour.
QByteArray cacheRecord(qint64 modified, qint64 size, QRgb pixel, qsizetype cut = 0)
{
    const QByteArray key("add@16x16");
    QByteArray body;
    const quint16 keyLength = quint16(key.size());
    const quint16 side = 16;
    body.append(reinterpret_cast<const char*>(&keyLength), sizeof keyLength).append(key);
    body.append(reinterpret_cast<const char*>(&modified), sizeof modified);
    body.append(reinterpret_cast<const char*>(&size), sizeof size);
    body.append(reinterpret_cast<const char*>(&side), sizeof side);
    body.append(reinterpret_cast<const char*>(&side), sizeof side);
    for (int i = 0; i < side * side; ++i) {
        body.append(reinterpret_cast<const char*>(&pixel), sizeof pixel);
    }
    const quint32 length = quint32(body.size());
    body.prepend(reinterpret_cast<const char*>(&length), sizeof length);
    return body.left(body.size() - cut);
}

struct DrawnImageCase
{
    const char* name;
    // What the cache file holds before the image is asked for; null for no file.
    QByteArray (*file)(qint64 modified, qint64 size);
    bool fromFile; ///< the answer is the file's (blue) record
};

const QByteArray kMagic("tarsel drawn images 1\n");
const QRgb kBlue = qRgba(0, 0, 255, 255);

class DrawnImageCache : public testing::TestWithParam<DrawnImageCase>
{
};

TEST_P(DrawnImageCache, AnswersTheBundledImageAtMenuSize)
{
    const DrawnImageCase& c = GetParam();
    const QString cacheHome = tarsel::test::testHome() + "/cache-" + QString::fromLatin1(c.name);
    tarsel::test::ScopedEnvironment env;
    env.set("XDG_CACHE_HOME", QFile::encodeName(cacheHome));
    const QString file = cacheHome + "/tarsel/menu-images";
    const QResource resource(":/tarsel/images/add.png");
    ASSERT_TRUE(resource.isValid());
    if (c.file != nullptr) {
        tarsel::test::writeFile(file, c.file(resource.lastModified().toMSecsSinceEpoch(), resource.size()));
    }

    const QImage drawn = Bundle::scaledImageNamed("add", QSize(16, 16));
    ASSERT_EQ(drawn.size(), QSize(16, 16));
    if (c.fromFile) {
        EXPECT_EQ(drawn.pixel(8, 8), kBlue);
        return;
    }
    const QImage expected = Bundle::imageNamed("add")
                                .scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(drawn.convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
    // What was drawn is kept for the next process, which reads the same pixels.
    QFile kept(file);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_TRUE(kept.readAll().startsWith(kMagic));
    env.set("XDG_CACHE_HOME", QFile::encodeName(cacheHome + "-moved"));
    EXPECT_TRUE(QDir().rename(cacheHome, cacheHome + "-moved"));
    const QImage again = Bundle::scaledImageNamed("add", QSize(16, 16));
    EXPECT_EQ(again.convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, DrawnImageCache,
    testing::Values(
        DrawnImageCase { "no_file", nullptr, false },
        DrawnImageCase { "record_of_this_resource",
                         [](qint64 m, qint64 s) { return kMagic + cacheRecord(m, s, kBlue); }, true },
        DrawnImageCase { "record_of_an_older_resource",
                         [](qint64 m, qint64 s) { return kMagic + cacheRecord(m - 1000, s, kBlue); }, false },
        DrawnImageCase { "record_of_a_resource_of_another_size",
                         [](qint64 m, qint64 s) { return kMagic + cacheRecord(m, s + 1, kBlue); }, false },
        DrawnImageCase { "torn_record", [](qint64 m, qint64 s) { return kMagic + cacheRecord(m, s, kBlue, 3); },
                         false },
        DrawnImageCase { "foreign_file",
                         [](qint64 m, qint64 s) { return QByteArray("not a cache\n") + cacheRecord(m, s, kBlue); },
                         false },
        DrawnImageCase { "later_record_counts",
                         [](qint64 m, qint64 s) {
                             return kMagic + cacheRecord(m, s, qRgba(255, 0, 0, 255)) + cacheRecord(m, s, kBlue);
                         },
                         true }),
    [](const testing::TestParamInfo<DrawnImageCase>& info) { return std::string(info.param.name); });

} // namespace

TEST(BundleTest, DrawnImageOfANameWithoutBundledImageIsNull)
{
    EXPECT_TRUE(Bundle::scaledImageNamed("tarsel-no-such-image", QSize(16, 16)).isNull());
    EXPECT_TRUE(Bundle::scaledImageNamed("../tarsel/images/add", QSize(16, 16)).isNull());
}
