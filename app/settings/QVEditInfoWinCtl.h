#pragma once

#include "engine/model/QVMenuItem.h"

#include <QDialog>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace Ui {
class QVEditInfoWinCtl;
}

/// Edits one main-menu entry: display name, custom icon, divider line, and for Copy to, Move to
/// and Create Symlink to whether the result is revealed. Reused for every entry.
class QVEditInfoWinCtl : public QDialog
{
    Q_OBJECT
public:
    explicit QVEditInfoWinCtl(QWidget* parent = nullptr);
    ~QVEditInfoWinCtl() override;

    /// Starts over for this entry: an icon chosen or removed for the last one is forgotten.
    void editWithItem(const QVMenuItemPtr& item);
    std::function<void(const QVariantMap& result)> editHandler;

    /// The chosen picture, as the entry's 60 by 60 icon in the cache folder until OK.
    bool saveImage(const QImage& image);
    void onDeleteIconPath();
    void onCancel();
    void onSure();

    QString iconPath() const { return m_iconPath; }
    bool iconIsDelete() const { return m_iconIsDelete; }

private:
    void refresh();
    void resetIconState();
    void onSelectIcon();

    std::unique_ptr<Ui::QVEditInfoWinCtl> m_ui;
    QVMenuItemPtr m_item;
    QString m_iconPath;
    QString m_deleteIconPath;
    bool m_iconIsDelete = false;
};
