// The recorder view's key monitor: while a view records, every key event of the application
// goes through it first.

#include "kit/shortcut/MASKeyCodes.h"
#include "kit/shortcut/MASShortcutValidator.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Alert.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

// The one monitor of the process: the view it reports to, null when none is installed.
MASShortcutView* gMonitorView = nullptr;

quint64 modifierKeyFlag(int key)
{
    switch (key) {
    case Qt::Key_Shift:
        return MASShortcut::kShiftFlag;
    case Qt::Key_Control:
        return MASShortcut::kControlFlag;
    case Qt::Key_Alt:
        return MASShortcut::kOptionFlag;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return MASShortcut::kCommandFlag;
    default:
        return 0;
    }
}

} // namespace

void MASShortcutView::installMonitor(bool on)
{
    if (on && !gMonitorView) {
        gMonitorView = this;
        qApp->installEventFilter(this);
    } else if (!on && gMonitorView == this) {
        gMonitorView = nullptr;
        qApp->removeEventFilter(this);
    }
}

bool MASShortcutView::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_recording) {
        return false;
    }
    switch (event->type()) {
    case QEvent::WindowDeactivate:
        // The window resigned key: the user went elsewhere.
        if (watched == window()) {
            setRecording(false);
        }
        return false;
    case QEvent::ShortcutOverride: {
        // Claim every key from the application's own shortcuts while recording, so the
        // combination reaches the view as a key press instead of triggering a menu action;
        // Tab and Command-W/Q stay theirs.
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        const bool passes = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab
            || (mods == Qt::MetaModifier && (key->key() == Qt::Key_W || key->key() == Qt::Key_Q));
        if (!passes) {
            event->accept();
        }
        return false;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return handleRecordingKey(static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}

bool MASShortcutView::handleRecordingKey(QKeyEvent* event)
{
    const bool press = event->type() == QEvent::KeyPress;
    const quint64 modifierKey = modifierKeyFlag(event->key());
    if (!press && !modifierKey) {
        return false; // a key going up; only modifier changes count
    }
    MASShortcut typed = MASShortcut::shortcutWithEvent(*event);
    if (modifierKey) {
        // A modifier's own event reports the state before it: apply its change.
        const quint64 flags = press ? (typed.modifierFlags() | modifierKey) : (typed.modifierFlags() & ~modifierKey);
        typed = MASShortcut::shortcutWithKeyCode(typed.keyCode(), flags);
    }
    const quint64 flags = typed.modifierFlags();
    const quint64 code = typed.keyCode();
    if (code == kVK_Tab) {
        return false;
    }
    if (flags == 0 && (code == kVK_Delete || code == kVK_ForwardDelete)) {
        setShortcutValue(std::nullopt);
        setRecording(false);
        return true;
    }
    if (flags == 0 && code == kVK_Escape) {
        setRecording(false);
        return true;
    }
    if (flags == MASShortcut::kCommandFlag && (code == kVK_ANSI_W || code == kVK_ANSI_Q)) {
        setRecording(false);
        return false;
    }
    if (modifierKey || typed.keyCodeString().isEmpty()) {
        setShortcutPlaceholder(typed.modifierFlagsString());
        return true;
    }
    if (m_validator && !m_validator->isShortcutValid(typed)) {
        QApplication::beep();
        return true;
    }
    if (refuseTakenShortcut(typed)) {
        return true;
    }
    setShortcutValue(typed);
    setRecording(false);
    return true;
}

bool MASShortcutView::refuseTakenShortcut(const MASShortcut& shortcut)
{
    QString explanation;
    if (!m_validator || !m_validator->isShortcutAlreadyTakenBySystem(shortcut, &explanation)) {
        return false;
    }
    installMonitor(false);
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Style::Critical);
    alert.setMessageText(MASLocalizedTextForKey(QStringLiteral("The key combination %@ cannot be used"),
                                                "Title for alert when shortcut is already used")
                             .replace(QStringLiteral("%@"), shortcut.description()));
    alert.setInformativeText(explanation);
    alert.addButtonWithTitle(
        MASLocalizedTextForKey(QStringLiteral("OK"), "Alert button when shortcut is already used"));
    alert.runModal();
    setShortcutPlaceholder(QString());
    if (m_recording) {
        installMonitor(true);
    }
    return true;
}
