#include "platform/Panels.h"

#include "testsupport/TestEnvironment.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

QFileDialog* openDialog(const QWidget& window, const QString& name)
{
    QFileDialog* dialog = nullptr;
    const bool shown = QTest::qWaitFor(
        [&]() {
            dialog = window.findChild<QFileDialog*>(name);
            return dialog != nullptr && dialog->isVisible();
        },
        2000);
    return shown ? dialog : nullptr;
}

TEST(PanelsTest, SheetShowsAccessoryAndGivesItBack)
{
    QWidget window;
    window.resize(600, 400);
    window.show();
    QWidget owner;
    QPointer<QCheckBox> accessory = new QCheckBox(QStringLiteral("Encrypt"), &owner);

    platform::PanelOptions options;
    options.directory = testHome();
    options.nameFieldValue = QStringLiteral("Archive.zip");
    options.allowedFileTypes = { QStringLiteral("zip") };
    options.accessoryView = accessory;
    std::optional<platform::PanelResult> result;
    platform::Panels::beginSavePanel(options, &window, [&](const platform::PanelResult& r) { result = r; });

    QFileDialog* dialog = openDialog(window, QStringLiteral("savePanelFileDialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(dialog->isAncestorOf(accessory));
    static_cast<QDialog*>(dialog)->accept();

    ASSERT_TRUE(QTest::qWaitFor([&]() { return result.has_value(); }, 2000));
    EXPECT_TRUE(result->isOK());
    ASSERT_EQ(result->paths.size(), 1);
    EXPECT_EQ(result->paths.first(), testHome() + QStringLiteral("/Archive.zip"));
    ASSERT_FALSE(accessory.isNull()) << "the dialog must not take the accessory with it";
    EXPECT_EQ(accessory->parentWidget(), &owner);
}

TEST(PanelsTest, CancelledSheetAnswersNoPaths)
{
    QWidget window;
    window.show();
    writeFile(testHome() + QStringLiteral("/a.txt"), "a");
    platform::PanelOptions options;
    options.directory = testHome();
    std::optional<platform::PanelResult> result;
    platform::Panels::beginOpenPanel(options, &window, [&](const platform::PanelResult& r) { result = r; });
    QFileDialog* dialog = openDialog(window, QStringLiteral("openPanelFileDialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    dialog->reject();
    ASSERT_TRUE(QTest::qWaitFor([&]() { return result.has_value(); }, 2000));
    EXPECT_FALSE(result->isOK());
    EXPECT_EQ(result->response, platform::PanelResult::Cancel);
    EXPECT_TRUE(result->paths.isEmpty());
}

TEST(PanelsTest, FolderChoiceUsesDirectoryMode)
{
    QWidget window;
    window.show();
    platform::PanelOptions options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.directory = testHome();
    platform::Panels::beginOpenPanel(options, &window, {});
    QFileDialog* dialog = openDialog(window, QStringLiteral("openPanelFileDialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    dialog->reject();
}

TEST(PanelsTest, ResponderAnswersAndSeesOptions)
{
    platform::PanelOptions seen;
    platform::Panels::setResponder([&](platform::Panels::Kind kind, const platform::PanelOptions& options) {
        EXPECT_EQ(kind, platform::Panels::Kind::Open);
        seen = options;
        return platform::PanelResult { platform::PanelResult::OK, { QStringLiteral("/tmp/x.png") } };
    });
    platform::PanelOptions options;
    options.allowsMultipleSelection = true;
    options.allowedFileTypes = { QStringLiteral("png") };
    const platform::PanelResult result = platform::Panels::runOpenPanel(options);
    platform::Panels::setResponder({});
    EXPECT_TRUE(result.isOK());
    EXPECT_EQ(result.paths, QStringList { QStringLiteral("/tmp/x.png") });
    EXPECT_TRUE(seen.allowsMultipleSelection);
    EXPECT_EQ(seen.allowedFileTypes, QStringList { QStringLiteral("png") });
}

} // namespace
