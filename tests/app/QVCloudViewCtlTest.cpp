// The configuration page through its real buttons inside the preferences pane: export and
// import, upload, download and delete with the cloud folder, each ending in the message its work
// earned; a failure never ends in success and never leaves the loading message up.

#include "app/settings/QVCloudViewCtl.h"
#include "app/settings/QVPrefViewCtl.h"
#include "engine/model/QVConfigManager.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/HudLabel.h"
#include "foundation/HudView.h"
#include "foundation/ObjectGCD.h"
#include "foundation/ViewExpand.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"

#include "testsupport/ModalScript.h"
#include "testsupport/TestEnvironment.h"
#include "testsupport/TestNames.h"
#include "tests/app/SettingsPageTesting.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tarsel::test;

namespace {

QString text(const char* key)
{
    return platform::Bundle::localizedString(QLatin1String(key));
}

/// The preferences pane on its configuration page, as the user sees it.
class CloudPage
{
public:
    CloudPage()
    {
        m_pref.setPageType(1);
        m_pref.resize(760, 520);
        m_pref.show();
    }
    ~CloudPage() { m_pref.hide(); }
    CloudPage(const CloudPage&) = delete;
    CloudPage& operator=(const CloudPage&) = delete;

    QVCloudViewCtl& page() { return *m_pref.cloudViewCtl(); }
    template <typename T> T* child(const char* name) { return page().findChild<T*>(QLatin1String(name)); }
    /// Clicks as the user does, once the message of an earlier operation has gone.
    void click(const char* button)
    {
        qv::dismissHud(page().prefView());
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    QString status() { return child<QLabel>("backupTimeValueLabel")->text(); }

    /// The text of the message over the pane; empty while none is shown.
    QString hud()
    {
        QWidget* view = page().prefView();
        auto* overlay = view->findChild<qv::HudView*>(QString(), Qt::FindDirectChildrenOnly);
        return qv::hudVisible(view) && overlay != nullptr ? overlay->label()->text() : QString();
    }
    /// Waits until the operation has ended in a message and answers it; a loading message that
    /// stays up answers "<loading>".
    std::string result()
    {
        const QString loading = platform::Bundle::localizedString(QStringLiteral("Loading..."));
        const auto ended = [this, &loading] {
            const QString shown = hud();
            return !page().isLoading() && !shown.isEmpty() && shown != loading;
        };
        if (!QTest::qWaitFor(ended, 30000)) {
            return page().isLoading() || hud() == loading ? "<loading>" : "<no message>";
        }
        return hud().toStdString();
    }

private:
    QVPrefViewCtl m_pref;
};

void writeConfiguration(const QString& tag)
{
    shared().setValue("fold menu name", tag);
    shared().setValue("array common path", QVariantList { tag });
    shared().setValue(QVMenuManager::prefCheck(1), tag == "mine");
}

// The page sits in the pane: messages are shown over the pane's right side, not the page.
TEST(CloudViewCtlTest, MessagesShowOverThePane)
{
    CloudPage pane;
    QWidget* view = pane.page().prefView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->objectName(), "rightView");
}

// Export twice into one folder, then import the first into a fresh home through the page: the
// configuration comes back.
TEST(CloudViewCtlTest, ExportThenImportIntoAFreshHomeRestores)
{
    writeConfiguration("mine");
    const QString folder = inHome("Backups");
    QDir().mkpath(folder);
    {
        CloudPage pane;
        PanelScript panels;
        for (const char* name : { "qvconfig", "qvconfig-1" }) {
            panels.setNextPaths({ folder });
            pane.click("exportBtn");
            EXPECT_EQ(pane.result(), text("Success Common Tip").toStdString()) << name;
            EXPECT_TRUE(QFileInfo(folder + "/" + name).isFile()) << name;
        }
        ASSERT_EQ(panels.shown().size(), 2);
        EXPECT_FALSE(panels.shown().first().options.canChooseFiles);
        EXPECT_TRUE(panels.shown().first().options.canChooseDirectories);
        EXPECT_EQ(panels.shown().first().options.prompt, text("Save Config"));
    }

    ScopedEnvironment fresh;
    fresh.set("XDG_DATA_HOME", QFile::encodeName(inHome("fresh-data")));
    fresh.set("XDG_CONFIG_HOME", QFile::encodeName(inHome("fresh-config")));
    writeConfiguration("fresh");
    CloudPage pane;
    PanelScript panels;
    panels.setNextPaths({ folder + "/qvconfig" });
    pane.click("importBtn");
    EXPECT_EQ(pane.result(), text("Success Common Tip").toStdString());
    EXPECT_EQ(shared().stringValue("fold menu name"), "mine");
    EXPECT_EQ(shared().value("array common path"), QVariant(QVariantList { "mine" }));
    EXPECT_TRUE(shared().boolValue(QVMenuManager::prefCheck(1)));
    ASSERT_EQ(panels.shown().size(), 1);
    EXPECT_TRUE(panels.shown().first().options.canChooseFiles);
    EXPECT_FALSE(panels.shown().first().options.canChooseDirectories);
}

struct FailureCase
{
    const char* name;
    /// Prepares the failure and starts the operation on the page.
    std::function<void(CloudPage& pane, ScopedEnvironment& env)> run;
    /// Checked afterwards: nothing was written where the failure was.
    std::function<void()> nothingWritten;
};

class CloudFailureTest : public testing::TestWithParam<FailureCase>
{
};

// Each failure ends in the error message, never in success, and the loading message is gone.
TEST_P(CloudFailureTest, EndsInTheErrorMessage)
{
    const FailureCase& c = GetParam();
    ScopedEnvironment env;
    env.set("TARSEL_CLOUD_DIR", QFile::encodeName(inHome("Cloud")));
    writeConfiguration("mine");
    AlertScript alerts;
    CloudPage pane;
    c.run(pane, env);
    EXPECT_EQ(pane.result(), text("Error Common Tip").toStdString());
    if (c.nothingWritten) {
        c.nothingWritten();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CloudFailureTest,
    testing::Values(FailureCase { "ExportArchiveNotWritten",
                                  [](CloudPage& pane, ScopedEnvironment&) {
                                      QDir().mkpath(inHome("Backups"));
                                      // A folder where the stored archive goes: it cannot be written.
                                      QDir().mkpath(QVMenuManager::configManagerFolder() + QLatin1Char('/')
                                                    + QVConfigManager::kConfigZipName);
                                      PanelScript panels;
                                      panels.setNextPaths({ inHome("Backups") });
                                      pane.click("exportBtn");
                                  },
                                  [] { EXPECT_TRUE(QDir(inHome("Backups")).isEmpty()); } },
                    FailureCase { "ExportCopyFails",
                                  [](CloudPage& pane, ScopedEnvironment&) {
                                      // The chosen folder is gone by the time the archive is copied there.
                                      PanelScript panels;
                                      panels.setNextPaths({ inHome("Removed Folder") });
                                      pane.click("exportBtn");
                                  },
                                  [] { EXPECT_FALSE(QFileInfo::exists(inHome("Removed Folder"))); } },
                    FailureCase { "ImportNotAnArchive",
                                  [](CloudPage& pane, ScopedEnvironment&) {
                                      PanelScript panels;
                                      panels.setNextPaths({ writeFile(inHome("notes.txt"), "plain text") });
                                      pane.click("importBtn");
                                  },
                                  [] { EXPECT_EQ(shared().stringValue("fold menu name"), "mine"); } },
                    FailureCase { "UploadNotReplaced",
                                  [](CloudPage& pane, ScopedEnvironment&) {
                                      // A folder in the copy's place that a file cannot replace.
                                      writeFile(inHome("Cloud/Documents/qvconfig.zip/keep"), "k");
                                      pane.click("iCloudUploadBtn");
                                  },
                                  [] { EXPECT_TRUE(QFileInfo(inHome("Cloud/Documents/qvconfig.zip")).isDir()); } },
                    FailureCase { "UploadCloudFolderGone",
                                  [](CloudPage& pane, ScopedEnvironment& env) {
                                      env.set("TARSEL_CLOUD_DIR", "");
                                      pane.click("iCloudUploadBtn");
                                  },
                                  {} },
                    FailureCase { "DownloadCloudFolderGone",
                                  [](CloudPage& pane, ScopedEnvironment& env) {
                                      pane.click("iCloudUploadBtn");
                                      ASSERT_EQ(pane.result(), text("Success Common Tip").toStdString());
                                      ASSERT_TRUE(pane.page().configManager().isBackup());
                                      env.set("TARSEL_CLOUD_DIR", "");
                                      pane.click("iCloudDownloadBtn");
                                  },
                                  [] { EXPECT_EQ(shared().stringValue("fold menu name"), "mine"); } }),
    caseName<FailureCase>);

// Upload, download and delete with the cloud folder: the status follows, the download restores
// the copy, and the delete hides its button again.
TEST(CloudViewCtlTest, UploadDownloadDelete)
{
    ScopedEnvironment env;
    env.set("TARSEL_CLOUD_DIR", QFile::encodeName(inHome("Cloud")));
    writeConfiguration("mine");
    CloudPage pane;
    EXPECT_TRUE(pane.child<QCheckBox>("iCloudEnableCheck")->isChecked());
    EXPECT_TRUE(QTest::qWaitFor([&pane] { return pane.status() == text("Not backed up"); }, 5000));
    EXPECT_FALSE(pane.child<QPushButton>("deleteBtn")->isVisible());

    pane.click("iCloudUploadBtn");
    EXPECT_EQ(pane.result(), text("Success Common Tip").toStdString());
    EXPECT_TRUE(QFileInfo(inHome("Cloud/Documents/qvconfig.zip")).isFile());
    EXPECT_EQ(pane.status(), text("Backed up") + " just now");
    EXPECT_TRUE(pane.child<QPushButton>("deleteBtn")->isVisible());

    writeConfiguration("later");
    AlertScript alerts({ platform::Alert::FirstButtonReturn, platform::Alert::FirstButtonReturn });
    pane.click("iCloudDownloadBtn");
    // The window becoming key as the sheet closes must not take the operation's result away.
    qv::postNotification(qv::kRefreshSignal);
    EXPECT_EQ(pane.result(), text("Success Common Tip").toStdString());
    ASSERT_EQ(alerts.shown().size(), 1);
    EXPECT_EQ(alerts.shown().first().informativeText, text("Download Config Tip"));
    EXPECT_EQ(alerts.shown().first().buttons, QStringList({ text("Continue"), text("Cancel") }));
    EXPECT_EQ(shared().stringValue("fold menu name"), "mine");

    pane.click("deleteBtn");
    EXPECT_EQ(pane.result(), text("Success Common Tip").toStdString());
    ASSERT_EQ(alerts.shown().size(), 2);
    EXPECT_EQ(alerts.shown().last().informativeText, text("Delete Tip"));
    EXPECT_FALSE(QFileInfo::exists(inHome("Cloud/Documents/qvconfig.zip")));
    EXPECT_EQ(pane.status(), text("Not backed up"));
    EXPECT_FALSE(pane.child<QPushButton>("deleteBtn")->isVisible());
}

// Without a copy in the cloud folder a download only says so; a refresh from the window
// becoming key updates the status without any message.
TEST(CloudViewCtlTest, DownloadWithoutCopyAndQuietRefresh)
{
    ScopedEnvironment env;
    env.set("TARSEL_CLOUD_DIR", QFile::encodeName(inHome("Cloud")));
    CloudPage pane;
    AlertScript alerts;
    QTest::qWait(50);
    pane.click("iCloudDownloadBtn");
    EXPECT_EQ(pane.hud(), text("Not backed up"));
    EXPECT_TRUE(alerts.shown().isEmpty());
    qv::dismissHud(pane.page().prefView());

    // A copy arrives from elsewhere (another machine's upload through the sync client).
    writeConfiguration("mine");
    QVConfigManager other;
    bool uploaded = false;
    other.uploadConfigToCloudWithComplete([&uploaded](bool ok) { uploaded = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&uploaded] { return uploaded; }, 30000));
    qv::postNotification(qv::kRefreshSignal);
    EXPECT_TRUE(QTest::qWaitFor([&pane] { return pane.status().startsWith(text("Backed up")); }, 5000));
    EXPECT_EQ(pane.hud(), QString());

    // Without a cloud folder the buttons that need it are off.
    env.set("TARSEL_CLOUD_DIR", "");
    qv::postNotification(qv::kRefreshSignal);
    EXPECT_FALSE(pane.child<QCheckBox>("iCloudEnableCheck")->isChecked());
    EXPECT_FALSE(pane.child<QPushButton>("iCloudUploadBtn")->isEnabled());
    EXPECT_FALSE(pane.child<QPushButton>("iCloudDownloadBtn")->isEnabled());
    EXPECT_EQ(pane.status(), text("Not backed up"));
}

} // namespace
