#include "platform/ColorPortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <QVariantMap>

Q_LOGGING_CATEGORY(lcColorPortal, "tarsel.platform.colorportal")

namespace platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

QString failure(const QString& why)
{
    return QStringLiteral("The colour cannot be picked: this desktop session lets only its desktop portal read "
                          "the screen, and %1")
        .arg(why);
}

// The colour of a Response's results: "color" is a structure of three doubles from 0 to 1.
QColor colorOf(const QVariantMap& results)
{
    const QVariant value = results.value(QStringLiteral("color"));
    if (!value.canConvert<QDBusArgument>()) {
        return QColor();
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType) {
        return QColor();
    }
    double red = -1;
    double green = -1;
    double blue = -1;
    argument.beginStructure();
    argument >> red >> green >> blue;
    argument.endStructure();
    const auto inRange = [](double c) { return c >= 0.0 && c <= 1.0; };
    if (!inRange(red) || !inRange(green) || !inRange(blue)) {
        return QColor();
    }
    return QColor::fromRgbF(float(red), float(green), float(blue));
}

} // namespace

/// One PickColor request: listens for the Response of its request object and answers once.
class ColorPortalRequest final : public QObject
{
    Q_OBJECT
public:
    ColorPortalRequest(QObject* context, ColorPortal::Done done)
        : m_context(context)
        , m_done(std::move(done))
    {
    }

    void listen(const QString& path)
    {
        if (m_listening.contains(path)) {
            return;
        }
        m_listening << path;
        QDBusConnection::sessionBus().connect(QString(), path, kRequestInterface, QStringLiteral("Response"), this,
                                              SLOT(onResponse(uint, QVariantMap)));
    }

    void finish(const ColorPortal::Result& result)
    {
        if (m_finished) {
            return;
        }
        m_finished = true;
        for (const QString& path : std::as_const(m_listening)) {
            QDBusConnection::sessionBus().disconnect(QString(), path, kRequestInterface, QStringLiteral("Response"),
                                                     this, SLOT(onResponse(uint, QVariantMap)));
        }
        if (result.status == ColorPortal::Result::Failed) {
            qCWarning(lcColorPortal).noquote() << result.error;
        }
        if (m_context && m_done) {
            m_done(result);
        }
        deleteLater();
    }

public Q_SLOTS:
    void onResponse(uint response, const QVariantMap& results)
    {
        ColorPortal::Result result;
        if (response == 0) {
            result.color = colorOf(results);
            if (result.color.isValid()) {
                result.status = ColorPortal::Result::Picked;
            } else {
                result.error = failure(QStringLiteral("the portal answered without a colour."));
            }
        } else if (response == 1) {
            result.status = ColorPortal::Result::Cancelled;
        } else {
            result.error = failure(QStringLiteral("the portal ended the request without a colour."));
        }
        finish(result);
    }

private:
    QPointer<QObject> m_context;
    ColorPortal::Done m_done;
    QStringList m_listening;
    bool m_finished = false;
};

bool ColorPortal::isWaylandSession()
{
    return qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
}

void ColorPortal::pickColor(QObject* context, Done done)
{
    auto* request = new ColorPortalRequest(context, std::move(done));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        const QString why = bus.lastError().message();
        QTimer::singleShot(0, request, [request, why] {
            ColorPortal::Result result;
            result.error = failure(QStringLiteral("there is no session bus to reach one on (%1).").arg(why));
            request->finish(result);
        });
        return;
    }
    // The request object's path follows from our bus name and the token, so the Response is
    // listened for before the call: a quick portal may answer before the call returns.
    static int counter = 0;
    const QString token = QStringLiteral("tarsel%1").arg(++counter);
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    request->listen(QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token));

    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("PickColor"));
    call << QString() << QVariantMap { { QStringLiteral("handle_token"), token } };
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, request, [request, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            ColorPortal::Result result;
            result.error = failure(
                QStringLiteral("no desktop portal answers on the session bus (%1).").arg(reply.error().message()));
            request->finish(result);
            return;
        }
        // An older portal may name another request object than the one expected.
        request->listen(reply.value().path());
    });
}

} // namespace platform

#include "ColorPortal.moc"
