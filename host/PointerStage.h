#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

class QMenu;

/// Where a Wayland client may put its menu at the click. A Wayland client places no top-level
/// window and learns where the pointer is only from events on its own surfaces; a popup,
/// though, it places relative to its own surface. The stage is an undecorated, transparent
/// window over the whole screen: the first pointer event on it tells where the pointer is, and
/// the menu opens there as the stage's popup (an xdg_popup), with the stage's keyboard focus.
/// The stage closes with the menu.
///
/// Where the compositor offers layer surfaces (wlroots compositors, KWin), the stage is one on
/// the overlay layer (host/layershell), and the windows under it stay in view; elsewhere (GNOME)
/// it is a full-screen top-level.
///
/// When no pointer event comes (the compositor shows the stage elsewhere, or not at all), the
/// menu opens as it would without the stage, and the reason is logged.
class PointerStage final : public QWidget
{
    Q_OBJECT
public:
    PointerStage();
    ~PointerStage() override;
    Q_DISABLE_COPY_MOVE(PointerStage)

    /// Whether the stage is how menus open here: a Wayland session.
    static bool isNeeded();

    /// Shows the menu at the pointer and runs until it closes; the chosen entry has been
    /// delivered when this returns.
    void execMenu(QMenu* menu);

protected:
    bool event(QEvent* event) override;

private:
    void pointerAt(const QPoint& local);
    QMenu* openMenu() const;

    QPointer<QMenu> m_menu;
    bool m_placed = false;
    bool m_popped = false;
};
