#pragma once

#include <QString>

#include <functional>

/// The front every command calls before it touches the selected paths: it answers at once when
/// a stored grant (QVURLCache) or plain write access suffices, and otherwise asks the user for
/// a folder in an open panel. Main thread only; no state of its own.
class QVCheckPermit final
{
public:
    QVCheckPermit() = delete;

    using Block = std::function<void()>;
    /// Shows the one-time activation panel. Its accessory lives above the foundation, so the
    /// extension installs this at start-up; without it nothing is shown. It is called only in
    /// the extension on system 15 and later, and only until QVPermissions records the
    /// activation.
    using ActivationPanel = std::function<void()>;
    static void setActivationPanel(ActivationPanel panel);

    /// Silent test: writable, or a stored grant covers the path. Never shows a panel.
    static bool checkPermitWithPath(const QString& path);
    /// Obtains access, asking the user when needed; exactly one block runs before this
    /// returns, none for a null path.
    static void checkPermitWithPath(const QString& path, const Block& success, const Block& failure);
    /// Whether work is handed from the extension to the application.
    static bool canUseMainApp();
    /// The activation panel, when work is handed to the application and the panel has not been
    /// answered with "Activate" in this process.
    static void activePanelForOSX15();
    /// A modal open panel for one folder; its path on OK, null on Cancel. Stores no grant.
    static QString selectFolderWithPrompt(const QString& prompt, const QString& directory);
    /// Tells the user that full disk access is needed (an alert with "Authorization"/"Cancel").
    static void accessPrivacy();
    /// This desktop's Full Disk Access: the user grants a folder now, in the panel a command
    /// would show for a path in the home folder ("Authorization Tip", starting in the home
    /// folder; any folder may be chosen). The chosen folder is stored as a grant; its path, or
    /// null on Cancel.
    static QString accessPrivacyAllFiles();
};
