#pragma once

#include "app/settings/QVListPage.h"
#include "foundation/NotificationCenter.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class QVGeneralViewCtl;
}
class QLabel;
class QVSettingsTable;
class QTableWidgetItem;
class QVAddRightMenuWinCtl;
class QVEditInfoWinCtl;

/// The "general" tab: the main context menu as a table to switch, fold, reorder, delete and reset,
/// with the extension's on/off buttons, the add dialog for missing factory entries and the
/// edit dialog. It reloads when shown and on the refresh signal.
class QVGeneralViewCtl : public QWidget
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Enable, Options, Fold };

    explicit QVGeneralViewCtl(QWidget* parent = nullptr);
    ~QVGeneralViewCtl() override;

    void refresh();
    QVListPage& page() { return m_page; }
    /// The table, loaded (a page made in a settings window being built loads when first shown).
    QVSettingsTable* tableView() const;

    void onDelete();
    /// Asks with the "Recover Tip" sheet; "OK" resets the list.
    void onRecover();
    void onFoldAll();
    /// Opens the edit dialog for the selected row; its OK merges the result into the entry.
    void onEditName();
    QVEditInfoWinCtl* editInfoWinCtl() const { return m_editInfoWinCtl; }
    /// Opens the add dialog, or tells that every factory entry is in the menu already.
    void onAdd();
    QVAddRightMenuWinCtl* addMenuWinCtl() const { return m_addMenuWinCtl; }
    /// The extension's buttons: on this desktop the host keeps the extension's state, which the
    /// command route sets the same way.
    void onEnable();
    void onDisable();
    void enableByCmd(bool enable);
    void onTip();

    Q_INVOKABLE void handleSignal(const qv::Notification& notification);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onItemChanged(QTableWidgetItem* item);
    void onSelectionChanged();
    void fillRow(int row, const QVMenuItemPtr& item, bool extensionEnabled);
    QWidget* optionCell(const QVMenuItemPtr& item);
    QLabel* columnLabel(const QString& text);
    void showIntroduce(const QVMenuItemPtr& item);
    void refreshExtensionButtons(bool enabled);
    void refreshAllFoldCheckBtn();
    void recover();

    std::unique_ptr<Ui::QVGeneralViewCtl> m_ui;
    QVListPage m_page;
    bool m_filling = false;
    bool m_loadPending = false;
    /// A reload for a window that became active waits for the next turn of the event loop.
    bool m_refreshQueued = false;
    QVEditInfoWinCtl* m_editInfoWinCtl = nullptr;
    QVAddRightMenuWinCtl* m_addMenuWinCtl = nullptr;
};
