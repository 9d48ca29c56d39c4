#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace platform {

/// What an open or save panel offers. Paths are absolute POSIX paths.
struct PanelOptions
{
    QString title;
    QString message; ///< a line above the file list
    QString prompt; ///< the text of the accepting button
    QString directory; ///< the folder shown first
    QString nameFieldValue; ///< save panels: the proposed file name
    QStringList allowedFileTypes; ///< extensions without a dot; empty means any file
    bool canChooseFiles = true;
    bool canChooseDirectories = false;
    bool allowsMultipleSelection = false;
    bool canCreateDirectories = true;
    bool showsHiddenFiles = false;
    /// Panels above every other window (the shielding level) stay on top.
    int level = 0;
    /// A widget shown below the file list. The panel borrows it: it goes back to its own
    /// parent (or to none) when the panel closes.
    QWidget* accessoryView = nullptr;
};

/// The answer of a panel: `response` is 1 (OK) or 0 (Cancel); `paths` holds the chosen
/// paths on OK and nothing on Cancel.
struct PanelResult
{
    static constexpr int OK = 1;
    static constexpr int Cancel = 0;

    int response = Cancel;
    QStringList paths;

    bool isOK() const { return response == OK; }
};

/// Open and save panels, shown as Qt's own (non-native) file dialogs so that an accessory
/// widget can be added and the dialogs look alike on every desktop.
///
/// Tests install a responder (setResponder) that answers instead of the user: nothing is
/// shown then, and a sheet's handler still runs on the next turn of the event loop. When
/// nobody can be asked (ModalPolicy: no display), a panel says so on standard error and
/// answers Cancel the same way.
class Panels final
{
public:
    Panels() = delete;

    static constexpr int NormalLevel = 0;
    /// Above every other window, as the folder-access and activation panels are.
    static constexpr int ShieldingLevel = 1000;

    enum class Kind { Open, Save };
    using Handler = std::function<void(const PanelResult& result)>;
    using Responder = std::function<PanelResult(Kind kind, const PanelOptions& options)>;

    /// Application-modal; returns once the user has answered.
    static PanelResult runOpenPanel(const PanelOptions& options);
    static PanelResult runSavePanel(const PanelOptions& options);
    /// As a sheet on the window (window-modal), returning at once; a null window runs the
    /// panel application-modally and then calls the handler.
    static void beginOpenPanel(const PanelOptions& options, QWidget* window, Handler handler);
    static void beginSavePanel(const PanelOptions& options, QWidget* window, Handler handler);

    /// Installs the responder for every later panel; an empty function removes it.
    static void setResponder(Responder responder);

    /// Cancels the shown panel that holds this accessory widget (an accessory's own button
    /// ending its panel); nothing when the widget is in no shown panel.
    static void cancelPanelOf(QWidget* accessory);
    /// Limits the shown panel that holds this accessory widget to the file types (a save panel
    /// also appends the single type to a name without it); nothing when the widget is in no
    /// shown panel.
    static void setAllowedFileTypesOf(QWidget* accessory, const QStringList& types);
};

} // namespace platform
