#pragma once

#include "foundation/NotificationCenter.h"

#include <QDialog>
#include <QVariantList>

#include <memory>

namespace Ui {
class QVAddRightMenuWinCtl;
}

/// Lists the factory entries of the main context menu that the stored list lacks; a row's add
/// button puts its entry back at the top of the main menu. The dialog stays open and reloads on
/// the refresh signal, so an added entry leaves it.
class QVAddRightMenuWinCtl : public QDialog
{
    Q_OBJECT
public:
    enum Column { MenuTitle = 0, Operate };

    explicit QVAddRightMenuWinCtl(QWidget* parent = nullptr);
    ~QVAddRightMenuWinCtl() override;

    /// The factory entries, in factory order, whose non-empty key no stored entry has.
    static QVariantList diffData();

    /// Shows the dialog as a sheet on the window (alone when null) with the missing entries.
    void open(QWidget* onWindow);
    /// Opened as any dialog, it shows alone, filled the same way.
    void open() override { open(nullptr); }
    void close();
    void refresh();
    /// Inserts the row's factory entry, switched on, at the top of the main menu.
    void addItem(int row);
    const QVariantList& tableData() const { return m_tableData; }

    Q_INVOKABLE void handleSignal(const qv::Notification& notification);

private:
    std::unique_ptr<Ui::QVAddRightMenuWinCtl> m_ui;
    QVariantList m_tableData;
};
