#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace Ui {
class QVEditNameWinCtl;
}

/// The display-name dialog of a settings list entry, shown as a sheet on the settings window.
///
/// A display name is a label, not a file name: any text of at most 30 UTF-16 units is taken as
/// typed (an empty one means no display name unless the name is required); a longer one brings
/// the alert "The name cannot exceed 30 characters" and the sheet stays.
class QVEditNameWinCtl final : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kMaxLength = 30;

    using EditHandler = std::function<void(const QString& name)>;
    using CancelHandler = std::function<void()>;

    explicit QVEditNameWinCtl(QObject* parent = nullptr);
    ~QVEditNameWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVEditNameWinCtl)

    void setEditHandler(EditHandler handler) { m_editHandler = std::move(handler); }
    void setCancelHandler(CancelHandler handler) { m_cancelHandler = std::move(handler); }
    QString defaultAlias() const { return m_defaultAlias; }
    /// Stores the current display name and puts it into the field.
    void setDefaultAlias(const QString& alias);
    bool required() const { return m_required; }
    void setRequired(bool required) { m_required = required; }
    QString tipLabelString() const { return m_tipLabelString; }
    QString tipPlaceholder() const { return m_tipPlaceholder; }

    /// Shows the dialog as a sheet on the window (on its own with none).
    void openOnWindow(QWidget* parent);
    void close();

    QWidget* window() const { return m_window.get(); }
    QLineEdit* aliasTextField() const;
    QLabel* tipLabel() const;
    QPushButton* okBtn() const;
    QPushButton* cancelBtn() const;

private Q_SLOTS:
    void onSure();
    void onCancel();

private:
    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVEditNameWinCtl> m_ui;
    EditHandler m_editHandler;
    CancelHandler m_cancelHandler;
    QString m_defaultAlias;
    QString m_tipLabelString;
    QString m_tipPlaceholder;
    bool m_required = false;
};
