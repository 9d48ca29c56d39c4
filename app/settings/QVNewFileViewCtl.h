#pragma once

#include "app/settings/QVListPage.h"

#include <QPointer>
#include <QVariantMap>
#include <QWidget>

#include <memory>

namespace Ui {
class QVNewFileViewCtl;
}
namespace qv {
struct Notification;
}
class QTableWidgetItem;
class QVAddFileWinCtl;
class QVSettingsTable;

/// The "newfile" tab: the file types of the menu's New File submenu ("array new file"), with
/// the template dialog to add and edit them, "Add to main menu", the submenu's title mode and
/// the switches of the New File command.
///
/// The list holds at most kLimit entries. The New File From Window entry cannot be deleted.
class QVNewFileViewCtl : public QWidget
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Ext, OpenIn, AddToMainMenu, Enable };
    static constexpr qint64 kLimit = 60;

    explicit QVNewFileViewCtl(QWidget* parent = nullptr);
    ~QVNewFileViewCtl() override;

    void refresh();
    /// Opens the template dialog for a new type (nothing but the limit alert at kLimit rows).
    void onAdd();
    /// Opens the template dialog for the selected row.
    void onEditName();
    void onDelete();
    void onRecover();

    /// The stored entry of a new type: ten keys.
    static QVariantMap entryForNewItem(const QVMenuItem& item);
    /// What an edit merges into the entry (and its main-menu copy): eight keys.
    static QVariantMap entryForEdit(const QVMenuItem& item);
    /// The main-menu copy "Add to main menu" inserts: eleven keys.
    static QVariantMap mainMenuEntry(const QVMenuItem& item);

    QVListPage& page() { return m_page; }
    QVSettingsTable* tableView() const;
    QVAddFileWinCtl* addFileWinCtl() const;

    Q_INVOKABLE void handleSignal(const qv::Notification& notification);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fillRow(int row, const QVMenuItemPtr& item);
    void onItemChanged(QTableWidgetItem* cell);
    void onSelectionChanged();
    void onSelectPopUpType();
    QVMenuItemPtr selectedItem() const;
    /// A new dialog in place of the last one, opened as a sheet on the settings window.
    QVAddFileWinCtl* openDialog();

    std::unique_ptr<Ui::QVNewFileViewCtl> m_ui;
    QVListPage m_page;
    QPointer<QVAddFileWinCtl> m_addFileWinCtl;
    bool m_filling = false;
};
