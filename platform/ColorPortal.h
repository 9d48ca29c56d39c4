#pragma once

#include <QColor>
#include <QString>

#include <functional>

class QObject;

namespace platform {

/// The desktop portal's colour picker (org.freedesktop.portal.Screenshot, PickColor): in a
/// Wayland session no client may read the screen, so the compositor's own picker is asked,
/// over the session bus. The portal answers the call with a request object and later sends
/// that request's Response signal with the colour the user clicked.
class ColorPortal final
{
public:
    struct Result
    {
        enum Status { Picked, Cancelled, Failed };
        Status status = Failed;
        QColor color; ///< valid when Picked
        QString error; ///< a sentence for the user when Failed
    };
    using Done = std::function<void(const Result& result)>;

    /// Whether this is a Wayland session, where the screen is read through the portal only.
    static bool isWaylandSession();

    /// Asks the portal for a colour; done() runs once on the main thread, never inside this
    /// call, with the colour, a cancel, or why no portal gave one. It is dropped with context.
    static void pickColor(QObject* context, Done done);
};

} // namespace platform
