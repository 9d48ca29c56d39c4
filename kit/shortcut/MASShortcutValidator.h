#pragma once

#include "kit/shortcut/MASShortcut.h"

#include <QList>
#include <QString>

#include <functional>

class QAction;

/// Which combinations the recorder accepts as global hot keys, and whether an accepted one is
/// in use already: by another program's global key (the desktop's own shortcuts) or by a
/// shortcut of the application's main menu. Main thread only.
class MASShortcutValidator final
{
public:
    static MASShortcutValidator& sharedValidator();
    MASShortcutValidator() = default;

    /// Function keys always; otherwise a modifier is needed, Shift alone never counts, and
    /// Option (with or without Shift) counts with Space and Escape only unless
    /// allowAnyShortcutWithOptionModifier is on.
    bool isShortcutValid(const MASShortcut& shortcut) const;
    /// Taken by another program, else by the main menu; the explanation says by what.
    bool isShortcutAlreadyTakenBySystem(const MASShortcut& shortcut, QString* explanation = nullptr) const;
    /// Taken by a shortcut of one of the actions or of their submenus at any depth. Actions
    /// without a shortcut never match.
    bool isShortcutAlreadyTakenInMenu(const MASShortcut& shortcut, const QList<QAction*>& menu,
                                      QString* explanation = nullptr) const;

    bool allowAnyShortcutWithOptionModifier() const { return m_allowAnyOption; }
    void setAllowAnyShortcutWithOptionModifier(bool allow) { m_allowAnyOption = allow; }

    /// The application's main menu: by default the actions of every top-level window's menu bar.
    using MainMenu = std::function<QList<QAction*>()>;
    static void setMainMenu(MainMenu menu);

private:
    bool m_allowAnyOption = false;
};
