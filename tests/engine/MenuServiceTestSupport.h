#pragma once

// Helpers for tests of menu building: titles and tags of a built menu, and a fixture that resets
// the file manager's selection around every test.

#include "engine/model/QVMenuManager.h"
#include "foundation/ObjectGCD.h"
#include "platform/Defaults.h"
#include "platform/Menu.h"
#include "platform/Sound.h"
#include "platform/finder/FIFinderSyncController.h"

#include <QFileInfo>
#include <QStringList>
#include <QTest>

#include <future>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace tarsel::test {

/// The entries of one menu level as "tag title" (separators as "---").
inline QStringList entries(const platform::Menu* menu)
{
    QStringList list;
    if (menu == nullptr) {
        return list;
    }
    for (const platform::MenuItem* item : menu->items()) {
        list << (item->isSeparatorItem() ? QStringLiteral("---")
                                         : QStringLiteral("%1 %2").arg(item->tag()).arg(item->title()));
    }
    return list;
}

inline QStringList titles(const platform::Menu* menu)
{
    QStringList list;
    if (menu == nullptr) {
        return list;
    }
    for (const platform::MenuItem* item : menu->items()) {
        list << (item->isSeparatorItem() ? QStringLiteral("---") : item->title());
    }
    return list;
}

/// The first entry of the level with that title, or null.
inline platform::MenuItem* entryTitled(const platform::Menu* menu, const QString& title)
{
    if (menu == nullptr) {
        return nullptr;
    }
    for (platform::MenuItem* item : menu->items()) {
        if (!item->isSeparatorItem() && item->title() == title) {
            return item;
        }
    }
    return nullptr;
}

inline void setSwitch(QVSwitch number, const QVariant& value)
{
    QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(number), value);
}

inline void resetFinderSelection()
{
    auto& controller = platform::FIFinderSyncController::defaultController();
    controller.setSelectedItemURLs({});
    controller.setTargetedURL(QUrl());
}

/// Waits until the background queue has run every job queued before this call.
inline void waitForBackgroundJobs()
{
    auto done = std::make_shared<std::atomic_bool>(false);
    qv::enterBackground([done] { done->store(true); });
    EXPECT_TRUE(QTest::qWaitFor([done] { return done->load(); }, 10000));
}

/// The names of the sounds recorded so far ("fold", "dingd", "error", ...), once the background
/// queue has played every sound asked for before this call.
inline QStringList playedSounds()
{
    waitForBackgroundJobs();
    QStringList names;
    for (const QString& path : platform::Sound::recorded()) {
        names << QFileInfo(path).completeBaseName();
    }
    return names;
}

/// Holds the background queue from construction until release() (or destruction), so a test can
/// change the files while the jobs it queued are still waiting.
class BackgroundHold
{
public:
    BackgroundHold()
    {
        std::shared_future<void> held = m_release.get_future().share();
        qv::enterBackground([held] { held.wait(); });
    }
    ~BackgroundHold() { release(); }
    BackgroundHold(const BackgroundHold&) = delete;
    BackgroundHold& operator=(const BackgroundHold&) = delete;

    void release()
    {
        if (!m_released) {
            m_released = true;
            m_release.set_value();
        }
    }

private:
    std::promise<void> m_release;
    bool m_released = false;
};

} // namespace tarsel::test
