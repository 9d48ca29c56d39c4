#pragma once

#include "app/settings/QVSettingsPage.h"

#include <QPointer>
#include <QVariantMap>

#include <memory>

namespace Ui {
class QVNewFileViewCtl;
}
class QVAddFileWinCtl;
class QVSettingsTable;
class QVSubListTable;

/// The "newfile" tab: the file types of the menu's New File submenu ("array new file"), with
/// the template dialog to add and edit them, "Add to main menu", the submenu's title mode and
/// the switches of the New File command.
///
/// The list holds at most kLimit entries. The New File From Window entry cannot be deleted.
class QVNewFileViewCtl : public QVSettingsPage
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Ext, OpenIn, AddToMainMenu, Enable };
    static constexpr qint64 kLimit = 60;

    explicit QVNewFileViewCtl(QWidget* parent = nullptr);
    ~QVNewFileViewCtl() override;

    void refresh() override;
    /// Stores the factory value of the page's choice when none is stored: done when the page is
    /// made and when a settings window that holds it opens, shown or not.
    static void storeFactoryChoices();
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

    QVSettingsTable* tableView() const;
    QVAddFileWinCtl* addFileWinCtl() const;

private:
    void fillExtra(int row, const QVMenuItemPtr& item);
    void onSelectionChanged();
    void onSelectPopUpType();
    /// A new dialog in place of the last one, opened as a sheet on the settings window.
    QVAddFileWinCtl* openDialog();

    std::unique_ptr<Ui::QVNewFileViewCtl> m_ui;
    QVSubListTable* m_table = nullptr;
    QPointer<QVAddFileWinCtl> m_addFileWinCtl;
};
