// Picks that ask a question, run through the real tarsel-finder program without a display and
// without scripted answers. The offscreen platform used to show the question as a modal box
// nobody could see or answer, so the program never returned.

#include "tests/engine/MenuStoreTestSupport.h"
#include "engine/model/QVMenuManager.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"

#include "tests/host/HostRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

using namespace tarsel::test;

namespace {

HostRun runHeadless(const QStringList& args)
{
    return runProgram(QStringLiteral(TARSEL_FINDER_PROGRAM), args,
                      { .env = hostEnvironment({}, { "DISPLAY", "WAYLAND_DISPLAY" }), .timeoutMs = 30000 });
}

QString localized(const char* key)
{
    return platform::Bundle::localizedString(QString::fromUtf8(key));
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The tag of the entry titled so inside the entry titled parent, from the host's own menu.
qint64 childTag(const QString& file, const QString& parent, const QString& title)
{
    const QByteArray out = runHeadless({ "menu", "--json", file }).out;
    for (const QJsonValue& top : QJsonDocument::fromJson(out).object().value("items").toArray()) {
        if (top.toObject().value("title").toString() != parent) {
            continue;
        }
        for (const QJsonValue& child : top.toObject().value("submenu").toArray()) {
            if (child.toObject().value("title").toString() == title) {
                return child.toObject().value("tag").toInteger(-1);
            }
        }
    }
    return -1;
}

struct HeadlessCase
{
    const char* name;
    /// Writes the configuration and the files; answers the selected file and the tag to pick.
    std::function<std::pair<QString, qint64>()> setUp;
    QStringList asked; ///< localisation keys of the texts the questions show
    /// The harmless answer was taken: nothing of the user's was touched.
    std::function<void(const QString& file)> untouched;
};

const HeadlessCase kCases[] = {
    { "DeleteConfirmation",
      [] {
          storeList(QVMenuManager::kArrayRightMenu, { keyed("Delete") });
          shared().setValue(QVMenuManager::prefCheck(QVSwitch::AskBeforeDelete), true);
          shared().setValue("is reviewed", true);
          return std::pair { writeFile(testHome() + "/keep.txt", "mine"), qint64(1) };
      },
      { "Delete Tip" },
      [](const QString& file) { EXPECT_EQ(readAll(file), "mine"); } },
    { "NameConflictOnCopy",
      [] {
          const QString to = testHome() + "/to";
          writeFile(to + "/same.txt", "already there");
          storeList(QVMenuManager::kArrayRightMenu, { keyed("Copy to") });
          storeList(QVMenuManager::kArrayCommonPath,
                    { entry({ { "key", "to" }, { "path", to }, { "displayName", "Target" } }) });
          shared().setValue("is reviewed", true);
          const QString file = writeFile(testHome() + "/from/same.txt", "new");
          return std::pair { file, childTag(file, localized("Copy to"), "Target") };
      },
      { "Same FileName Tip" },
      [](const QString& file) {
          EXPECT_EQ(readAll(testHome() + "/to/same.txt"), "already there");
          EXPECT_EQ(readAll(file), "new");
          EXPECT_EQ(QDir(testHome() + "/to").entryList(QDir::Files), QStringList { "same.txt" });
      } },
    // The 3rd use asks for a review three seconds after the command; "Not Now" leaves the
    // question open for a later use.
    { "ReviewPrompt",
      [] {
          storeList(QVMenuManager::kArrayRightMenu, { keyed("Delete") });
          shared().setValue(QVMenuManager::prefCheck(QVSwitch::AskBeforeDelete), true);
          shared().setValue("use count", 2);
          return std::pair { writeFile(testHome() + "/keep.txt", "mine"), qint64(1) };
      },
      { "Delete Tip", "Review Tip" },
      [](const QString& file) {
          EXPECT_EQ(readAll(file), "mine");
          EXPECT_EQ(shared().integerValue("use count"), 3);
          EXPECT_FALSE(shared().boolValue("is reviewed"));
      } },
};

void PrintTo(const HeadlessCase& c, std::ostream* os)
{
    *os << c.name;
}

class FinderHostHeadlessTest : public testing::TestWithParam<HeadlessCase>
{
};

TEST_P(FinderHostHeadlessTest, APickThatAsksReturnsWithTheHarmlessAnswer)
{
    const auto [file, tag] = GetParam().setUp();
    ASSERT_GT(tag, 0);
    const HostRun run = runHeadless({ "pick", QString::number(tag), file });
    ASSERT_TRUE(run.finished) << "tarsel-finder pick waited for an answer: " << run.err.constData();
    EXPECT_EQ(run.exitCode, 0) << run.err.constData();
    const QString err = QString::fromUtf8(run.err);
    for (const QString& key : GetParam().asked) {
        // The question's text up to its first placeholder, as the user would have read it.
        const QString text = localized(key.toUtf8().constData()).section("%@", 0, 0);
        EXPECT_TRUE(err.contains(text)) << key.toStdString() << " not on stderr: " << run.err.constData();
    }
    EXPECT_TRUE(err.contains("no display to ask")) << run.err.constData();
    GetParam().untouched(file);
}

INSTANTIATE_TEST_SUITE_P(Headless, FinderHostHeadlessTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<HeadlessCase>& info) { return std::string(info.param.name); });

} // namespace
