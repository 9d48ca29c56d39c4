// tarsel-finder: the file-manager host. See HostRequest.h for the command line.

#include "host/FinderHost.h"
#include "host/HostRequest.h"
#include "platform/DesktopStyle.h"
#include "platform/Bundle.h"
#include "platform/RealPath.h"
#include "platform/System.h"
#include "platform/finder/FIFinderSyncController.h"
#include "platform/finder/FileManagerActions.h"
#include "platform/finder/HostProcesses.h"

#include <QApplication>
#include <QClipboard>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// --enable-file-managers and --disable-file-managers: Tarsel's actions written into (with this
// program's own path) or taken out of every file manager, as the settings' switch does; one line
// per file manager on standard output, what was left alone on standard error.
int switchFileManagers(bool on)
{
    bool ok = true;
    if (on && !platform::FIFinderSyncController::setExtensionEnabled(platform::System::kExtensionBundleId, true)) {
        std::fputs("tarsel-finder: the extension's switch could not be stored\n", stderr);
        ok = false;
    }
    const QList<platform::FileManagerActions::Outcome> outcomes = on
        ? platform::FileManagerActions::enable(QCoreApplication::applicationFilePath())
        : platform::FileManagerActions::disable();
    const QStringList lines = platform::FileManagerActions::describe(outcomes, on);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool failed = i < outcomes.size() && !outcomes.at(i).ok;
        ok = ok && !failed;
        std::fputs(qPrintable(lines.at(i) + QLatin1Char('\n')), failed ? stderr : stdout);
    }
    return ok ? 0 : 1;
}

// Loads the extension and answers the request; the extension's objects are gone when it returns.
int serve(const HostRequest& request, const QString& extensionId)
{
    QString error;
    FinderHost host;
    if (!host.load(FinderHost::pluginPath(), &error)) {
        std::fputs(qPrintable(QStringLiteral("tarsel-finder: ") + error + QLatin1Char('\n')), stderr);
        return 1;
    }
    // Recorded while the extension is loaded, so that Tarsel can restart it by this process's id.
    const std::unique_ptr<platform::HostProcesses::Registration> registration
        = platform::HostProcesses::record(extensionId, &error);
    if (!registration) {
        std::fputs(qPrintable(QStringLiteral("tarsel-finder: ") + error + QLatin1Char('\n')), stderr);
    }
    return host.run(request);
}

// Ends the process once the request is answered. Tearing the application object down costs a
// pick or a menu a good part of its time and does nothing that outlives the process: Qt's font
// database, never used by a command that drew no text, reads the whole font configuration only
// to free it. So the process ends here, with its output flushed, unless it still owns the
// clipboard (Qt hands a selection to the desktop's clipboard manager as it tears down) or it is
// built with a sanitizer, whose leak check runs at the normal exit.
int leave(int code)
{
#if defined(__SANITIZE_ADDRESS__)
    constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
    constexpr bool kSanitized = true;
#else
    constexpr bool kSanitized = false;
#endif
#else
    constexpr bool kSanitized = false;
#endif
    if (kSanitized || QGuiApplication::clipboard()->ownsClipboard()) {
        return code;
    }
    std::fflush(nullptr);
    std::_Exit(code);
}

// Makes room at once for what a selection of `items` paths will hold. Each selected path
// becomes a URL of a few hundred bytes, made one by one on fresh heap pages, and each first
// touch of a page is a fault of its own: for thousands of items those faults were most of what
// reading the selection cost. The room is taken from the top of the heap and faulted in with one
// call, then given back to the allocator, which hands it out again as the paths are read; the
// heap is not trimmed below it meanwhile.
void prepareHeapFor(qsizetype items)
{
    // What a path's URL and its text take, with room to spare.
    constexpr size_t kBytesPerItem = 512;
    constexpr size_t kWorthIt = 1024 * 1024;
    // Well below the largest block the allocator can be told to take from the heap.
    constexpr size_t kLargest = 16 * 1024 * 1024;
    const size_t bytes = std::min(size_t(items) * kBytesPerItem, kLargest);
    if (bytes < kWorthIt || ::mallopt(M_MMAP_THRESHOLD, int(bytes) + 4096) == 0
        || ::mallopt(M_TRIM_THRESHOLD, int(bytes) * 2) == 0) {
        return;
    }
    void* block = std::malloc(bytes);
    if (block == nullptr) {
        return;
    }
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t start = (uintptr_t(block) + page - 1) & ~(page - 1);
    const uintptr_t end = (uintptr_t(block) + bytes) & ~(page - 1);
#ifdef MADV_POPULATE_WRITE
    if (end > start) {
        // Older kernels do not know the advice; the pages are then faulted in as they are used.
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
    }
#endif
    std::free(block);
}

} // namespace

int main(int argc, char** argv)
{
    prepareHeapFor(argc - 1);
    // Paths are read from the raw arguments: the application object would decode them. The
    // argument strings live as long as the process (the application object only reorders the
    // array of pointers), so they are used in place rather than copied, which counts in a
    // selection of thousands.
    QList<QByteArray> args;
    args.reserve(argc);
    for (int i = 1; i < argc; ++i) {
        args << QByteArray::fromRawData(argv[i], qsizetype(std::strlen(argv[i])));
    }
    const QString version = platform::Bundle::infoValue(QStringLiteral("CFBundleShortVersionString"));
    for (const QByteArray& arg : std::as_const(args)) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(qPrintable(HostRequest::usage()), stdout);
            return 0;
        }
        if ((arg == "--enable-file-managers" || arg == "--disable-file-managers") && args.size() == 1) {
            QCoreApplication app(argc, argv);
            return switchFileManagers(arg == "--enable-file-managers");
        }
        if (arg == "--version") {
            std::fputs(qPrintable(QStringLiteral("tarsel-finder %1\n").arg(version)), stdout);
            return 0;
        }
    }
    // Relative paths are taken against the real working folder, however deep; when it cannot be
    // read (removed meanwhile) they are refused rather than guessed.
    QString cwdError;
    const QByteArray cwd = platform::realpath::workingFolder(&cwdError).value_or(QByteArray());

    QString error;
    const std::optional<HostRequest> request = HostRequest::parse(args, cwd, &error, cwdError);
    if (!request) {
        std::fputs(qPrintable(QStringLiteral("tarsel-finder: ") + error + QLatin1Char('\n') + HostRequest::usage()),
                   stderr);
        return 2;
    }
    // Printing and picking need no screen; without a display they run on the offscreen platform.
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (request->command != HostRequest::Command::Popup && !hasDisplay
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (request->command == HostRequest::Command::Popup && !hasDisplay
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("tarsel-finder: a popup needs a display\n", stderr);
        return 1;
    }
    // Whether the extension runs is the host's to say: Tarsel's settings turn it off and on.
    const QString extensionId = platform::System::kExtensionBundleId;
    if (!platform::FIFinderSyncController::isExtensionEnabled(extensionId)) {
        std::fputs("tarsel-finder: the extension is turned off; Tarsel's settings turn it on\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    // Controls stay readable under a dark desktop theme.
    platform::DesktopStyle::install();
    QApplication::setApplicationVersion(version);

    return leave(serve(*request, extensionId));
}
