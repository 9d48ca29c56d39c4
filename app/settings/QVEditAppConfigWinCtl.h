#pragma once

#include "engine/model/QVMenuItem.h"

#include <QDialog>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace Ui {
class QVEditAppConfigWinCtl;
}

/// Edits one application of the Open With list: its display name, whether it is offered for a
/// selected file or folder, and the file extensions it accepts. Reused for every entry; OK hands
/// the result ("key", "displayName", "formats", "needFolder", "needFile") to editSuccessBlock.
class QVEditAppConfigWinCtl : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kNameLimit = 30;

    explicit QVEditAppConfigWinCtl(QWidget* parent = nullptr);
    ~QVEditAppConfigWinCtl() override;

    void editWithItem(const QVMenuItemPtr& item);
    std::function<void(const QVariantMap& result)> editSuccessBlock;

    void onFileCheckAction();
    void onCancel();
    void onSure();

    /// The name an application goes by when the user gave none: the Name= of its desktop entry,
    /// else the last path component without its extension.
    static QString defaultName(const QString& appName);
    /// Typed formats as stored: lower case, full-width commas made ","; nothing else changes.
    static QString storedFormats(const QString& typed);

private:
    std::unique_ptr<Ui::QVEditAppConfigWinCtl> m_ui;
    QString m_key;
    QString m_defName;
};
