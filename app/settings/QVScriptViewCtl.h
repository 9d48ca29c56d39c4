#pragma once

#include "app/settings/QVListPage.h"
#include "foundation/NotificationCenter.h"

#include <QWidget>

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
class QVScriptViewCtl : public QWidget
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Ext, AddToMainMenu, Enable };
    /// The list holds at most this many scripts.
    static constexpr qint64 kLimit = 60;

    explicit QVScriptViewCtl(QWidget* parent = nullptr);
    ~QVScriptViewCtl() override;

    void refresh();
    /// "config change noti": the configuration was replaced.
    Q_INVOKABLE void handleSignal(const qv::Notification& notification);
    QVListPage& page() { return m_page; }
    QVSettingsTable* tableView() const;
    QVAddEditScriptWinCtl* addEditScriptWinCtl() const { return m_addEditScriptWinCtl; }

    void onAdd();
    void onEditName();
    void onDelete();
    void onRecover();

    /// The main-menu copy of a script.
    static QVariantMap mainMenuEntry(const QVMenuItem& item);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QVAddEditScriptWinCtl* dialog();

    std::unique_ptr<Ui::QVScriptViewCtl> m_ui;
    QVListPage m_page;
    QVSubListTable* m_table = nullptr;
    QVAddEditScriptWinCtl* m_addEditScriptWinCtl = nullptr;
};
