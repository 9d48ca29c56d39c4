// Conversions chosen in several real tarsel-finder processes at once, checked on disk.

#include "engine/model/QVDefaultData.h"
#include "platform/Bundle.h"
#include "platform/ImageIO.h"

#include "HostRun.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace tarsel::test;
using platform::ImageIO;

namespace {

// The tag of the entry found by its titles, one a menu level, in the menu the host prints, or -1.
int tagOf(const QStringList& args, const QStringList& titles)
{
    return tagInMenu(menuJson(args), titles);
}

} // namespace

// Each conversion chose a free name and then wrote there with a rename that replaced whatever
// had appeared meanwhile: two conversions running at once ended on one name, and one result was
// lost. Three processes converting one picture eight times each now leave 24 pictures, each
// complete, under the picture's name and its first 23 variants.
TEST(FinderHostConversionTest, ParallelConversionsEachKeepTheirOwnOutput)
{
    ASSERT_TRUE(QVDefaultData::setup());
    const QString folder = testHome() + QStringLiteral("/work");
    ASSERT_TRUE(QDir().mkpath(folder));
    // Large enough that encoding takes a while: the processes overlap.
    QImage picture(1200, 900, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QPainter(&picture).fillRect(0, 0, 600, 450, Qt::yellow);
    const QString source = folder + QStringLiteral("/photo.jpg");
    ASSERT_TRUE(ImageIO::write(picture, source, ImageIO::Format::Jpeg).ok);

    constexpr int kProcesses = 3;
    constexpr int kEach = 8;
    const QStringList selection(kEach, source);
    const int tag = tagOf(selection,
                          { platform::Bundle::localizedString(QStringLiteral("Convert to")),
                            platform::Bundle::localizedString(QStringLiteral("PNG")) });
    ASSERT_GT(tag, 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    std::vector<std::unique_ptr<QProcess>> hosts;
    for (int i = 0; i < kProcesses; ++i) {
        hosts.push_back(std::make_unique<QProcess>());
        hosts.back()->setProcessEnvironment(env);
        hosts.back()->start(QStringLiteral(TARSEL_FINDER_PROGRAM),
                            QStringList { QStringLiteral("pick"), QString::number(tag) } + selection);
    }
    for (const auto& host : hosts) {
        ASSERT_TRUE(host->waitForFinished(120000));
        EXPECT_EQ(host->exitCode(), 0) << host->readAllStandardError().constData();
    }
    QStringList expected { QStringLiteral("photo.jpg") };
    for (int n = 0; n < kProcesses * kEach; ++n) {
        expected << (n == 0 ? QStringLiteral("photo.png") : QStringLiteral("photo-%1.png").arg(n));
    }
    expected.sort();
    QStringList written
        = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    written.sort();
    // Every output kept, no scratch left.
    EXPECT_EQ(written.join(QStringLiteral(", ")).toStdString(), expected.join(QStringLiteral(", ")).toStdString());
    for (const QString& name : written) {
        if (name.endsWith(QLatin1String(".png"))) {
            EXPECT_EQ(ImageIO::read(folder + QLatin1Char('/') + name).size(), picture.size()) << name.toStdString();
        }
    }
}
