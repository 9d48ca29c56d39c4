#pragma once

#include "app/settings/QVListPage.h"

#include <QDialog>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace Ui {
class QVBorellaConfigWinCtl;
}
class QVSettingsTable;
class QVSubListTable;

/// The archive utility's entry of the Open With list: its display name, and its own list of
/// commands ("array borella", or "array borella pro" for the pro edition) to switch, order, put
/// in the main menu, delete and reset. Command changes are stored at once; OK hands "key" and
/// "displayName" to editSuccessBlock.
class QVBorellaConfigWinCtl : public QDialog
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, AddToMainMenu, Enable };

    explicit QVBorellaConfigWinCtl(QWidget* parent = nullptr);
    ~QVBorellaConfigWinCtl() override;

    void editWithItem(const QVMenuItemPtr& item);
    void refresh();
    QString menuKey() const;
    QVListPage* page() const { return m_page.get(); }
    QVSettingsTable* tableView() const;
    std::function<void(const QVariantMap& result)> editSuccessBlock;

    void onDelete();
    void onRecover();
    void onChangeAppName();

    /// The main-menu copy of one of the utility's commands.
    static QVariantMap mainMenuEntry(const QVMenuItem& item);

private:
    std::unique_ptr<Ui::QVBorellaConfigWinCtl> m_ui;
    QVMenuItemPtr m_appItem;
    std::unique_ptr<QVListPage> m_page;
    QVSubListTable* m_table = nullptr;
};
