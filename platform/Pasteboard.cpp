#include "platform/Pasteboard.h"

#include "platform/ClipboardHolder.h"
#include "platform/X11Selection.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMap>
#include <QMimeData>
#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <utility>

Q_LOGGING_CATEGORY(lcPasteboard, "tarsel.platform.pasteboard", QtWarningMsg)

namespace platform {

namespace {

const QString kPlainText = QStringLiteral("text/plain");
const QString kUriList = QStringLiteral("text/uri-list");

using Formats = ClipboardHolder::Formats;

Formats textFormats(const QString& text)
{
    return { { kPlainText, text.toUtf8() } };
}

Formats fileFormats(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    QMimeData scratch;
    scratch.setUrls(urls);
    Formats formats { { kUriList, scratch.data(kUriList) } };
    // Pasting into a text field gives the paths themselves, one a line.
    formats.insert(kPlainText, paths.join(QLatin1Char('\n')).toUtf8());
    return formats;
}

QStringList localPaths(const QMimeData* mime)
{
    QStringList paths;
    if (!mime || !mime->hasUrls()) {
        return paths;
    }
    const QList<QUrl> urls = mime->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

// Both boards keep their contents as MIME formats and read them back through QMimeData, so the
// memory board decodes text and addresses exactly like the clipboard.
class FormatPasteboard : public Pasteboard
{
public:
    void clear() override { put({}); }
    bool setString(const QString& text) override { return put(textFormats(text)); }
    QString string() const override
    {
        QString text;
        read([&text](const QMimeData* mime) {
            if (mime && mime->hasText()) {
                text = mime->text();
            }
        });
        return text;
    }
    bool hasString() const override
    {
        bool has = false;
        read([&has](const QMimeData* mime) { has = mime && mime->hasText(); });
        return has;
    }
    bool setFilePaths(const QStringList& paths) override
    {
        if (paths.isEmpty()) {
            put({});
            return true;
        }
        return put(fileFormats(paths));
    }
    QStringList filePaths() const override
    {
        QStringList paths;
        read([&paths](const QMimeData* mime) { paths = localPaths(mime); });
        return paths;
    }
    Contents contents() const override
    {
        Contents all;
        read([&all](const QMimeData* mime) {
            const QStringList formats = mime ? mime->formats() : QStringList();
            for (const QString& format : formats) {
                all.insert(format, mime->data(format));
            }
        });
        return all;
    }
    bool setContents(const Contents& contents) override { return put(contents); }

protected:
    virtual bool put(const Formats& formats) = 0;
    virtual void read(const std::function<void(const QMimeData*)>& fn) const = 0;
};

class MemoryPasteboard final : public FormatPasteboard
{
public:
    void reset()
    {
        QMutexLocker lock(&m_mutex);
        m_formats.clear();
    }

protected:
    bool put(const Formats& formats) override
    {
        QList<std::pair<QPointer<QObject>, std::function<void()>>> watchers;
        {
            QMutexLocker lock(&m_mutex);
            m_formats = formats;
            ++m_changeCount;
            m_watchers.removeIf([](const auto& watcher) { return watcher.first.isNull(); });
            watchers = m_watchers;
        }
        for (const auto& [context, fn] : std::as_const(watchers)) {
            QMetaObject::invokeMethod(context.data(), fn, Qt::QueuedConnection);
        }
        return true;
    }
    void whenChanged(QObject* context, std::function<void()> fn) override
    {
        QMutexLocker lock(&m_mutex);
        m_watchers.append({ QPointer<QObject>(context), std::move(fn) });
    }
    qint64 changeCount() const override
    {
        QMutexLocker lock(&m_mutex);
        return m_changeCount;
    }
    void read(const std::function<void(const QMimeData*)>& fn) const override
    {
        QMutexLocker lock(&m_mutex);
        QMimeData mime;
        for (auto it = m_formats.cbegin(); it != m_formats.cend(); ++it) {
            mime.setData(it.key(), it.value());
        }
        fn(m_formats.isEmpty() ? nullptr : &mime);
    }

private:
    mutable QMutex m_mutex;
    Formats m_formats;
    qint64 m_changeCount = 0;
    QList<std::pair<QPointer<QObject>, std::function<void()>>> m_watchers;
};

// QClipboard may only be used on the GUI thread; calls from other threads hop there and wait.
void onGuiThread(const std::function<void()>& fn)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}

// On X11 a selection lives only as long as the process that owns it, and the file-manager host
// ends right after the click: what is copied there goes to a holder process (ClipboardHolder)
// that serves it until the next copy. Without a holder the selection stays with this process.
bool onX11()
{
    // The offscreen platform answers the X11 interface too when it was built with GLX.
    return qGuiApp != nullptr && QGuiApplication::platformName() == QLatin1String("xcb")
        && qGuiApp->nativeInterface<QNativeInterface::QX11Application>() != nullptr;
}

// A Wayland selection goes with the client that set it, like an X11 one: the holder there is
// wl-copy (ClipboardHolder::handOverToWayland).
bool onWayland()
{
    return qGuiApp != nullptr && QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Formats that hold no byte copy nothing.
bool holdsNothing(const Formats& formats)
{
    return std::all_of(formats.cbegin(), formats.cend(), [](const QByteArray& bytes) { return bytes.isEmpty(); });
}

class ClipboardPasteboard final : public FormatPasteboard
{
protected:
    bool put(const Formats& formats) override
    {
        bool ok = false;
        onGuiThread([&] {
            QClipboard* clipboard = QGuiApplication::clipboard();
            if (onWayland() && holdsNothing(formats)) {
                // Copying nothing keeps what the user copied before: a command clears the board
                // before it copies, and one that then finds nothing to copy must not have
                // emptied the user's clipboard on the way.
                ok = true;
                return;
            }
            if (onWayland()) {
                QString error;
                if (ClipboardHolder::handOverToWayland(formats, &error)) {
                    ok = true;
                    return;
                }
                qCWarning(lcPasteboard).noquote() << error;
            }
            if (formats.isEmpty()) {
                // Qt clears only a selection it owns itself; owning it for a moment first also
                // clears one a holder serves, and that holder then exits. Qt takes it at the time
                // of the last event it saw, though, which an owner that came since outranks: a
                // selection still owned then is released at the server's present time.
                if (onX11() && !clipboard->ownsClipboard()) {
                    clipboard->setMimeData(new QMimeData);
                }
                clipboard->clear();
                ok = true;
                if (onX11()) {
                    QString error;
                    ok = ClipboardHolder::release(&error);
                    if (!ok) {
                        qCWarning(lcPasteboard).noquote() << error;
                    }
                }
                return;
            }
            if (onX11() && !ClipboardHolder::program().isEmpty()) {
                QString error;
                if (ClipboardHolder::handOver(formats, &error)) {
                    ok = true;
                    return;
                }
                qCWarning(lcPasteboard).noquote() << error;
            }
            auto* mime = new QMimeData;
            for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
                mime->setData(it.key(), it.value());
            }
            clipboard->setMimeData(mime);
            // The clipboard answers our own data when it took it; anything else means refused.
            const QMimeData* now = clipboard->mimeData();
            ok = now && now->data(kPlainText) == formats.value(kPlainText);
        });
        return ok;
    }
    void read(const std::function<void(const QMimeData*)>& fn) const override
    {
        onGuiThread([&] { fn(QGuiApplication::clipboard()->mimeData()); });
    }
    qint64 changeCount() const override
    {
        // Qt's X11 clipboard hears of every new owner through XFixes and says so with changed(),
        // after it has dropped what it knew of the old owner's formats: reading after the count
        // moved never sees the old owner's list.
        static std::atomic<qint64> count { 0 };
        static std::once_flag connected;
        onGuiThread([] {
            std::call_once(connected, [] {
                QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, [](QClipboard::Mode mode) {
                    if (mode == QClipboard::Clipboard) {
                        ++count;
                    }
                });
            });
        });
        return count.load();
    }
    void whenChanged(QObject* context, std::function<void()> fn) override
    {
        changeCount(); // the count's own connection first: fn sees the count already moved
        onGuiThread([&] {
            QObject::connect(QGuiApplication::clipboard(), &QClipboard::changed, context,
                             [fn = std::move(fn)](QClipboard::Mode mode) {
                                 if (mode == QClipboard::Clipboard) {
                                     fn();
                                 }
                             });
        });
    }
    FilesAndText filesAndText() const override
    {
        // Another program's copy is read on a connection of its own, both types asked for at
        // once; QClipboard would ask for the list of types, then for each type in turn.
        bool ours = true;
        onGuiThread([&] { ours = QGuiApplication::clipboard()->ownsClipboard(); });
        X11Selection::Formats formats;
        const X11Selection::Outcome outcome = onX11() && !ours
            ? X11Selection::readClipboard({ kUriList, kPlainText }, &formats)
            : X11Selection::Outcome::NotHere;
        if (outcome == X11Selection::Outcome::NotHere) {
            return FormatPasteboard::filesAndText();
        }
        QMimeData mime;
        for (auto it = formats.cbegin(); it != formats.cend(); ++it) {
            mime.setData(it.key(), it.value());
        }
        return { localPaths(&mime), QString::fromUtf8(formats.value(kPlainText)) };
    }
};

std::atomic<bool> g_memoryBoardInstalled { false };

MemoryPasteboard& memoryBoard()
{
    static MemoryPasteboard board;
    return board;
}

} // namespace

Pasteboard& Pasteboard::general()
{
    if (g_memoryBoardInstalled || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        return memoryBoard();
    }
    static ClipboardPasteboard board;
    return board;
}

void Pasteboard::useMemoryBoard(bool on)
{
    memoryBoard().reset();
    g_memoryBoardInstalled = on;
}

} // namespace platform
