#include "platform/Workspace.h"

#include "platform/Paths.h"
#include "platform/System.h"

#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUrl>

#include <gtest/gtest.h>

using platform::Workspace;
using tarsel::test::readFile;
using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

QImage filled(QColor colour, int side = 6)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QString iconsFolder()
{
    return platform::Paths::applicationSupport(platform::System::bundleIdentifier()) + QLatin1Char('/')
        + Workspace::kCustomIconsFolder;
}

// A `gio` on PATH that writes each argument it gets on a line of its own, then "--".
class FakeGio
{
public:
    FakeGio()
    {
        const QString bin = testHome() + QStringLiteral("/fake-bin");
        m_log = testHome() + QStringLiteral("/gio.log");
        writeFile(
            bin + QStringLiteral("/gio"),
            "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> \"$GIO_LOG\"\necho -- >> \"$GIO_LOG\"\n");
        QFile::setPermissions(bin + QStringLiteral("/gio"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_env.set("PATH", QFile::encodeName(bin) + ":/usr/bin:/bin");
        m_env.set("GIO_LOG", QFile::encodeName(m_log));
    }
    QStringList calls() const
    {
        QStringList calls;
        QStringList args;
        for (const QString& line : QString::fromUtf8(readFile(m_log)).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line == QLatin1String("--")) {
                calls << args.join(QLatin1Char('|'));
                args.clear();
            } else {
                args << line;
            }
        }
        return calls;
    }

private:
    tarsel::test::ScopedEnvironment m_env;
    QString m_log;
};

} // namespace

TEST(WorkspaceIconsTest, AFolderIconIsNamedInTheDirectoryFileAndEveryOtherLineStays)
{
    const QString folder = testHome() + QStringLiteral("/f");
    writeFile(folder + QStringLiteral("/.directory"),
              "# kept\n[Desktop Entry]\nIcon=old\nIcon[de]=alt\nComment=x\n\n[Other]\nIcon=notmine\n");
    QString error;
    ASSERT_TRUE(Workspace::setIcon(filled(Qt::red), folder, &error)) << qPrintable(error);
    const QString icon = Workspace::folderIcon(folder);
    EXPECT_TRUE(icon.startsWith(iconsFolder() + QLatin1Char('/')));
    EXPECT_TRUE(icon.endsWith(QStringLiteral(".png")));
    EXPECT_EQ(QImage(icon).pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(readFile(folder + QStringLiteral("/.directory")),
              "# kept\n[Desktop Entry]\nIcon=" + QFile::encodeName(icon)
                  + "\nIcon[de]=alt\nComment=x\n\n[Other]\nIcon=notmine\n");

    ASSERT_TRUE(Workspace::setIcon(QImage(), folder, &error)) << qPrintable(error);
    EXPECT_TRUE(Workspace::folderIcon(folder).isNull());
    EXPECT_EQ(readFile(folder + QStringLiteral("/.directory")),
              "# kept\n[Desktop Entry]\nIcon[de]=alt\nComment=x\n\n[Other]\nIcon=notmine\n");
}

TEST(WorkspaceIconsTest, ADirectoryFileWithNothingElseGoesWithTheIcon)
{
    const QString folder = testHome() + QStringLiteral("/plain");
    QDir().mkpath(folder);
    ASSERT_TRUE(Workspace::setIcon(filled(Qt::green), folder));
    EXPECT_EQ(readFile(folder + QStringLiteral("/.directory")),
              "[Desktop Entry]\nIcon=" + QFile::encodeName(Workspace::folderIcon(folder)) + "\n");
    ASSERT_TRUE(Workspace::setIcon(QImage(), folder));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/.directory")));
    // Removing again, with no file left, is no failure.
    EXPECT_TRUE(Workspace::setIcon(QImage(), folder));

    // A file without the group gets it appended, after what it held.
    writeFile(folder + QStringLiteral("/.directory"), "[Other]\nA=1");
    ASSERT_TRUE(Workspace::setIcon(filled(Qt::green), folder));
    EXPECT_EQ(readFile(folder + QStringLiteral("/.directory")),
              "[Other]\nA=1\n\n[Desktop Entry]\nIcon=" + QFile::encodeName(Workspace::folderIcon(folder)) + "\n");
}

TEST(WorkspaceIconsTest, EqualImagesShareOneStoredFile)
{
    const QString a = testHome() + QStringLiteral("/a");
    const QString b = testHome() + QStringLiteral("/b");
    QDir().mkpath(a);
    QDir().mkpath(b);
    ASSERT_TRUE(Workspace::setIcon(filled(Qt::blue), a));
    ASSERT_TRUE(Workspace::setIcon(filled(Qt::blue), b));
    EXPECT_EQ(Workspace::folderIcon(a), Workspace::folderIcon(b));
    ASSERT_TRUE(Workspace::setIcon(filled(Qt::yellow), b));
    EXPECT_NE(Workspace::folderIcon(a), Workspace::folderIcon(b));
    EXPECT_EQ(QDir(iconsFolder()).entryList(QDir::Files).size(), 2);
}

TEST(WorkspaceIconsTest, GioGetsTheIconAsAnArgumentVector)
{
    FakeGio gio;
    const QString file = writeFile(testHome() + QStringLiteral("/it's \"$HOME\" `x`.txt"), "x");
    ASSERT_TRUE(Workspace::setIcon(filled(Qt::red), file));
    ASSERT_TRUE(Workspace::setIcon(QImage(), file));
    // A file gets no `.directory` of its own, nor one in its folder.
    EXPECT_FALSE(QFileInfo::exists(testHome() + QStringLiteral("/.directory")));

    const QStringList calls = gio.calls();
    ASSERT_EQ(calls.size(), 2);
    const QString png = QDir(iconsFolder()).entryList(QDir::Files).value(0);
    const QString uri = QString::fromUtf8(QUrl::fromLocalFile(iconsFolder() + QLatin1Char('/') + png).toEncoded());
    EXPECT_EQ(calls[0], QStringList({ "set", file, "metadata::custom-icon", uri }).join(QLatin1Char('|')));
    EXPECT_EQ(calls[1], QStringList({ "set", "-t", "unset", file, "metadata::custom-icon" }).join(QLatin1Char('|')));
}

TEST(WorkspaceIconsTest, WithoutGioOnlyTheDirectoryFileIsWritten)
{
    tarsel::test::ScopedEnvironment env;
    env.set("PATH", QFile::encodeName(testHome() + QStringLiteral("/empty-bin")));
    const QString folder = testHome() + QStringLiteral("/f");
    QDir().mkpath(folder);
    EXPECT_TRUE(Workspace::setIcon(filled(Qt::red), folder));
    EXPECT_FALSE(Workspace::folderIcon(folder).isEmpty());

    QString error;
    EXPECT_FALSE(Workspace::setIcon(filled(Qt::red), testHome() + QStringLiteral("/missing"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("missing")));
}

TEST(WorkspaceIconsTest, AFolderWhoseSettingsCannotBeWrittenFails)
{
    const QString folder = testHome() + QStringLiteral("/f");
    // A folder where the settings file should be: no rewrite can replace it.
    QDir().mkpath(folder + QStringLiteral("/.directory"));
    QString error;
    EXPECT_FALSE(Workspace::setIcon(filled(Qt::red), folder, &error));
    EXPECT_TRUE(error.contains(QStringLiteral(".directory"))) << qPrintable(error);
}

TEST(WorkspaceFileManagerTest, AReplacedFileManagerAnswersForTheBus)
{
    const QString a = writeFile(testHome() + QStringLiteral("/a b.txt"), "x");
    QStringList calls;
    Workspace::setFileManager({ [] { return true; },
                                [&calls](const QString& method, const QStringList& uris) {
                                    calls << method + QLatin1Char(' ') + uris.join(QLatin1Char(' '));
                                    return true;
                                } });
    EXPECT_TRUE(Workspace::hasFileManager());
    EXPECT_TRUE(Workspace::showItemProperties({ a, testHome() + QStringLiteral("/gone") }));
    EXPECT_FALSE(Workspace::showItemProperties({ testHome() + QStringLiteral("/gone") }));
    EXPECT_TRUE(Workspace::reveal(a));
    Workspace::setFileManager({});
    const QString uri = QString::fromUtf8(QUrl::fromLocalFile(a).toEncoded());
    EXPECT_EQ(calls, QStringList({ "ShowItemProperties " + uri, "ShowItems " + uri }));
}
