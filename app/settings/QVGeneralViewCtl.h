#pragma once

#include "app/settings/QVListPage.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace Ui {
class QVGeneralViewCtl;
}
class QVSettingsTable;
class QTableWidgetItem;
class QVEditInfoWinCtl;

/// The "general" tab: the main context menu as a table to switch, fold, reorder, delete and reset.
class QVGeneralViewCtl : public QWidget
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Enable, Options, Fold };

    explicit QVGeneralViewCtl(QWidget* parent = nullptr);
    ~QVGeneralViewCtl() override;

    void refresh();
    QVListPage& page() { return m_page; }
    QVSettingsTable* tableView() const;
    /// Asked before the list is reset; the window shows the "Recover Tip" alert.
    std::function<bool()> confirmRecover;

    void onDelete();
    void onRecover();
    void onFoldAll();
    /// Opens the edit dialog for the selected row; its OK merges the result into the entry.
    void onEditName();
    QVEditInfoWinCtl* editInfoWinCtl() const { return m_editInfoWinCtl; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onItemChanged(QTableWidgetItem* item);
    void onSelectionChanged();
    void fillRow(int row, const QVMenuItemPtr& item);

    std::unique_ptr<Ui::QVGeneralViewCtl> m_ui;
    QVListPage m_page;
    bool m_filling = false;
    QVEditInfoWinCtl* m_editInfoWinCtl = nullptr;
};
