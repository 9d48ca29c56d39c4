#include "platform/Wallpaper.h"

#include "platform/Hook.h"
#include "platform/Posix.h"
#include "platform/Task.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageReader>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QUuid>

Q_LOGGING_CATEGORY(lcWallpaper, "tarsel.platform.wallpaper", QtWarningMsg)

namespace platform {

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInterface = QStringLiteral("org.freedesktop.portal.Wallpaper");
constexpr int kBusTimeoutMs = 3000;
// The portal answers on its request object; a portal that shows no preview answers at once.
constexpr int kPortalAnswerMs = 5000;
constexpr int kToolTimeoutMs = 10000;

Hook<Wallpaper::PortalCall>& portalHook()
{
    static Hook<Wallpaper::PortalCall> hook;
    return hook;
}

QString failure(const QString& path, const QString& why)
{
    return posix::failureMessage(QStringLiteral("set the desktop picture"), path, why);
}

// Receives the portal's Response signal of one request.
class PortalAnswer final : public QObject
{
    Q_OBJECT

public:
    uint response = 2;
    bool answered = false;

public Q_SLOTS:
    void onResponse(uint code, const QVariantMap&)
    {
        response = code;
        answered = true;
        Q_EMIT done();
    }

Q_SIGNALS:
    void done();
};

bool portalHasWallpaper(QDBusConnection& bus)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kPortalInterface << QStringLiteral("version");
    return bus.call(get, QDBus::Block, kBusTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

bool callPortal(const QString& uri, QString* error)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !portalHasWallpaper(bus)) {
        *error = QStringLiteral("the session has no desktop portal with a Wallpaper interface");
        return false;
    }
    // The request object's path is known before the call, so its answer cannot slip past.
    const QString token = QStringLiteral("tarsel") + QUuid::createUuid().toString(QUuid::Id128);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath = kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    PortalAnswer answer;
    bus.connect(kPortalService, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), &answer, SLOT(onResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kPortalInterface,
                                                       QStringLiteral("SetWallpaperURI"));
    const QVariantMap options { { QStringLiteral("handle_token"), token },
                                { QStringLiteral("show-preview"), false },
                                { QStringLiteral("set-on"), QStringLiteral("both") } };
    call << QString() << uri << options;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *error = reply.errorMessage();
        return false;
    }
    if (!answer.answered) {
        QEventLoop loop;
        QObject::connect(&answer, &PortalAnswer::done, &loop, &QEventLoop::quit);
        QTimer::singleShot(kPortalAnswerMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    // No answer in time: the portal took the request (it may be showing the user a choice).
    if (answer.answered && answer.response != 0) {
        *error = QStringLiteral("the portal answered %1").arg(answer.response);
        return false;
    }
    return true;
}

bool runTool(const QString& program, const QStringList& args, QString* error)
{
    const Task::Result result = Task::run(program, args, Task::Output::Capture, Task::Output::Capture, kToolTimeoutMs);
    if (result.ok()) {
        return true;
    }
    *error = result.started
        ? QStringLiteral("%1 exited with %2: %3")
              .arg(program, QString::number(result.exitStatus), QString::fromLocal8Bit(result.standardError).trimmed())
        : QStringLiteral("%1 could not be started").arg(program);
    return false;
}

bool setWithGsettings(const QString& program, const QString& path, QString* error)
{
    const QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    if (!runTool(program, { QStringLiteral("set"), schema, QStringLiteral("picture-uri"), uri }, error)) {
        return false;
    }
    // The dark-style picture exists from GNOME 42 on; older schemas lack the key, which is fine.
    QString ignored;
    runTool(program, { QStringLiteral("set"), schema, QStringLiteral("picture-uri-dark"), uri }, &ignored);
    return true;
}

bool setWithXfconf(const QString& program, const QString& path, QString* error)
{
    const QString channel = QStringLiteral("xfce4-desktop");
    const Task::Result list = Task::run(program, { QStringLiteral("-c"), channel, QStringLiteral("-l") },
                                        Task::Output::Capture, Task::Output::Capture, kToolTimeoutMs);
    QStringList properties;
    for (const QByteArray& line : list.standardOutput.split('\n')) {
        if (line.endsWith("/last-image")) {
            properties << QString::fromUtf8(line.trimmed());
        }
    }
    if (!list.ok() || properties.isEmpty()) {
        *error = QStringLiteral("xfconf-query lists no desktop picture of a running Xfce desktop");
        return false;
    }
    for (const QString& property : std::as_const(properties)) {
        if (!runTool(program,
                     { QStringLiteral("-c"), channel, QStringLiteral("-p"), property, QStringLiteral("-s"), path },
                     error)) {
            return false;
        }
    }
    return true;
}

bool setWithPlasma(const QString& program, const QString& path, QString* error)
{
    return runTool(program, { path }, error);
}

using ToolSetter = bool (*)(const QString& program, const QString& path, QString* error);

ToolSetter setterFor(const QString& tool)
{
    if (tool == QLatin1String("gsettings")) {
        return &setWithGsettings;
    }
    if (tool == QLatin1String("xfconf-query")) {
        return &setWithXfconf;
    }
    return &setWithPlasma;
}

} // namespace

void Wallpaper::setPortalCall(PortalCall call)
{
    portalHook().set(std::move(call));
}

bool Wallpaper::canSetPicture(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && !QImageReader::imageFormat(path).isEmpty();
}

QStringList Wallpaper::toolOrder()
{
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toUpper();
    const QString gsettings = QStringLiteral("gsettings");
    const QString xfconf = QStringLiteral("xfconf-query");
    const QString plasma = QStringLiteral("plasma-apply-wallpaperimage");
    if (desktop.contains(QLatin1String("XFCE"))) {
        return { xfconf, gsettings, plasma };
    }
    if (desktop.contains(QLatin1String("KDE"))) {
        return { plasma, gsettings, xfconf };
    }
    return { gsettings, xfconf, plasma };
}

Wallpaper::Result Wallpaper::setDesktopPicture(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!canSetPicture(absolute)) {
        return { { false, failure(absolute, QStringLiteral("it is not an image file")) }, {} };
    }
    QStringList reasons;
    QString why;
    const PortalCall portal = portalHook().get();
    const QString uri = QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded);
    if (portal ? portal(uri, &why) : callPortal(uri, &why)) {
        return { { true, {} }, QStringLiteral("portal") };
    }
    reasons << why;
    for (const QString& tool : toolOrder()) {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty()) {
            continue;
        }
        why.clear();
        if (setterFor(tool)(program, absolute, &why)) {
            return { { true, {} }, tool };
        }
        qCInfo(lcWallpaper).noquote() << tool << "did not set the picture:" << why;
        reasons << why;
    }
    if (reasons.size() == 1) {
        reasons << QStringLiteral("none of gsettings, xfconf-query, plasma-apply-wallpaperimage is installed");
    }
    return { { false, failure(absolute, reasons.join(QStringLiteral("; "))) }, {} };
}

} // namespace platform

#include "Wallpaper.moc"
