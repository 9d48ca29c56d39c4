// The commands the extension hands to the application open their windows there: a real host
// process picks the entry and writes the app command URL to the socket this test process listens
// on as the running application; the application's window is then answered through its widgets
// and the command's result is checked on disk.

#include "app/AppDelegate.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVMenuService.h"
#include "engine/archive/SSZipArchive.h"
#include "platform/AppChannel.h"
#include "platform/Defaults.h"
#include "platform/Panels.h"
#include "toolwindows/QVToolWindows.h"
#include "toolwindows/embedfolder/QVEmbedFolderWinCtl.h"
#include "toolwindows/newfolder/QVNewFolderWinCtl.h"
#include "toolwindows/resizeimage/QVResizeImageWinCtl.h"

#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QString folder()
{
    return testHome() + "/work";
}

struct HandedOverCase
{
    const char* name;
    const char* key; ///< the entry picked in the host's menu (a top entry or a child)
    const char* files; ///< the selected files, space-separated; empty: the folder's own menu
    qint64 method; ///< the command the application receives
    /// Answers the window the command opened in the application; false when none is there.
    bool (*answer)(QVToolWindows& windows);
    const char* result; ///< what the command leaves in the folder
};

bool answerEmbed(QVToolWindows& windows)
{
    QVEmbedFolderWinCtl* dialog = windows.embedFolderWinCtl();
    if (dialog == nullptr || !dialog->window()->isVisible()) {
        return false;
    }
    dialog->foldIntoInput()->setText("Both");
    QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
    return true;
}

bool answerNewFolder(QVToolWindows& windows)
{
    QVNewFolderWinCtl* dialog = windows.createFolderWinCtl();
    if (dialog == nullptr || !dialog->window()->isVisible()) {
        return false;
    }
    dialog->nameInput()->setText("Drafts");
    QTest::keyClick(dialog->nameInput(), Qt::Key_Return);
    return true;
}

bool answerResize(QVToolWindows& windows)
{
    QVResizeImageWinCtl* window = windows.resizeImageWinCtl();
    if (window == nullptr || !window->window()->isVisible()) {
        return false;
    }
    window->widthInput()->setText("20");
    window->heightInput()->setText("10");
    QTest::mouseClick(window->okBtn(), Qt::LeftButton);
    return true;
}

// Compress with Password asks in the save panel, which the panel responder answers below; the
// conversion to UTF-8 opens no window of its own.
bool nothingToAnswer(QVToolWindows&)
{
    return true;
}

const HandedOverCase kCases[] = {
    { "EmbedInFolder", "Embed in Folder", "a.txt b.txt", 12, answerEmbed, "Both/a.txt" },
    { "NewFolder", "New Folder", "", 14, answerNewFolder, "Drafts" },
    { "CompressWithPassword", "Encrypted Compression", "a.txt", 11, nothingToAnswer, "a.zip" },
    { "CustomResize", "Customize...", "photo.png", 13, answerResize, "photo@20\u00d710.png" },
    { "ConvertToUTF8", "UTF-8", "latin.txt", 15, nothingToAnswer, "latin-utf8.txt" },
};

// The tag of the entry with that key, searched through the submenus too; -1 for none.
int tagOf(const QJsonArray& items, const QString& key)
{
    for (const QJsonValue& value : items) {
        const QJsonObject item = value.toObject();
        if (item.value("key").toString() == key) {
            return item.value("tag").toInt();
        }
        if (const int tag = tagOf(item.value("submenu").toArray(), key); tag > 0) {
            return tag;
        }
    }
    return -1;
}

// Runs the host to its end while this process keeps its event loop turning (it is the
// application the host writes to).
QByteArray runHost(const QStringList& args, int* exitCode)
{
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    host.setProcessEnvironment(env);
    host.start(QStringLiteral(TARSEL_FINDER_PROGRAM), args);
    const bool ended = QTest::qWaitFor([&] { return host.state() == QProcess::NotRunning; }, 60000);
    *exitCode = ended && host.exitStatus() == QProcess::NormalExit ? host.exitCode() : -1;
    return host.readAllStandardOutput() + host.readAllStandardError();
}

// Every factory entry switched on, so that the menu offers the commands that start switched off.
void enableEveryEntry()
{
    QVariantList list = QVMenuManager::storedList(QVMenuManager::kArrayRightMenu);
    for (QVariant& value : list) {
        QVariantMap entry = value.toMap();
        entry.insert("disabled", false);
        value = entry;
    }
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::kArrayRightMenu, list);
}

class AppHandedOverWindowsTest : public testing::TestWithParam<HandedOverCase>
{
protected:
    void TearDown() override { platform::Panels::setResponder({}); }
};

} // namespace

TEST_P(AppHandedOverWindowsTest, TheCommandOpensItsWindowInTheApplicationAndCompletes)
{
    const HandedOverCase& c = GetParam();
    ASSERT_TRUE(QDir().mkpath(folder()));
    writeFile(folder() + "/a.txt", "a");
    writeFile(folder() + "/b.txt", "b");
    writeFile(folder() + "/latin.txt", "caf\xe9 cr\xe8me br\xfbl\xe9\x65, d\xe9j\xe0 vu\n");
    QImage photo(40, 20, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    ASSERT_TRUE(photo.save(folder() + "/photo.png"));
    platform::Panels::setResponder([](platform::Panels::Kind, const platform::PanelOptions& options) {
        // The encryption options are the save panel's accessory: the password is typed there.
        auto* password
            = options.accessoryView != nullptr ? options.accessoryView->findChild<QLineEdit*>("psdTextField") : nullptr;
        if (password == nullptr) {
            return platform::PanelResult {};
        }
        password->setText("s3cret");
        return platform::PanelResult { platform::PanelResult::OK, { folder() + "/a.zip" } };
    });

    // The running application: it has written its start-up configuration and listens.
    platform::AppChannel channel;
    QString error;
    ASSERT_TRUE(channel.listen(&error)) << error.toStdString();
    AppDelegate app(&channel);
    ASSERT_TRUE(app.awakeFromNib(&error)) << error.toStdString();
    enableEveryEntry();
    QSignalSpy started(&app, &AppDelegate::commandStarted);

    QStringList paths;
    for (const QString& name : QString::fromUtf8(c.files).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        paths << folder() + QLatin1Char('/') + name;
    }
    const QStringList where = paths.isEmpty() ? QStringList { "--kind", "1", "--target", folder() } : paths;
    int code = 0;
    const QByteArray menu = runHost(QStringList { "menu", "--json" } + where, &code);
    ASSERT_EQ(code, 0) << menu.constData();
    const int tag = tagOf(QJsonDocument::fromJson(menu).object().value("items").toArray(), QString::fromUtf8(c.key));
    ASSERT_GT(tag, 0) << menu.constData();
    const QByteArray out = runHost(QStringList { "pick", QString::number(tag) } + where, &code);
    ASSERT_EQ(code, 0) << out.constData();

    ASSERT_TRUE(QTest::qWaitFor([&] { return started.count() > 0; }, 20000)) << "nothing reached the application";
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(started.first().first().toLongLong(), c.method);
    ASSERT_TRUE(c.answer(*app.toolWindows())) << "the application opened no window";
    const QString result = folder() + QLatin1Char('/') + QString::fromUtf8(c.result);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(result) && !app.isHandlingCommand(); }, 20000))
        << result.toStdString();
    // Every window the command opened is gone again.
    EXPECT_EQ(app.toolWindows()->embedFolderWinCtl(), nullptr);
    EXPECT_EQ(app.toolWindows()->createFolderWinCtl(), nullptr);
    EXPECT_EQ(app.toolWindows()->resizeImageWinCtl(), nullptr);
    EXPECT_EQ(app.toolWindows()->loadingWinCtl(), nullptr);
    if (c.method == 11) {
        EXPECT_TRUE(SSZipArchive::isPasswordValidForArchiveAtPath(result, "s3cret", nullptr));
        // The quick password test only reads the start of the first entry, which a wrong PKWARE
        // password gets past now and then; extracting reads everything and checks the CRC.
        EXPECT_FALSE(SSZipArchive::unzipFileAtPath(result, folder() + "/wrong", true, "other", nullptr));
    }
}

INSTANTIATE_TEST_SUITE_P(HandedOver, AppHandedOverWindowsTest, testing::ValuesIn(kCases), caseName<HandedOverCase>);
