#pragma once

#include <QWidget>

#include <memory>

namespace Ui {
class QVCloudViewCtl;
}
namespace qv {
struct Notification;
}
class QVConfigManager;

/// The "icloud" page of the preferences tab: exports the configuration archive to a folder,
/// imports one, uploads it to the cloud folder, restores the cloud copy and deletes it, and
/// shows when the cloud copy last changed. The work is the configuration manager's; the page
/// chooses files, asks before it overwrites or deletes, and shows results as heads-up messages
/// over the preferences pane.
///
/// Every operation the user starts shows a loading message that ends in a result: success only
/// when the work reported success, an error otherwise, also when the cloud folder has gone.
class QVCloudViewCtl : public QWidget
{
    Q_OBJECT
public:
    explicit QVCloudViewCtl(QWidget* parent = nullptr);
    ~QVCloudViewCtl() override;

    /// The manager of the page, made on first use; shared with the work it started, which may
    /// end after the page.
    QVConfigManager& configManager();

    void onExportConfig();
    void onImportConfig();
    void onCloudUpload();
    void onCloudDownload();
    void onDeleteFromCloud();
    /// Opens the cloud folder itself, where the copy lives.
    void onOpenCloudPref();

    /// Brings the status line, the checkbox and the buttons in line with the cloud folder.
    void refreshCloudInfo();
    /// The result of the operation the user started, when one is under way; nothing otherwise,
    /// so a refresh of its own never shows a result.
    void showSuccess();
    void showError();
    /// The view the messages are shown over: the preferences pane that holds the page.
    QWidget* prefView() const;
    /// An operation the user started is waiting for its result.
    bool isLoading() const { return m_loading; }

    Q_INVOKABLE void handleSignal(const qv::Notification& notification);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showLoading();
    void showBackupTime(const QString& timeAgo);
    std::shared_ptr<QVConfigManager> sharedManager();

    std::unique_ptr<Ui::QVCloudViewCtl> m_ui;
    std::shared_ptr<QVConfigManager> m_configManager;
    bool m_loading = false;
    /// The operation under way waits for the cloud search it started.
    bool m_resultPending = false;
};
