#pragma once

#include "engine/model/QVMenuItem.h"

#include <QDialog>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace Ui {
class QVAddEditScriptWinCtl;
}
class QVScriptHelpViewCtl;

/// Adds or edits one user script: name, type (shell or AppleScript), the script text, an icon,
/// the selections it is offered for and the formats it accepts. The script is kept exactly as
/// typed. OK hands the finished entry to addEditSuccessBlock.
class QVAddEditScriptWinCtl : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kNameLimit = 30;

    explicit QVAddEditScriptWinCtl(QWidget* parent = nullptr);
    ~QVAddEditScriptWinCtl() override;

    /// Fills the dialog from the record; a record without a valid key adds a new script.
    void editWithItem(const QVMenuItemPtr& item);
    std::function<void(const QVariantMap& entry)> addEditSuccessBlock;

    /// The script as the user typed it: the editor's line and paragraph breaks as "\n", every
    /// other character (tabs, non-breaking spaces, trailing blanks) untouched.
    QString scriptText() const;
    /// The chosen picture as the script's 60 by 60 icon, kept in the cache folder until OK.
    bool saveImage(const QImage& image);
    QString icon() const { return m_icon; }
    QString iconPath() const { return m_iconPath; }
    QVScriptHelpViewCtl* helpViewCtl() const { return m_helpViewCtl; }

    void onSure();
    void onCancel();
    void onSelectIcon();
    void onSegmentChanged();
    void onFileCheckAction();
    void onHelpAction();

private:
    bool isAppleScript() const;
    void showIcon(const QImage& image);

    std::unique_ptr<Ui::QVAddEditScriptWinCtl> m_ui;
    QString m_key;
    bool m_isAdd = true;
    QString m_iconPath;
    QString m_icon;
    /// The stored script: an unedited text area gives it back unchanged.
    QString m_loadedScript;
    QWidget* m_helpPopup = nullptr;
    QVScriptHelpViewCtl* m_helpViewCtl = nullptr;
};
