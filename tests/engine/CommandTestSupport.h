#pragma once

// The fixture of tests that run the service's commands on real files.

#include "MenuServiceTestSupport.h"
#include "engine/service/QVMenuService.h"
#include "platform/Pasteboard.h"
#include "testsupport/TestEnvironment.h"

#include <QDir>
#include <QList>
#include <QUrl>

#include <gtest/gtest.h>

namespace tarsel::test {

/// A work folder in the test's HOME to make items in, an in-memory pasteboard, and a service
/// whose selection the test sets.
class CommandTest : public testing::Test
{
protected:
    void SetUp() override
    {
        resetFinderSelection();
        platform::Pasteboard::useMemoryBoard(true);
        m_dir = testHome() + QStringLiteral("/work");
        QDir().mkpath(m_dir);
    }
    void TearDown() override
    {
        // What the test queued ends, and reports back, within the test: later it would fail on
        // the test's removed folder and sound or speak in the next test of the process.
        waitForBackgroundJobs();
        QCoreApplication::processEvents();
        platform::Pasteboard::useMemoryBoard(false);
        resetFinderSelection();
    }

    QString file(const QString& name, const QByteArray& contents = "text")
    {
        return writeFile(m_dir + QLatin1Char('/') + name, contents);
    }
    QString folder(const QString& name)
    {
        const QString path = m_dir + QLatin1Char('/') + name;
        QDir().mkpath(path);
        return path;
    }
    /// The items as the selection (selected false: the folder a menu was opened in).
    void select(const QStringList& paths, bool selected = true)
    {
        QList<QUrl> list;
        for (const QString& p : paths) {
            list << QUrl::fromLocalFile(p);
        }
        m_service.setSelectURLs(list);
        m_service.setIsSelectURL(selected);
    }
    static QVMenuItemPtr item(const QString& key)
    {
        auto record = QVMenuItem::create();
        record->setKey(key);
        return record;
    }

    QString m_dir;
    QVMenuService m_service;
};

} // namespace tarsel::test
