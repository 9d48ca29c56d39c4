#pragma once

#include "app/settings/QVSettingsPage.h"

#include <memory>

namespace Ui {
class QVOpenWithViewCtl;
}
class QVBorellaConfigWinCtl;
class QVEditAppConfigWinCtl;
class QVSettingsTable;
class QVSubListTable;

/// The "commonapp" tab: the applications of the Open With submenu ("array common app"). An
/// application is an XDG desktop entry, added from an open panel or dropped on the page; its icon
/// comes from the icon theme and is kept as "<entry key>.png" in "QVAppIcon", so two applications
/// of the same name keep icons of their own. While the page shows, the settings window's drop
/// target takes desktop entries for it. The archive utility's entry opens its own dialog.
class QVOpenWithViewCtl : public QVSettingsPage
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, AddToMainMenu, Enable };
    /// The list holds fewer entries than this.
    static constexpr qint64 kLimit = 50;

    explicit QVOpenWithViewCtl(QWidget* parent = nullptr);
    ~QVOpenWithViewCtl() override;

    void refresh() override;
    QVSettingsTable* tableView() const;
    QVEditAppConfigWinCtl* editWinCtl() const { return m_editWinCtl; }
    QVBorellaConfigWinCtl* borellaWinCtl() const { return m_borellaWinCtl; }

    /// Appends the applications among the paths (desktop entries; anything else is left out).
    /// Refused whole, with the "Submenu Limit Tip" alert, when the list would reach the limit.
    void addApps(const QStringList& paths);
    void onAdd();
    void onDelete();
    /// Opens the dialog of the selected row; its OK merges the result into the entry and into
    /// the main menu's copy.
    void onEditName();
    void onRecover();

    /// The main-menu copy of an application entry.
    static QVariantMap mainMenuEntry(const QVMenuItem& item);
    /// True when the path is a desktop entry of an application.
    static bool isApplicationFile(const QString& path);

private:
    void onSelectionChanged();
    QVariantMap appEntry(const QString& path) const;

    std::unique_ptr<Ui::QVOpenWithViewCtl> m_ui;
    QVSubListTable* m_table = nullptr;
    QVEditAppConfigWinCtl* m_editWinCtl = nullptr;
    QVBorellaConfigWinCtl* m_borellaWinCtl = nullptr;
};
