#pragma once

#include "engine/model/QVMenuItem.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class QVAddFileWinCtl;
}

/// Adds a new-file type or edits one: the file type, a default name and extension (or, for a
/// special file, a whole file name), an icon, a template file whose copy becomes the new file,
/// and the application that opens it.
///
/// A chosen icon and template wait in the shared cache folder under the entry's key ("<key>.png"
/// and "<key>") and move into the template folder only on OK; Cancel drops them. OK first checks
/// the fields (QVAddFileInput) and names a missing or unusable one in a heads-up message.
class QVAddFileWinCtl : public QDialog
{
    Q_OBJECT
public:
    /// A new type: a fresh record whose key is a new UUID.
    explicit QVAddFileWinCtl(QWidget* parent = nullptr);
    ~QVAddFileWinCtl() override;

    /// Edits this record itself; called after the dialog was opened.
    void editWithItem(const QVMenuItemPtr& item);
    QVMenuItemPtr menuItem() const { return m_menuItem; }

    std::function<void(const QVMenuItemPtr& item)> addSuccessBlock;
    std::function<void()> cancelBlock;

    void refresh();
    void onSelectIcon();
    /// The picture as the entry's 60 by 60 icon in the cache folder.
    bool saveImage(const QImage& image);
    void onSelectTemplate();
    void onDeleteTemplate();
    void onSelectApp();
    void onCancel();
    void onSure();

    QString templatePath() const { return m_templatePath; }
    bool templateIsDelete() const { return m_templateIsDelete; }
    QString iconPath() const { return m_iconPath; }

    /// The name "Open In" shows for a stored application: its desktop entry's name, else the
    /// last path component; "Default App" for none.
    static QString applicationTitle(const QString& openFileAppName);

private:
    void takeTemplate(const QString& path);
    QString cachePath(const QString& suffix) const;
    bool isFromWindowEntry() const;

    std::unique_ptr<Ui::QVAddFileWinCtl> m_ui;
    QVMenuItemPtr m_menuItem;
    QString m_templatePath;
    bool m_templateIsDelete = false;
    QString m_iconPath;
    bool m_answered = false; ///< OK or Cancel ran: closing the window cancels nothing more
};
