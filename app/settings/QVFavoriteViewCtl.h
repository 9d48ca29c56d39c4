#pragma once

#include "app/settings/QVSettingsPage.h"

#include <QList>
#include <QStringList>

#include <memory>

namespace Ui {
class QVFavoriteViewCtl;
}
class QTableWidgetItem;
class QVEditNameWinCtl;
class QVSettingsTable;

/// The "commonpath" tab: the common folders ("array common path") that the context menu offers
/// as targets and as quick ways into their contents, with the two settings that shape a common
/// folder's submenu and the switch of "Add to Common Path".
///
/// Folders come from the add button's panel or are dropped on the settings window while the page
/// is shown; the list holds at most
/// kLimit - 1 entries. A row shows its path with the home folder written "~".
class QVFavoriteViewCtl : public QVSettingsPage
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Display, Enable };
    /// An addition is refused when the entries present plus the paths offered reach this.
    static constexpr qint64 kLimit = 60;
    /// The counts the submenu listing offers; from kAskFromCount up the user is asked first.
    static const QList<int> kSubpathCounts;
    static constexpr int kAskFromCount = 20;

    explicit QVFavoriteViewCtl(QWidget* parent = nullptr);
    ~QVFavoriteViewCtl() override;

    void refresh() override;
    /// Stores the factory values of the page's choices when none are stored: done when the page
    /// is made and when a settings window that holds it opens, shown or not.
    static void storeFactoryChoices();
    /// Appends the offered paths that are folders, unless the list would reach kLimit.
    void addFolders(const QStringList& paths);
    /// The open panel for one folder, as a sheet on the page's window.
    void addFolder();
    void onDelete();
    /// The display-name dialog for the selected row; a blank name gives the folder's own name.
    void onEditName();
    void onRecover();
    void onClear();

    QVSettingsTable* tableView() const;
    QVEditNameWinCtl* editNameWinCtl() const { return m_editNameWinCtl; }

private:
    void fillRow(int row, const QVMenuItemPtr& item);
    void onItemChanged(QTableWidgetItem* cell);
    void onSelectionChanged();
    void onSelectPopUpType();
    void onSelectSubpathCountPopUpType();
    QVMenuItemPtr selectedItem() const;

    std::unique_ptr<Ui::QVFavoriteViewCtl> m_ui;
    QVEditNameWinCtl* m_editNameWinCtl = nullptr;
    bool m_filling = false;
};
