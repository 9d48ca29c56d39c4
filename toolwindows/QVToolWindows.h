#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QVColorPanel;
class QVEmbedFolderWinCtl;
class QVFileHashWinCtl;
class QVFileToolWindows;
class QVFixNameWinCtl;
class QVLoadingWinCtl;
class QVMenuService;
class QVNewFolderWinCtl;
class QVResizeImageWinCtl;
class QVScriptInfoWinCtl;
struct QVScriptResult;

/// Every tool window the engine's commands open, for the one process that shows them: the
/// extension's principal object and the application each hold one, so a command opens the same
/// windows wherever it runs. While this object lives it is installed as the opener of each of
/// them (progress window, name dialogs and the new-file panel, script result window, resize
/// window, file hash and garbled-name windows, the compression panel's encryption options, the
/// activation panel, the screen colour picker); the windows it opens are held until clean(),
/// which the engine calls when a command has finished. The colour picker is the exception: it is
/// kept as long as this object, as the engine keeps its colour panel. Main thread only.
class QVToolWindows final : public QObject
{
    Q_OBJECT

public:
    explicit QVToolWindows(QObject* parent = nullptr);
    /// Removes the openers it installed and closes its windows.
    ~QVToolWindows() override;
    Q_DISABLE_COPY_MOVE(QVToolWindows)

    /// The engine's progress reports drive the progress window, and its clean ends in clean().
    void attach(QVMenuService& service);

    /// The windows held now; null while none is.
    QVLoadingWinCtl* loadingWinCtl() const { return m_loadingWinCtl.get(); }
    QVResizeImageWinCtl* resizeImageWinCtl() const { return m_resizeImageWinCtl.get(); }
    QVFileHashWinCtl* fileHashWinCtl() const;
    QVFixNameWinCtl* fixNameWinCtl() const;
    /// The script result window, made for the first result; the process stays while it is open.
    QVScriptInfoWinCtl* scriptInfoWinCtl() const { return m_scriptInfoWinCtl.get(); }
    QVEmbedFolderWinCtl* embedFolderWinCtl() const { return m_embedFolderWinCtl.get(); }
    QVNewFolderWinCtl* createFolderWinCtl() const { return m_createFolderWinCtl.get(); }
    /// The screen colour picker that "Color Picker", its hot key and app command 10 start.
    QVColorPanel* colorPanel() const { return m_colorPanel.get(); }

    /// Closes and drops every window held (safe inside a window's own callback).
    void clean();

private:
    void installOpeners();
    QVLoadingWinCtl& ensureLoadingWinCtl();
    void openResizeImage(const QString& path, std::function<void(double, double)> sure);
    void showScriptResult(const QVScriptResult& result);
    void releaseScriptInfoHold();
    void openEmbedFolder(const QString& name, std::function<void(const QString&, int)> handler);
    void openNewFolder(const QString& name, std::function<void(const QString&)> handler);

    std::unique_ptr<QVLoadingWinCtl> m_loadingWinCtl;
    std::unique_ptr<QVResizeImageWinCtl> m_resizeImageWinCtl;
    std::unique_ptr<QVFileToolWindows> m_fileToolWindows;
    std::unique_ptr<QVScriptInfoWinCtl> m_scriptInfoWinCtl;
    bool m_holdsScriptInfo = false;
    std::unique_ptr<QVEmbedFolderWinCtl> m_embedFolderWinCtl;
    std::unique_ptr<QVNewFolderWinCtl> m_createFolderWinCtl;
    std::unique_ptr<QVColorPanel> m_colorPanel;
};
