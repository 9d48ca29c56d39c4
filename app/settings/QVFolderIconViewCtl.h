#pragma once

#include "app/settings/QVSettingsPage.h"

#include <QStringList>

#include <memory>

namespace Ui {
class QVFolderIconViewCtl;
}
class QAction;
class QMenu;
class QTableWidgetItem;
class QVAddIconWinCtl;
class QVEditNameWinCtl;
class QVSettingsTable;

/// The "foldericon" tab: the pictures the folder-icon command offers, as a table to switch,
/// rename, reorder, delete and reset. Pictures come from files (the open panel, or a drop onto
/// the window while this page shows) and from the composer. Every picture is stored as a PNG
/// of 120 pixels wide in the shared "QVFolderIcon" folder under its entry's key.
class QVFolderIconViewCtl : public QVSettingsPage
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Enable };
    /// The list holds at most this many pictures.
    static constexpr qint64 kIconLimit = 60;
    /// The width of a picture added from a file.
    static constexpr int kIconWidth = 120;

    explicit QVFolderIconViewCtl(QWidget* parent = nullptr);
    ~QVFolderIconViewCtl() override;

    /// The picture types a file may have to be added, in the panel's order.
    static QStringList fileTypes();

    void refresh() override;
    QVSettingsTable* tableView() const;
    QMenu* addPopMenu() const { return m_addPopMenu; }

    void onAdd();
    void onAddSelect();
    void onAddMake();
    void onDelete();
    void onEditName();
    void onRecover();
    /// Adds one entry per picture file; refused as a whole (with "Submenu Limit Tip") when the
    /// list would reach the limit. A file that gives no picture is skipped.
    void addIconPaths(const QStringList& paths);

    QVAddIconWinCtl* addIconWinCtl() const { return m_addIconWinCtl; }
    QVEditNameWinCtl* editNameWinCtl() const { return m_editNameWinCtl; }

private:
    void onItemChanged(QTableWidgetItem* item);
    void onSelectionChanged();
    void fillRow(int row, const QVMenuItemPtr& item);
    QVMenuItemPtr selectItem() const;
    void scrollToLastRow();

    std::unique_ptr<Ui::QVFolderIconViewCtl> m_ui;
    QMenu* m_addPopMenu = nullptr;
    QAction* m_selectMenu = nullptr;
    QAction* m_makeMenu = nullptr;
    QVAddIconWinCtl* m_addIconWinCtl = nullptr;
    QVEditNameWinCtl* m_editNameWinCtl = nullptr;
    bool m_filling = false;
};
