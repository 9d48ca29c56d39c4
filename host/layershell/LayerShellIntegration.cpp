// The host's own shell integration for Qt's Wayland platform plug-in: the menu's stage as a layer
// surface, where the compositor offers layer surfaces (zwlr_layer_shell_v1: wlroots compositors,
// KWin).
//
// Qt gives every window an xdg-shell role; the stage, a window over the whole output, then is a
// full-screen top-level, and a tiling compositor such as sway hides the workspace behind it: the
// file manager the user right-clicked disappears while the menu is open. A layer surface on the
// overlay layer covers the output without being a window of the workspace, so everything stays
// visible under the transparent stage. The menu and its submenus become xdg_popups of the stage
// (zwlr_layer_surface_v1.get_popup), placed relative to it as before.
//
// Only the stage and the popups opened over it are ours; every other window (an entry's dialog,
// say) gets its role from Qt's own xdg-shell integration, which this one hands it to. Where the
// compositor offers no layer surfaces, or the Qt this was built against is not the one running,
// initialising fails and Qt takes the next shell integration the host named (xdg-shell): the stage
// is a full-screen top-level again.

#include <QtWaylandClient/private/qwaylandshellintegration_p.h>
#include <QtWaylandClient/private/qwaylandshellintegrationfactory_p.h>
#include <QtWaylandClient/private/qwaylandshellintegrationplugin_p.h>
#include <QtWaylandClient/private/qwaylandshellsurface_p.h>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qplatformwindow.h>

#include <QGuiApplication>
#include <QHash>
#include <QLoggingCategory>
#include <QWindow>

#include <wayland-client.h>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcLayerShell, "tarsel.host.popup", QtWarningMsg)

using QtWaylandClient::QWaylandDisplay;
using QtWaylandClient::QWaylandShellIntegration;
using QtWaylandClient::QWaylandShellSurface;
using QtWaylandClient::QWaylandWindow;

namespace {

// The window property the host sets on its stage before showing it, and the one this sets when
// the stage has become a layer surface (the host logs which it got).
constexpr char kStageProperty[] = "_tarsel_pointer_stage";
constexpr char kLayerProperty[] = "_tarsel_layer_surface";

// The versions this speaks: popups need xdg_wm_base 1 (3 would add repositioning, unused);
// keyboard interactivity "exclusive" and get_popup are in the layer shell's first version.
constexpr uint32_t kXdgWmBaseVersion = 2;
constexpr uint32_t kLayerShellVersion = 1;

class LayerShellIntegration;

QWindow* qWindowOf(QWaylandShellSurface* surface)
{
    QPlatformWindow* platformWindow = surface->platformWindow();
    return platformWindow != nullptr ? platformWindow->window() : nullptr;
}

// A surface of ours: the stage or one of the popups over it.
class OwnSurface : public QWaylandShellSurface
{
public:
    OwnSurface(QWaylandWindow* window, LayerShellIntegration* shell);
    ~OwnSurface() override;
    Q_DISABLE_COPY_MOVE(OwnSurface)

    /// Makes popup (not yet committed) this surface's child.
    virtual void adoptPopup(xdg_popup* popup) = 0;
    /// The xdg_surface a child popup names as its parent; none for the stage.
    virtual xdg_surface* parentXdgSurface() const { return nullptr; }

    bool isExposed() const override { return m_configured || m_pending; }

    void applyConfigure() override
    {
        if (!m_pending) {
            return;
        }
        m_pending = false;
        ackConfigure(m_pendingSerial);
        if (!m_pendingSize.isEmpty() && m_pendingSize != m_appliedSize) {
            m_appliedSize = m_pendingSize;
            resizeFromApplyConfigure(m_pendingSize);
        }
        m_configured = true;
    }

protected:
    virtual void ackConfigure(uint32_t serial) = 0;

    // A configure is applied when Qt is not painting the window; Qt then exposes it.
    void configured(uint32_t serial, const QSize& size)
    {
        m_pendingSerial = serial;
        if (size.isValid() && !size.isEmpty()) {
            m_pendingSize = size;
        }
        m_pending = true;
        applyConfigureWhenPossible();
    }

    void closeWindow()
    {
        if (QWindow* window = qWindowOf(this)) {
            window->close();
        }
    }

    LayerShellIntegration* m_shell;

private:
    bool m_configured = false;
    bool m_pending = false;
    uint32_t m_pendingSerial = 0;
    QSize m_pendingSize;
    QSize m_appliedSize;
};

class LayerShellIntegration final : public QWaylandShellIntegration
{
public:
    LayerShellIntegration() = default;
    ~LayerShellIntegration() override
    {
        if (m_wmBase != nullptr) {
            xdg_wm_base_destroy(m_wmBase);
        }
        if (m_layerShell != nullptr) {
            // Version 1 has no destructor request: the proxy goes, the global stays.
            wl_proxy_destroy(reinterpret_cast<wl_proxy*>(m_layerShell));
        }
    }
    Q_DISABLE_COPY_MOVE(LayerShellIntegration)

    bool initialize(QWaylandDisplay* display) override
    {
        // Qt's private classes may change between its versions: this speaks only to the one whose
        // headers it was built with.
        if (std::strcmp(qVersion(), QT_VERSION_STR) != 0) {
            qCInfo(lcLayerShell) << "the layer-shell integration was built for Qt" << QT_VERSION_STR << "not"
                                 << qVersion();
            return false;
        }
        QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
        auto* wlDisplay = native != nullptr
            ? static_cast<wl_display*>(native->nativeResourceForIntegration(QByteArrayLiteral("wl_display")))
            : nullptr;
        if (wlDisplay == nullptr) {
            return false;
        }
        bindGlobals(wlDisplay);
        if (m_layerShell == nullptr || m_wmBase == nullptr) {
            qCInfo(lcLayerShell) << "the compositor offers no layer surfaces (zwlr_layer_shell_v1)";
            return false;
        }
        m_xdgShell.reset(
            QtWaylandClient::QWaylandShellIntegrationFactory::create(QStringLiteral("xdg-shell"), display));
        if (m_xdgShell == nullptr) {
            qCInfo(lcLayerShell) << "Qt's xdg-shell integration did not start";
            return false;
        }
        return true;
    }

    QWaylandShellSurface* createShellSurface(QWaylandWindow* window) override;

    void* nativeResourceForWindow(const QByteArray& resource, QWindow* window) override
    {
        return m_xdgShell->nativeResourceForWindow(resource, window);
    }

    zwlr_layer_shell_v1* layerShell() const { return m_layerShell; }
    xdg_wm_base* wmBase() const { return m_wmBase; }

    void add(QWindow* window, OwnSurface* surface) { m_own.insert(window, surface); }
    void remove(const OwnSurface* surface)
    {
        for (auto it = m_own.begin(); it != m_own.end();) {
            it = it.value() == surface ? m_own.erase(it) : std::next(it);
        }
    }

private:
    void bindGlobals(wl_display* display)
    {
        // The globals are listed on a queue of our own, so that listing them dispatches none of
        // Qt's events; the bound objects then move to the default queue, which Qt dispatches.
        wl_event_queue* queue = wl_display_create_queue(display);
        auto* wrapper = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
        wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapper), queue);
        wl_registry* registry = wl_display_get_registry(wrapper);
        static const wl_registry_listener listener = {
            [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
                auto* self = static_cast<LayerShellIntegration*>(data);
                if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && self->m_layerShell == nullptr) {
                    self->m_layerShell = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(
                        registry, name, &zwlr_layer_shell_v1_interface, qMin(version, kLayerShellVersion)));
                } else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0 && self->m_wmBase == nullptr) {
                    self->m_wmBase = static_cast<xdg_wm_base*>(
                        wl_registry_bind(registry, name, &xdg_wm_base_interface, qMin(version, kXdgWmBaseVersion)));
                }
            },
            [](void*, wl_registry*, uint32_t) {},
        };
        wl_registry_add_listener(registry, &listener, this);
        wl_display_roundtrip_queue(display, queue);
        wl_registry_destroy(registry);
        wl_proxy_wrapper_destroy(wrapper);
        if (m_layerShell != nullptr) {
            wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(m_layerShell), nullptr);
        }
        if (m_wmBase != nullptr) {
            wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(m_wmBase), nullptr);
            static const xdg_wm_base_listener pong = {
                [](void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); },
            };
            xdg_wm_base_add_listener(m_wmBase, &pong, nullptr);
        }
        wl_event_queue_destroy(queue);
    }

    std::unique_ptr<QWaylandShellIntegration> m_xdgShell;
    zwlr_layer_shell_v1* m_layerShell = nullptr;
    xdg_wm_base* m_wmBase = nullptr;
    QHash<QWindow*, OwnSurface*> m_own;
};

OwnSurface::OwnSurface(QWaylandWindow* window, LayerShellIntegration* shell)
    : QWaylandShellSurface(window)
    , m_shell(shell)
{
    if (QWindow* own = qWindowOf(this)) {
        m_shell->add(own, this);
    }
}

OwnSurface::~OwnSurface()
{
    m_shell->remove(this);
}

// The stage: a transparent surface on the overlay layer over the whole output, which takes the
// keyboard at once (the menu over it gets every key from it).
class LayerStage final : public OwnSurface
{
public:
    LayerStage(QWaylandWindow* window, LayerShellIntegration* shell)
        : OwnSurface(window, shell)
    {
        // The output is the compositor's choice: the focused one, where the click was made.
        m_layer = zwlr_layer_shell_v1_get_layer_surface(shell->layerShell(), wlSurface(), nullptr,
                                                        ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "tarsel-menu");
        static const zwlr_layer_surface_v1_listener listener = {
            [](void* data, zwlr_layer_surface_v1*, uint32_t serial, uint32_t width, uint32_t height) {
                static_cast<LayerStage*>(data)->configured(serial, QSize(int(width), int(height)));
            },
            [](void* data, zwlr_layer_surface_v1*) { static_cast<LayerStage*>(data)->closeWindow(); },
        };
        zwlr_layer_surface_v1_add_listener(m_layer, &listener, this);
        zwlr_layer_surface_v1_set_anchor(m_layer,
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM
                                             | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
        // Over panels too, and moving nothing aside.
        zwlr_layer_surface_v1_set_exclusive_zone(m_layer, -1);
        zwlr_layer_surface_v1_set_size(m_layer, 0, 0);
        zwlr_layer_surface_v1_set_keyboard_interactivity(m_layer,
                                                         ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
        if (QWindow* own = qWindowOf(this)) {
            own->setProperty(kLayerProperty, true);
        }
    }
    ~LayerStage() override
    {
        if (QWindow* own = qWindowOf(this)) {
            own->setProperty(kLayerProperty, QVariant());
        }
        zwlr_layer_surface_v1_destroy(m_layer);
    }
    Q_DISABLE_COPY_MOVE(LayerStage)

    void adoptPopup(xdg_popup* popup) override { zwlr_layer_surface_v1_get_popup(m_layer, popup); }

    // A layer surface with exclusive keyboard interactivity has the keyboard without asking.
    bool requestActivate() override { return true; }

protected:
    void ackConfigure(uint32_t serial) override { zwlr_layer_surface_v1_ack_configure(m_layer, serial); }

private:
    zwlr_layer_surface_v1* m_layer = nullptr;
};

// The menu or a submenu: an xdg_popup of the surface it opened over, where Qt placed it relative
// to that surface. It takes no grab: the stage has the keyboard and hands the keys on.
class LayerPopup final : public OwnSurface
{
public:
    LayerPopup(QWaylandWindow* window, LayerShellIntegration* shell, OwnSurface* parent, QWindow* parentWindow)
        : OwnSurface(window, shell)
    {
        m_xdgSurface = xdg_wm_base_get_xdg_surface(shell->wmBase(), wlSurface());
        static const xdg_surface_listener surfaceListener = {
            [](void* data, xdg_surface*, uint32_t serial) {
                static_cast<LayerPopup*>(data)->configured(serial, QSize());
            },
        };
        xdg_surface_add_listener(m_xdgSurface, &surfaceListener, this);

        const QWindow* own = qWindowOf(this);
        const QRect geometry = own != nullptr ? own->geometry() : QRect();
        const QPoint at = geometry.topLeft() - parentWindow->geometry().topLeft();
        xdg_positioner* positioner = xdg_wm_base_create_positioner(shell->wmBase());
        xdg_positioner_set_size(positioner, qMax(geometry.width(), 1), qMax(geometry.height(), 1));
        xdg_positioner_set_anchor_rect(positioner, at.x(), at.y(), 1, 1);
        xdg_positioner_set_anchor(positioner, XDG_POSITIONER_ANCHOR_TOP_LEFT);
        xdg_positioner_set_gravity(positioner, XDG_POSITIONER_GRAVITY_BOTTOM_RIGHT);
        xdg_positioner_set_constraint_adjustment(
            positioner,
            XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_X | XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_SLIDE_Y
                | XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_X | XDG_POSITIONER_CONSTRAINT_ADJUSTMENT_FLIP_Y);
        m_popup = xdg_surface_get_popup(m_xdgSurface, parent->parentXdgSurface(), positioner);
        xdg_positioner_destroy(positioner);
        static const xdg_popup_listener popupListener = {
            [](void*, xdg_popup*, int32_t, int32_t, int32_t, int32_t) {},
            [](void* data, xdg_popup*) { static_cast<LayerPopup*>(data)->closeWindow(); },
            [](void*, xdg_popup*, uint32_t) {},
        };
        xdg_popup_add_listener(m_popup, &popupListener, this);
        if (parent->parentXdgSurface() == nullptr) {
            parent->adoptPopup(m_popup);
        }
    }
    ~LayerPopup() override
    {
        xdg_popup_destroy(m_popup);
        xdg_surface_destroy(m_xdgSurface);
    }
    Q_DISABLE_COPY_MOVE(LayerPopup)

    void adoptPopup(xdg_popup*) override { }
    xdg_surface* parentXdgSurface() const override { return m_xdgSurface; }

protected:
    void ackConfigure(uint32_t serial) override { xdg_surface_ack_configure(m_xdgSurface, serial); }

private:
    xdg_surface* m_xdgSurface = nullptr;
    xdg_popup* m_popup = nullptr;
};

QWaylandShellSurface* LayerShellIntegration::createShellSurface(QWaylandWindow* window)
{
    // Which QWindow this is: the platform window a shell surface reports.
    QWaylandShellSurface probe(window);
    QWindow* qwindow = qWindowOf(&probe);
    if (qwindow != nullptr && qwindow->property(kStageProperty).toBool()) {
        qCInfo(lcLayerShell) << "the pointer surface is a layer surface on the overlay layer";
        return new LayerStage(window, this);
    }
    if (qwindow != nullptr && (qwindow->type() == Qt::ToolTip || qwindow->type() == Qt::Popup)) {
        // As Qt's own: a popup opens over its transient parent, or else over the focused window.
        QWindow* parent = qwindow->transientParent();
        if (parent == nullptr) {
            parent = QGuiApplication::focusWindow();
        }
        if (OwnSurface* parentSurface = m_own.value(parent)) {
            return new LayerPopup(window, this, parentSurface, parent);
        }
    }
    return m_xdgShell->createShellSurface(window);
}

} // namespace

class LayerShellPlugin final : public QtWaylandClient::QWaylandShellIntegrationPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QWaylandShellIntegrationFactoryInterface_iid FILE "tarsel-layer-shell.json")
public:
    QWaylandShellIntegration* create(const QString& key, const QStringList& paramList) override
    {
        Q_UNUSED(key)
        Q_UNUSED(paramList)
        return new LayerShellIntegration;
    }
};

#include "LayerShellIntegration.moc"
