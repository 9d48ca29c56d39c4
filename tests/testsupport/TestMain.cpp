// The gtest main of every test binary: a QApplication on the offscreen platform (xcb for the
// x11 binaries), the C locale, and a private HOME / XDG tree for every single test.

#include "PrivateHome.h"
#include "TestEnvironment.h"

#include "platform/ModalPolicy.h"
#include "platform/System.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tarsel::test {
int runChildIfRequested(int argc, char** argv, bool* handled);
}

namespace {

using tarsel::test::pointEnvironmentAt;

// Gives every test its own HOME and XDG folders, removed after the test.
class PrivateHomeListener : public testing::EmptyTestEventListener
{
public:
    void OnTestStart(const testing::TestInfo&) override
    {
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/tarsel-test-XXXXXX"));
        pointEnvironmentAt(m_dir->path());
    }
    void OnTestEnd(const testing::TestInfo&) override
    {
        pointEnvironmentAt(m_base);
        m_dir.reset();
    }
    void setBase(const QString& base) { m_base = base; }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_base;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsSet("TARSEL_TEST_X11") ? "xcb" : "offscreen");
    }
    QLocale::setDefault(QLocale::c());

    // A child process keeps the HOME its parent test gave it.
    bool isChild = false;
    if (!qEnvironmentVariableIsEmpty("TARSEL_TEST_CHILD")) {
        QApplication app(argc, argv);
        return tarsel::test::runChildIfRequested(argc, argv, &isChild);
    }

    // Until the first test starts, the process runs in a private tree as well.
    QTemporaryDir base(QDir::tempPath() + QStringLiteral("/tarsel-test-base-XXXXXX"));
    pointEnvironmentAt(base.path());

    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setEffectEnabled(Qt::UI_AnimateMenu, false);
    QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
    QApplication::setEffectEnabled(Qt::UI_AnimateTooltip, false);
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
    // Tests drive the real alerts and panels on the offscreen platform; the programs they start
    // do not, and answer without asking there.
    platform::ModalPolicy::setShowsOnOffscreen(true);

    auto* listener = new PrivateHomeListener;
    listener->setBase(base.path());
    testing::UnitTest::GetInstance()->listeners().Append(listener);
    return RUN_ALL_TESTS();
}
