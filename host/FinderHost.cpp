#include "host/FinderHost.h"

#include "host/PointerStage.h"

#include "platform/finder/FIFinderSync.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QEventLoop>
#include <QMenu>
#include <QTimer>

#include <cstdio>

namespace {

const QString kPluginName = QStringLiteral("TarselFinderExtension");
// A backstop only: the count is looked at each time the loop has run out of events.
constexpr int kPendingWorkPollMs = 50;

void printErr(const QString& message)
{
    std::fputs(qPrintable(QStringLiteral("tarsel-finder: ") + message + QLatin1Char('\n')), stderr);
}

void printOut(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

} // namespace

FinderHost::FinderHost() = default;

FinderHost::~FinderHost()
{
    // The object's code lives in the plug-in: destroy it before the library may go away.
    m_sync.reset();
}

QString FinderHost::pluginPath()
{
    const QString configured = qEnvironmentVariable("TARSEL_EXTENSION_PATH");
    if (!configured.isEmpty()) {
        return QFileInfo(configured).isDir() ? configured + QLatin1Char('/') + kPluginName : configured;
    }
    // The file is named with the platform's suffix (TarselFinderExtension.so); QLibrary adds it.
    const auto holds = [](const QString& path) {
        return QFileInfo::exists(path) || QFileInfo::exists(path + QStringLiteral(".so"));
    };
    const QString here = QCoreApplication::applicationDirPath();
    const QString beside = here + QLatin1Char('/') + kPluginName;
    const QString installed = QDir::cleanPath(here + QStringLiteral("/../lib/tarsel/") + kPluginName);
    return !holds(beside) && holds(installed) ? installed : beside;
}

bool FinderHost::load(const QString& path, QString* error)
{
    m_library.setFileName(path);
    const auto create = m_library.load()
        ? reinterpret_cast<platform::FIFinderSyncCreateFunction>(m_library.resolve(platform::kFinderSyncEntryPoint))
        : nullptr;
    if (create == nullptr) {
        *error = QStringLiteral("Failed to load the extension. File: \"%1\". Error: \"%2\"")
                     .arg(path, m_library.errorString());
        return false;
    }
    m_sync.reset(create());
    return m_sync != nullptr;
}

void FinderHost::waitForPendingWork()
{
    // The command's background jobs finish on the main queue, and its windows and messages live
    // in this process: run the event loop until the extension reports nothing left. Work ends in
    // an event of this loop, so the count is looked at whenever the loop has handled its events
    // and is about to wait: the host leaves as soon as the last piece has finished. A piece let
    // go on another thread without an event to follow is caught by the slow poll.
    if (!m_sync->hasPendingWork()) {
        return;
    }
    QEventLoop loop;
    const auto quitWhenDone = [this, &loop] {
        if (!m_sync->hasPendingWork()) {
            loop.quit();
        }
    };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, quitWhenDone);
    poll.start(kPendingWorkPollMs);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, quitWhenDone);
    }
    loop.exec();
}

int FinderHost::reportFailedCommands() const
{
    // A command that reached nothing is no success, even when the entry itself was chosen.
    const QStringList failed = m_sync->failedCommands();
    for (const QString& message : failed) {
        printErr(message);
    }
    return failed.isEmpty() ? 0 : 1;
}

int FinderHost::run(const HostRequest& request)
{
    platform::FIFinderSyncController& controller = m_sync->finderSyncController();
    controller.setSelectedItemURLs(request.kind == platform::FIMenuKindContextualMenuForItems ? request.selectedURLs
                                                                                              : QList<QUrl>());
    controller.setTargetedURL(request.targetedURL);

    const std::shared_ptr<platform::Menu> menu = m_sync->menuForMenuKind(request.kind);
    if (!menu) {
        printErr(QStringLiteral("the extension offers no menu here"));
        return 1;
    }
    switch (request.command) {
    case HostRequest::Command::Menu:
        printOut(request.json ? menu->toJson() + '\n' : menu->toText().toUtf8());
        if (!request.undecodableNote.isEmpty()) {
            printErr(request.undecodableNote);
        }
        return 0;
    case HostRequest::Command::Pick: {
        const platform::MenuItem* item = menu->itemWithTag(request.tag);
        if (item == nullptr) {
            printErr(QStringLiteral("the menu has no entry with tag %1").arg(request.tag));
            if (!request.undecodableNote.isEmpty()) {
                printErr(request.undecodableNote);
            }
            return 1;
        }
        if (request.key && item->key() != *request.key) {
            printErr(QStringLiteral("the entry with tag %1 is \"%2\", not \"%3\": the menu changed since the tag was "
                                    "read, so nothing was run")
                         .arg(QString::number(request.tag), item->key(), *request.key));
            return 1;
        }
        if (!item->perform()) {
            printErr(QStringLiteral("the entry with tag %1 cannot be chosen").arg(request.tag));
            return 1;
        }
        waitForPendingWork();
        return reportFailedCommands();
    }
    case HostRequest::Command::Popup: {
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            printErr(QStringLiteral("a popup needs a display"));
            return 1;
        }
        // An empty popup shows nothing and is never closed: the host would wait for good.
        if (menu->numberOfItems() == 0) {
            printErr(QStringLiteral("the menu is empty here; if Tarsel has never run, start it once to set up its "
                                    "menu"));
            return 1;
        }
        if (!request.undecodableNote.isEmpty()) {
            printErr(request.undecodableNote);
        }
        // The tree stays alive while the popup runs: its entries are the actions' targets.
        std::unique_ptr<QMenu> popup(menu->toQMenu());
        if (PointerStage::isNeeded()) {
            PointerStage stage;
            stage.execMenu(popup.get());
        } else {
            popup->exec(QCursor::pos());
        }
        waitForPendingWork();
        return reportFailedCommands();
    }
    }
    return 1;
}
