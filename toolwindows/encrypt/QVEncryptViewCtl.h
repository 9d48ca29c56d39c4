#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace Ui {
class QVEncryptViewCtl;
}

/// The accessory of the compression save panel: the password (a secure and a plain field
/// showing the same text, one visible at a time), an eye button that switches between them,
/// the junk-file switch and a link to the archive utility Borella.
///
/// Both fields are kept equal on every edit, not only when editing ends, so a password typed
/// and saved at once is the one the archive gets.
class QVEncryptViewCtl final : public QObject
{
    Q_OBJECT

public:
    /// The store item id of the archive utility Borella.
    static inline const QString kBorellaStoreId = QStringLiteral("1566873340");

    explicit QVEncryptViewCtl(QObject* parent = nullptr);
    ~QVEncryptViewCtl() override;
    Q_DISABLE_COPY_MOVE(QVEncryptViewCtl)

    QWidget* view() const { return m_view.get(); }
    bool showPassword() const { return m_showPassword; }
    /// The password of the field the user sees.
    QString password() const;

    QLineEdit* psdTextField() const;
    QLineEdit* psdShowInput() const;
    QPushButton* showPsdButton() const;
    QCheckBox* skipJunkFilesCheck() const;
    QPushButton* borellaButton() const;

    void refresh();

public Q_SLOTS:
    void onShowPassword();
    void onPassswordChanged(const QString& text);
    void onDownloadBorella();

private:
    std::unique_ptr<QWidget> m_view;
    std::unique_ptr<Ui::QVEncryptViewCtl> m_ui;
    bool m_showPassword = false;
};
