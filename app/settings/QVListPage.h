#pragma once

#include "engine/model/QVMenuItem.h"

#include <QMimeData>
#include <QString>

#include <functional>
#include <optional>

class QAbstractButton;
class QTableWidget;
class QVDragView;
class QVSettingsTable;
class QWidget;

/// The rules every list page of the settings window shares, over one stored list: a row index
/// is the index into the stored list; drags come only from the page's own table.
class QVListPage
{
public:
    using Builder = std::function<QVMenuItemList()>;
    QVListPage(QString listKey, Builder builder);

    /// The MIME type of a row dragged from a settings table: a drop of anything else is refused.
    static inline const QString kRowMimeType = QStringLiteral("application/x-tarsel-settings-row");
    /// The main menu holds at most this many entries: a longer list would give the next entry a
    /// tag that decodes as another entry's child.
    static constexpr qint64 kMainMenuLimit = 99;

    void reload();
    const QVMenuItemList& rows() const { return m_rows; }
    QVMenuItemPtr row(qint64 index) const;
    QString listKey() const { return m_listKey; }

    QMimeData* mimeDataForRow(qint64 row) const;
    /// The from-index of a drop when it is this table's own row and the move stays in range.
    std::optional<qint64> dropSource(const QMimeData* mime, qint64 to) const;
    bool moveRow(qint64 from, qint64 to);

    /// Lets the table drag its rows and take a drop of its own row between rows: the row moves
    /// in the stored list and `moved` runs (the page reloads there).
    void bindRowDrag(QVSettingsTable* table, std::function<void()> moved);
    /// Reloads the list and fills the table, one `fillRow` per row. `filling` is true meanwhile,
    /// so the page ignores the change signals its own filling raises.
    void fillTable(QTableWidget* table, bool& filling,
                   const std::function<void(int row, const QVMenuItemPtr& item)>& fillRow);
    /// The entry of the table's current row, null when no row is selected.
    QVMenuItemPtr selectedRow(const QTableWidget* table) const;

    bool toggleEnabled(qint64 row);
    bool toggleFold(qint64 row);
    /// Folds or unfolds every row in one write of the list under its lock.
    bool setAllFolded(bool folded);
    /// Off, on, or mixed (-1) over the rows' fold flags.
    int foldAllState() const;

    /// Inserts a copy of the row at the top of the main menu; "toMainMenu" is stored YES only
    /// when the insert happened. False (nothing stored) when the main menu is full or already
    /// holds an entry with that key: then the "Submenu Limit Tip" alert has been shown.
    bool addToMainMenu(qint64 row, const QVariantMap& entry);
    bool removeFromMainMenu(qint64 row);

    /// True when `adding` new entries fit beside the `count` present under the limit; otherwise
    /// the application-modal "Submenu Limit Tip" alert is shown and the caller adds nothing.
    /// A page refuses when the sum reaches its limit.
    static bool withinLimit(qint64 count, qint64 adding, qint64 limit);
    /// Shows the application-modal "Submenu Limit Tip" alert.
    static void showLimitTip();
    /// Titles the add, remove and reset buttons of a list page: every list page says the same.
    static void titleButtons(QAbstractButton* add, QAbstractButton* remove, QAbstractButton* recover);
    /// Posts the refresh signal: every open page and dialog that observes it reloads its list.
    static void postRefreshSignal();
    /// The drop target that covers the settings window of the page (null outside that window).
    /// A page that takes dropped files sets its filter and handler when shown and calls its
    /// disabled() when hidden.
    static QVDragView* dragView(const QWidget* page);

private:
    QString m_listKey;
    Builder m_builder;
    QVMenuItemList m_rows;
};
