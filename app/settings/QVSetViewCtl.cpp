#include "app/settings/QVSetViewCtl.h"

#include "app/AppDelegate.h"
#include "app/settings/QVSettingsPage.h"
#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVPermissions.h"
#include "foundation/StringExpandText.h"
#include "kit/shortcut/MASShortcutMonitor.h"
#include "kit/shortcut/MASShortcutView.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"
#include "platform/Panels.h"
#include "platform/Paths.h"
#include "platform/System.h"
#include "toolwindows/editname/QVEditNameWinCtl.h"

#include "ui_QVSetViewCtl.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>

namespace {

struct CheckRow
{
    QCheckBox* Ui::QVSetViewCtl::*box;
    const char* title;
    QVSwitch number;
};

const CheckRow kCheckRows[] = {
    { &Ui::QVSetViewCtl::hideMenuIconBtn, "Check Hide MainMenu Icon", QVSwitch::NoTopLevelIcons },
    { &Ui::QVSetViewCtl::externalCheckBtn, "Check External Disks Enable", QVSwitch::ServeVolumes },
    { &Ui::QVSetViewCtl::hideSubMenuIconBtn, "Check Hide SubMenu Icon", QVSwitch::NoSubmenuIcons },
    { &Ui::QVSetViewCtl::showStatusBarBtn, "Check Show Top StatusBar", QVSwitch::StatusItem },
    { &Ui::QVSetViewCtl::hideFoldIconBtn, "Check Hide FoldMenu Icon", QVSwitch::NoFoldMenuImage },
    { &Ui::QVSetViewCtl::enableSoundCheckBtn, "Enable sound effects", QVSwitch::SoundFeedback },
    { &Ui::QVSetViewCtl::showDockIconBtn, "Check Show Dock Icon", QVSwitch::DockIcon },
    { &Ui::QVSetViewCtl::launchAtLoginCheckBtn, "Launch at Login", QVSwitch::LaunchAtLogin },
    { &Ui::QVSetViewCtl::foldMenuEnterSetCheckBtn, "Click the top menu to set", QVSwitch::OpenSettingsPage },
    { &Ui::QVSetViewCtl::cloudFolderCheckBtn, "Check Cloud Folder Enable", QVSwitch::RightClickHook },
    { &Ui::QVSetViewCtl::middleClickCheckBtn, "Enable Middle Mouse Button", QVSwitch::HookMiddleButton },
    { &Ui::QVSetViewCtl::sysRightClickCheckBtn, "Override System Right-Click", QVSwitch::HookPlainRightClick },
    { &Ui::QVSetViewCtl::hideSelectedTipCheckBtn, "Hide Selected Tip", QVSwitch::NoSelectedTitle },
    { &Ui::QVSetViewCtl::pressClickCheckBtn, "Press", QVSwitch::HookModifiedRightClick },
};

const char kTagProperty[] = "tag";
const QColor kSystemBlue(0x00, 0x7A, 0xFF);

platform::Defaults& shared()
{
    return QVMenuManager::sharedDefaults();
}

bool isOn(QVSwitch number)
{
    return shared().boolValue(QVMenuManager::prefCheck(number));
}

QString displayName()
{
    return platform::Bundle::infoValue(QStringLiteral("CFBundleDisplayName"));
}

void setTextColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette pal = widget->palette();
    pal.setColor(role, color);
    widget->setPalette(pal);
}

QIcon folderIcon(const QString& path)
{
    static QFileIconProvider provider;
    return provider.icon(QFileInfo(path));
}

} // namespace

QVSetViewCtl::QVSetViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVSetViewCtl>())
{
    m_ui->setupUi(this);
    isAccessibilityEnabled = [] { return QVPermissions::checkAccessibilityPermission(); };
    openPrivacyAccessibility = [] { QVPermissions::openPrivacyAccessibility(); };
    hookUnavailableReason = [] {
        QString reason;
        return QVPermissions::checkAccessibilityPermission(&reason) ? QString() : reason;
    };
    hotKeyUnavailableReason = [] { return MASShortcutMonitor::sharedMonitor().unavailableReason(); };
    trayUnavailableReason = [] { return platform::System::trayUnavailableReason(); };
    setUpTexts();
    for (const CheckRow& row : kCheckRows) {
        QCheckBox* box = (*m_ui).*row.box;
        box->setProperty(kTagProperty, static_cast<int>(row.number));
        connect(box, &QCheckBox::clicked, this, [this, box] { onCheckAction(box); });
    }
    // Nothing on this desktop shows or hides a Dock icon.
    m_ui->showDockIconBtn->hide();
    m_ui->cloudFolderShortcutView->setStyle(0);
    m_ui->cloudFolderShortcutView->setAssociatedUserDefaultsKey(AppDelegate::kCloudFolderShortCut);
    connect(m_ui->menuFolderPopButton, &QComboBox::activated, this, &QVSetViewCtl::onMenuFolderPopButton);
    connect(m_ui->sysMenuItemPopButton, &QComboBox::activated, this, &QVSetViewCtl::onSysMenuItemPopButton);
    connect(m_ui->pressPopButton, &QComboBox::activated, this, &QVSetViewCtl::onPressPopButton);
    connect(m_ui->foldMenuNameBtn, &QPushButton::clicked, this, &QVSetViewCtl::onModifyFoldName);
    // The page always opens at the top of its switches.
    connect(m_ui->scrollView->verticalScrollBar(), &QScrollBar::rangeChanged, this,
            [this] { m_ui->scrollView->verticalScrollBar()->setValue(0); });
    qv::addNotification(this, qv::kConfigChangeNotification);
    qv::addNotification(this, qv::kRefreshSignal);
    // In a settings window being built the page is hidden: it loads when first shown.
    m_loadPending = QVSettingsPage::DeferFirstLoad::active();
    if (!m_loadPending) {
        refreshBaseInfo();
    }
}

QVSetViewCtl::~QVSetViewCtl()
{
    qv::removeAllNotification(this);
}

void QVSetViewCtl::setUpTexts()
{
    for (const CheckRow& row : kCheckRows) {
        ((*m_ui).*row.box)->setText(qv::localized(QLatin1String(row.title)));
    }
    m_ui->foldMenuNameLabel->setText(qv::localized(QStringLiteral("Fold Menu Name (Click Modify)：")));
    m_ui->externalCheckTipLabel->setText(qv::localized(QStringLiteral("Check External Disks Enable Tip")));
    m_ui->cloudFolderCheckTipLabel->setText(qv::localized(QStringLiteral("Check Cloud Folder Enable Tip")));
    m_ui->statusBarMenuFolderLabel->setText(qv::localized(QStringLiteral("Status bar menu folder:")));
    m_ui->sysMenuItemLabel->setText(qv::localized(QStringLiteral("System menu item")) + QStringLiteral(":"));
    m_ui->pressEndLabel->setText(qv::localized(QStringLiteral("and click the right mouse")));
    for (const char* key : { "None", "At the Top", "At the Bottom" }) {
        m_ui->sysMenuItemPopButton->addItem(qv::localized(QLatin1String(key)));
    }
    // The modifiers by the names this desktop's keyboards and shortcut editors give them, in the
    // numbering of the hook's modifier (the stored value is the position).
    m_ui->pressPopButton->addItems(
        { QStringLiteral("Shift"), QStringLiteral("Ctrl"), QStringLiteral("Alt"), QStringLiteral("Super") });
}

QList<QCheckBox*> QVSetViewCtl::checkBoxes() const
{
    QList<QCheckBox*> boxes;
    for (const CheckRow& row : kCheckRows) {
        boxes << (*m_ui).*row.box;
    }
    return boxes;
}

void QVSetViewCtl::showEvent(QShowEvent* event)
{
    refreshBaseInfo();
    QWidget::showEvent(event);
}

void QVSetViewCtl::handleSignal(const qv::Notification& notification)
{
    // A page not loaded yet loads from the stored values when it is shown.
    if (m_loadPending && !isVisible()) {
        return;
    }
    if (notification.name == qv::kConfigChangeNotification || notification.name == qv::kRefreshSignal) {
        refreshBaseInfo();
    }
}

void QVSetViewCtl::refreshBaseInfo()
{
    m_loadPending = false;
    const QString foldName = shared().stringValue(QStringLiteral("fold menu name"));
    m_ui->foldMenuNameBtn->setText(qv::isBlank(foldName) ? displayName() : foldName);
    setTextColor(m_ui->foldMenuNameBtn, QPalette::ButtonText, kSystemBlue);
    m_ui->menuFolderPopButton->setEnabled(isOn(QVSwitch::StatusItem));
    for (QCheckBox* box : checkBoxes()) {
        const int number = box->property(kTagProperty).toInt();
        if (number != static_cast<int>(QVSwitch::RightClickHook)) {
            box->setChecked(shared().boolValue(QVMenuManager::prefCheck(number)));
        }
    }
    // The hook's controls follow what is in force: the stored switch and the trust it needs.
    const bool trusted = isAccessibilityEnabled && isAccessibilityEnabled();
    const bool active = isOn(QVSwitch::RightClickHook) && trusted;
    // A switch the user turned on reads on even where the session does not let it work; the
    // reason beside it says why it does nothing, and the box cannot be changed until it can.
    m_ui->cloudFolderCheckBtn->setChecked(isOn(QVSwitch::RightClickHook));
    m_ui->cloudFolderCheckBtn->setEnabled(trusted);
    for (QWidget* control :
         { static_cast<QWidget*>(m_ui->cloudFolderShortcutView), static_cast<QWidget*>(m_ui->middleClickCheckBtn),
           static_cast<QWidget*>(m_ui->sysRightClickCheckBtn), static_cast<QWidget*>(m_ui->pressClickCheckBtn) }) {
        control->setEnabled(active);
    }
    m_ui->sysMenuItemPopButton->setCurrentIndex(
        int(qBound(qint64(0), shared().integerValue(QVMenuManager::prefCheck(QVSwitch::SystemMenuPlace)), qint64(2))));
    m_ui->pressPopButton->setCurrentIndex(
        int(qBound(qint64(0), shared().integerValue(QVMenuManager::prefCheck(QVSwitch::HookModifier)), qint64(3))));
    m_ui->sysMenuItemPopButton->setEnabled(active && m_ui->sysRightClickCheckBtn->isChecked());
    m_ui->pressPopButton->setEnabled(active && m_ui->pressClickCheckBtn->isChecked());
    m_ui->hideSelectedTipCheckBtn->setVisible(active);
    setTextColor(m_ui->pressEndLabel, QPalette::WindowText,
                 active ? palette().color(QPalette::WindowText)
                        : palette().color(QPalette::Disabled, QPalette::WindowText));
    showUnavailableReasons(trusted);
    refreshPopButton();
}

void QVSetViewCtl::showUnavailableReasons(bool hookTrusted)
{
    const auto show = [](QLabel* label, const QStringList& reasons, const QList<QWidget*>& controls) {
        const QString text = reasons.join(QLatin1Char(' '));
        label->setText(text);
        label->setVisible(!text.isEmpty());
        for (QWidget* control : controls) {
            control->setToolTip(text);
        }
    };
    QStringList hookReasons;
    if (!hookTrusted) {
        const QString why = hookUnavailableReason ? hookUnavailableReason() : QString();
        hookReasons << (why.isEmpty() ? qv::localized(QStringLiteral("Accessibility permissions need to be enabled"))
                                      : why);
    }
    const QString hotKeyWhy = hotKeyUnavailableReason ? hotKeyUnavailableReason() : QString();
    if (!hotKeyWhy.isEmpty()) {
        hookReasons << hotKeyWhy;
    }
    show(m_ui->cloudFolderReasonLabel, hookReasons, { m_ui->cloudFolderCheckBtn });
    m_ui->cloudFolderShortcutView->setEnabled(m_ui->cloudFolderShortcutView->isEnabled() && hotKeyWhy.isEmpty());
    // The tray's reason matters only while the user wants the icon.
    const QString trayWhy = isOn(QVSwitch::StatusItem) && trayUnavailableReason ? trayUnavailableReason() : QString();
    show(m_ui->statusBarReasonLabel, trayWhy.isEmpty() ? QStringList() : QStringList { trayWhy },
         { m_ui->showStatusBarBtn });
}

void QVSetViewCtl::onCheckAction(QCheckBox* box)
{
    const int number = box->property(kTagProperty).toInt();
    const bool on = box->isChecked();
    shared().setValue(QVMenuManager::prefCheck(number), on);
    switch (static_cast<QVSwitch>(number)) {
    case QVSwitch::ServeVolumes:
        if (m_delegate != nullptr) {
            m_delegate->restartFinderExtension();
        }
        break;
    case QVSwitch::StatusItem:
        if (m_delegate != nullptr) {
            m_delegate->createStatusBar();
        }
        m_ui->menuFolderPopButton->setEnabled(on);
        showUnavailableReasons(isAccessibilityEnabled && isAccessibilityEnabled());
        break;
    case QVSwitch::DockIcon:
        if (m_delegate != nullptr) {
            m_delegate->toggleDockIcon();
        }
        break;
    case QVSwitch::LaunchAtLogin:
        // The box shows the state in force: a login item that could not be written stays off.
        if (m_delegate != nullptr) {
            box->setChecked(m_delegate->launchAtLogin(on));
        }
        break;
    case QVSwitch::RightClickHook:
        if (m_delegate != nullptr) {
            m_delegate->setupCloudFolderEnable();
        }
        if (on && !(isAccessibilityEnabled && isAccessibilityEnabled())) {
            // The switch stays on: the hook starts once the trust is given.
            qv::alertWithMsg(qv::localized(QStringLiteral("Accessibility permissions need to be enabled")), window());
            if (openPrivacyAccessibility) {
                openPrivacyAccessibility();
            }
            return;
        }
        refreshBaseInfo();
        break;
    case QVSwitch::HookPlainRightClick:
        shared().setValue(QVMenuManager::prefCheck(QVSwitch::HookModifiedRightClick), false);
        refreshBaseInfo();
        break;
    case QVSwitch::HookModifiedRightClick:
        shared().setValue(QVMenuManager::prefCheck(QVSwitch::HookPlainRightClick), false);
        refreshBaseInfo();
        break;
    default:
        break;
    }
}

void QVSetViewCtl::refreshPopButton()
{
    QComboBox* pop = m_ui->menuFolderPopButton;
    pop->clear();
    const QString stored = shared().stringValue(QVMenuManager::kStatusBarMenuFolder);
    const QString desktop = platform::Paths::desktop();
    const QString documents = platform::Paths::documents();
    const auto add = [pop](const QString& title, const QString& path, int tag) {
        pop->addItem(folderIcon(path), title, tag);
        pop->setItemData(pop->count() - 1, path, Qt::UserRole + 1);
    };
    int selected = DesktopFolder;
    if (!qv::isBlank(stored) && stored != desktop && stored != documents) {
        add(QFileInfo(stored).fileName(), stored, CustomFolder);
        pop->insertSeparator(pop->count());
        selected = CustomFolder;
    }
    add(qv::localized(QFileInfo(desktop).fileName()), desktop, DesktopFolder);
    add(qv::localized(QFileInfo(documents).fileName()), documents, DocumentsFolder);
    if (stored == documents) {
        selected = DocumentsFolder;
    }
    pop->insertSeparator(pop->count());
    pop->addItem(qv::localized(QStringLiteral("Others")), int(OtherFolder));
    pop->setCurrentIndex(pop->findData(selected));
}

void QVSetViewCtl::onMenuFolderPopButton(int index)
{
    QComboBox* pop = m_ui->menuFolderPopButton;
    const int tag = pop->itemData(index).toInt();
    if (tag != OtherFolder) {
        shared().setValue(QVMenuManager::kStatusBarMenuFolder, pop->itemData(index, Qt::UserRole + 1).toString());
        refreshPopButton();
        return;
    }
    const QString stored = shared().stringValue(QVMenuManager::kStatusBarMenuFolder);
    platform::PanelOptions options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.canCreateDirectories = true;
    options.level = platform::Panels::ShieldingLevel;
    options.directory = QFileInfo(stored).isDir() ? stored : platform::Paths::desktop();
    QPointer<QVSetViewCtl> self(this);
    platform::Panels::beginOpenPanel(options, window(), [self](const platform::PanelResult& result) {
        if (result.isOK() && !result.paths.isEmpty()) {
            shared().setValue(QVMenuManager::kStatusBarMenuFolder, result.paths.first());
        }
        // A cancelled panel selects the previous choice again.
        if (self) {
            self->refreshPopButton();
        }
    });
}

void QVSetViewCtl::onSysMenuItemPopButton(int index)
{
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::SystemMenuPlace), index);
}

void QVSetViewCtl::onPressPopButton(int index)
{
    shared().setValue(QVMenuManager::prefCheck(QVSwitch::HookModifier), index);
}

void QVSetViewCtl::onModifyFoldName()
{
    if (m_editNameWinCtl == nullptr) {
        m_editNameWinCtl = new QVEditNameWinCtl(this);
    }
    m_editNameWinCtl->setDefaultAlias(m_ui->foldMenuNameBtn->text());
    QPointer<QVSetViewCtl> self(this);
    m_editNameWinCtl->setEditHandler([self](const QString& name) {
        // A blank name means the application's own name, stored as such.
        const QString stored = qv::isBlank(name) ? displayName() : name;
        shared().setValue(QStringLiteral("fold menu name"), stored);
        if (self) {
            self->m_ui->foldMenuNameBtn->setText(stored);
            setTextColor(self->m_ui->foldMenuNameBtn, QPalette::ButtonText, kSystemBlue);
        }
    });
    m_editNameWinCtl->openOnWindow(window());
}
