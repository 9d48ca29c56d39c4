#pragma once

#include "app/settings/QVListPage.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QVSettingsTable;
class QTableWidgetItem;

/// Binds a settings table to one sub-list of the main menu (applications, scripts, the archive
/// utility's commands). The name column shows each entry's title and icon; the "Add to main
/// menu" and "Enable" columns are check boxes stored at once ("toMainMenu", "disabled"); rows
/// move by a drag between rows. An entry that also stands in the main menu shows its enable box
/// on and not clickable: the main menu's copy is switched there.
class QVSubListTable final : public QObject
{
    Q_OBJECT
public:
    /// The main-menu entry made from a row when its "Add to main menu" box is ticked.
    using MainEntry = std::function<QVariantMap(const QVMenuItem& item)>;

    QVSubListTable(QVSettingsTable* table, QVListPage& page, int mainColumn, int enableColumn, MainEntry mainEntry,
                   QObject* parent);
    Q_DISABLE_COPY_MOVE(QVSubListTable)

    /// Reloads the list and fills every row.
    void refresh();
    /// The selected row's entry, null when no row is selected.
    QVMenuItemPtr selectedItem() const;
    /// Removes the selected entry, first its copy in the main menu; no confirmation.
    bool deleteSelected();
    /// Removes the copies every row has in the main menu (before the list is reset).
    void removeMainMenuCopies();

    /// Fills a row's own further columns (after the standard ones).
    std::function<void(int row, const QVMenuItemPtr& item)> fillExtra;
    /// Called after every change the table stored on its own (a box, a move).
    std::function<void()> changed;
    /// Called after an "Add to main menu" box changed the main menu (before `changed`).
    std::function<void()> mainMenuChanged;

    /// A main-menu entry with the given keys taken from the record, a missing text as "":
    /// "needFolder" and "needFile" as boolean numbers, "formats" joined by ",", anything else
    /// as text. The copy carries what selections the entry is offered for, as the sub-list's
    /// entry does.
    static QVariantMap mainMenuEntry(const QVMenuItem& item, const QStringList& keys);

private:
    void fillRow(int row, const QVMenuItemPtr& item);
    void onItemChanged(QTableWidgetItem* cell);

    QVSettingsTable* m_table;
    QVListPage& m_page;
    int m_mainColumn;
    int m_enableColumn;
    MainEntry m_mainEntry;
    bool m_filling = false;
};
