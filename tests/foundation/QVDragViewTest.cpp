#include "foundation/QVDragView.h"

#include "testsupport/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

using tarsel::test::testHome;
using tarsel::test::writeFile;

namespace {

std::unique_ptr<QMimeData> filesData(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    data->setUrls(urls);
    return data;
}

class QVDragViewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_file1 = writeFile(testHome() + QStringLiteral("/a.txt"), "a");
        m_file2 = writeFile(testHome() + QStringLiteral("/b.PNG"), "b");
        m_folder = testHome() + QStringLiteral("/Folder");
        QDir().mkpath(m_folder);
        m_view.resize(200, 200);
        m_view.setChooseFilesHandler([this](const QStringList& paths) { m_received.append(paths); });
    }

    // Drags the paths over the view; answers whether the view accepted them.
    bool enter(const QStringList& paths)
    {
        const auto data = filesData(paths);
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&m_view, &event);
        return event.isAccepted() && event.dropAction() == Qt::CopyAction;
    }

    void drop(const QStringList& paths)
    {
        const auto data = filesData(paths);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&m_view, &event);
        EXPECT_TRUE(event.isAccepted()) << "a drop always succeeds";
    }

    QString m_file1;
    QString m_file2;
    QString m_folder;
    QVDragView m_view;
    QList<QStringList> m_received;
};

TEST_F(QVDragViewTest, OnlyFolderRefusesPlainFilesAndTakesAMixedDragWhole)
{
    m_view.setOnlyFolder(true);
    EXPECT_FALSE(enter({ m_file1, m_file2 }));
    ASSERT_TRUE(enter({ m_file1, m_folder }));
    drop({ m_file1, m_folder });
    ASSERT_EQ(m_received.size(), 1);
    EXPECT_EQ(m_received.first(), (QStringList { m_file1, m_folder })) << "the handler gets the list unfiltered";
}

TEST_F(QVDragViewTest, AcceptsByLowerCaseExtension)
{
    m_view.setFileTypes({ QStringLiteral("png") });
    EXPECT_TRUE(enter({ m_file2 })) << "b.PNG";
    EXPECT_FALSE(enter({ m_file1 }));

    // An application bundle is a folder, accepted by its extension with or without a slash.
    const QString bundle = testHome() + QStringLiteral("/Mail.app");
    QDir().mkpath(bundle);
    m_view.setFileTypes({ QStringLiteral("app") });
    EXPECT_TRUE(enter({ bundle }));
    EXPECT_EQ(m_view.dragOperationForPaths({ bundle + QLatin1Char('/') }), Qt::CopyAction);
}

TEST_F(QVDragViewTest, AnyAcceptsWhatNoRuleMatchesButNotByItself)
{
    EXPECT_FALSE(enter({ m_file1 }));
    EXPECT_FALSE(enter({}));
    m_view.setAny(true);
    EXPECT_TRUE(enter({ m_file1 }));
    EXPECT_TRUE(enter({}));
}

TEST_F(QVDragViewTest, LinkToAFolderIsNotAFolder)
{
    const QString link = testHome() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(m_folder, link));
    m_view.setOnlyFolder(true);
    EXPECT_FALSE(enter({ link }));
}

TEST_F(QVDragViewTest, DisabledResetsTheFilter)
{
    m_view.setOnlyFolder(true);
    m_view.setFileTypes({ QStringLiteral("txt") });
    m_view.disabled();
    EXPECT_FALSE(m_view.onlyFolder());
    EXPECT_TRUE(m_view.fileTypes().isEmpty());
    EXPECT_FALSE(enter({ m_folder, m_file1 }));
}

TEST_F(QVDragViewTest, ClickCallsTheHandler)
{
    int clicks = 0;
    m_view.setClickHandler([&]() { ++clicks; });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&m_view, &press);
    EXPECT_EQ(clicks, 1);
}

} // namespace
