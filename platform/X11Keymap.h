#pragma once

// The keyboard description the X11 service names and finds keys by; private to platform/.

#include "platform/X11.h"

#include <QHash>

struct xkb_context;
struct xkb_keymap;

namespace platform {

struct X11::Keymap
{
    /// The server's keyboard when there is a connection, else the configured layout.
    explicit Keymap(xcb_connection_t* connection);
    ~Keymap();
    Q_DISABLE_COPY_MOVE(Keymap)

    /// The layout keys are named from: the current one when it is ASCII-capable, else the first
    /// ASCII-capable one.
    quint32 asciiLayout() const;

    xcb_connection_t* connection = nullptr;
    xkb_context* context = nullptr;
    xkb_keymap* map = nullptr;
    qint32 device = -1;
    QHash<quint32, quint32> toServer; // virtual key code -> server key code
    QHash<quint32, quint32> toVirtual; // server key code -> virtual key code
};

} // namespace platform
