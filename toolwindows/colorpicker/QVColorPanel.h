#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QVColorInfoWinCtl;
class QVColorPickerWindow;

/// Drives the screen colour picker: start() shows the magnifier (QVColorPickerWindow); the
/// picked colour goes to the colour-changed handler, when one is set, and opens the colour
/// window (QVColorInfoWinCtl). One panel per engine, kept for its lifetime; it makes both
/// windows on first use.
///
/// In a Wayland session, where no client may read the screen, the desktop portal's own picker
/// reads the colour instead of the magnifier; when no portal answers, an alert says so.
///
/// The first use ever (the standard-defaults flag "Screen Record Tip" not yet set) tells the
/// user about reading the screen first. A pick starts a moment after it is asked for, so that
/// the menu or message it was chosen from has left the screen, and other programs have redrawn
/// what it covered, before the screen is read. While a pick runs and while the colour window is
/// open the process has pending work (Hooks), so it does not end under the user. Main thread
/// only.
class QVColorPanel final : public QObject
{
    Q_OBJECT

public:
    /// What the panel needs from the process: the system's sound types, and the count of work
    /// it must live for.
    struct Hooks
    {
        std::function<void(int type)> playSound;
        std::function<void()> beginPendingWork;
        std::function<void()> endPendingWork;
    };
    using ColorHandler = std::function<void(const QColor& color)>;

    /// The standard-defaults flag of the first use, and the localisation key of its message.
    static inline const QString kScreenRecordTip = QStringLiteral("Screen Record Tip");
    /// How long a pick waits before reading the screen.
    static constexpr int kSettleMs = 150;

    explicit QVColorPanel(Hooks hooks = {}, QObject* parent = nullptr);
    ~QVColorPanel() override;
    Q_DISABLE_COPY_MOVE(QVColorPanel)

    /// Starts a pick with the handler (none for none). While one is starting or running, only
    /// the handler is replaced.
    void startColorPicker(ColorHandler handler = {});
    /// A pick is starting or running.
    bool isPicking() const;
    ColorHandler colorChangedHandler() const { return m_colorChangedHandler; }
    void setColorChangedHandler(ColorHandler handler) { m_colorChangedHandler = std::move(handler); }

    /// Makes this panel the one the engine's "Color Picker" starts (until it is destroyed).
    void installAsColorPickerStarter();

    QVColorPickerWindow* colorPickerWin();
    QVColorInfoWinCtl* colorInfoWinCtl();

private:
    void _usePickView();
    void _usePortal();
    void _pickFinished(const QColor& color);
    void hold(bool& holding, bool on);

    Hooks m_hooks;
    ColorHandler m_colorChangedHandler;
    std::unique_ptr<QVColorPickerWindow> m_colorPickerWin;
    std::unique_ptr<QVColorInfoWinCtl> m_colorInfoWinCtl;
    bool m_starting = false;
    bool m_holdsPick = false;
    bool m_holdsInfo = false;
    bool m_installed = false;
};
