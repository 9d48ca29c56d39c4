#pragma once

#include <QList>
#include <QMutex>
#include <QSet>
#include <QUrl>

namespace platform {

/// What a menu request is for.
enum FIMenuKind : int {
    FIMenuKindContextualMenuForItems = 0, ///< items are selected
    FIMenuKindContextualMenuForContainer = 1, ///< the background of a folder
    FIMenuKindContextualMenuForSidebar = 2,
    FIMenuKindToolbarItemMenu = 3, ///< the extension's toolbar button
};

/// The file manager's side of the extension: which folders the extension serves, and, for the
/// menu request being answered, the selected items and the folder the request was made in.
///
/// The file-manager host fills the selection and the targeted folder before it asks for a menu;
/// the extension reads them. Safe to use from any thread.
class FIFinderSyncController final
{
public:
    /// The process-wide controller.
    static FIFinderSyncController& defaultController();

    /// Whether the file-manager host loads the extension. The host keeps the choice in its own
    /// defaults suite ("tarsel-finder", list "ignored extensions"); an extension is on unless it
    /// is listed there, and the host refuses to load one that is.
    static bool isExtensionEnabled(const QString& extensionId);
    /// Turns the extension on or off for the hosts started from now on; false when the choice
    /// could not be stored.
    static bool setExtensionEnabled(const QString& extensionId, bool enabled);

    FIFinderSyncController() = default;
    Q_DISABLE_COPY_MOVE(FIFinderSyncController)

    /// The folders the extension serves; menus are requested only inside them.
    QSet<QUrl> directoryURLs() const;
    void setDirectoryURLs(const QSet<QUrl>& urls);
    /// True when the path lies in (or is) a served folder.
    bool isServed(const QString& path) const;

    /// The items selected for the current request (empty for a folder background).
    QList<QUrl> selectedItemURLs() const;
    /// The folder the current request was made in; empty when there is none.
    QUrl targetedURL() const;

    // Set by the file-manager host before each request.
    void setSelectedItemURLs(const QList<QUrl>& urls);
    void setTargetedURL(const QUrl& url);

private:
    mutable QMutex m_mutex;
    QSet<QUrl> m_directoryURLs;
    QList<QUrl> m_selectedItemURLs;
    QUrl m_targetedURL;
};

} // namespace platform
