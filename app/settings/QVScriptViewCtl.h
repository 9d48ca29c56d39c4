#pragma once

#include "app/settings/QVSettingsPage.h"

#include <memory>

namespace Ui {
class QVScriptViewCtl;
}
class QVAddEditScriptWinCtl;
class QVSettingsTable;
class QVSubListTable;

/// The "commonscript" tab: the user's scripts ("array common script"), offered under "Common
/// Script" or, one by one, in the main menu. Scripts are added and edited in their dialog and
/// stored as typed; only the engine runs them.
class QVScriptViewCtl : public QVSettingsPage
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Ext, AddToMainMenu, Enable };
    /// The list holds at most this many scripts.
    static constexpr qint64 kLimit = 60;

    explicit QVScriptViewCtl(QWidget* parent = nullptr);
    ~QVScriptViewCtl() override;

    void refresh() override;
    QVSettingsTable* tableView() const;
    QVAddEditScriptWinCtl* addEditScriptWinCtl() const { return m_addEditScriptWinCtl; }

    void onAdd();
    void onEditName();
    void onDelete();
    void onRecover();

    /// The main-menu copy of a script.
    static QVariantMap mainMenuEntry(const QVMenuItem& item);

private:
    QVAddEditScriptWinCtl* dialog();

    std::unique_ptr<Ui::QVScriptViewCtl> m_ui;
    QVSubListTable* m_table = nullptr;
    QVAddEditScriptWinCtl* m_addEditScriptWinCtl = nullptr;
};
