#pragma once

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class QVSetViewCtl;
}
namespace qv {
struct Notification;
}
class AppDelegate;
class QCheckBox;
class QVEditNameWinCtl;

/// The "pref" page of the preferences tab: the application-wide switches. Every checkbox
/// carries the number of its shared switch ("pref check" + number) as its "tag" property and
/// writes it when clicked; some also act at once through the application delegate (status
/// item, login item, the extension's volumes, the right-click hook and its hot key).
///
/// This desktop has no Dock: the Dock icon's box is kept (it still stores its switch) but never
/// shown, since nothing could follow it.
class QVSetViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVSetViewCtl(QWidget* parent = nullptr);
    ~QVSetViewCtl() override;

    /// The delegate whose companions the switches drive; without one they are only stored.
    void setAppDelegate(AppDelegate* delegate) { m_delegate = delegate; }

    /// Whether the process may watch clicks system-wide, the hook's trust (by default the hook's
    /// own test: an X server with XTest).
    std::function<bool()> isAccessibilityEnabled;
    /// Shows where that trust is given (by default the hook's opener).
    std::function<void()> openPrivacyAccessibility;
    /// Why the desktop session lets no hook watch clicks, in words; empty when it may (by
    /// default the reason the hook's own test gives).
    std::function<QString()> hookUnavailableReason;
    /// Why the desktop session takes no global hot keys; empty when it does (by default the
    /// hot-key monitor's).
    std::function<QString()> hotKeyUnavailableReason;
    /// Why no tray icon can be shown; empty when it can (by default the platform's).
    std::function<QString()> trayUnavailableReason;

    /// Brings every control in line with the stored values and the hook's trust.
    void refreshBaseInfo();
    /// Rebuilds the status-folder pop-up.
    void refreshPopButton();

    void onCheckAction(QCheckBox* box);
    void onMenuFolderPopButton(int index);
    void onSysMenuItemPopButton(int index);
    void onPressPopButton(int index);
    void onModifyFoldName();
    QVEditNameWinCtl* editNameWinCtl() const { return m_editNameWinCtl; }

    /// The item tags of the status-folder pop-up.
    enum FolderTag { CustomFolder = 0, DesktopFolder = 1, DocumentsFolder = 2, OtherFolder = 3 };

    /// "config change noti" and the refresh signal.
    Q_INVOKABLE void handleSignal(const qv::Notification& notification);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setUpTexts();
    QList<QCheckBox*> checkBoxes() const;
    void showUnavailableReasons(bool hookActive);

    std::unique_ptr<Ui::QVSetViewCtl> m_ui;
    AppDelegate* m_delegate = nullptr;
    QVEditNameWinCtl* m_editNameWinCtl = nullptr;
    bool m_loadPending = false;
};
