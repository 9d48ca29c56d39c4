#include "app/settings/QVCloudViewCtl.h"

#include "engine/model/QVConfigManager.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "foundation/ViewExpand.h"
#include "platform/Panels.h"
#include "platform/Ubiquity.h"
#include "platform/Workspace.h"

#include "ui_QVCloudViewCtl.h"

#include <QDir>
#include <QPointer>

namespace {

const QColor kSystemGreen(0x34, 0xC7, 0x59);
const QColor kSystemYellow(0xFF, 0xCC, 0x00);

void setTextColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette pal = widget->palette();
    pal.setColor(role, color);
    widget->setPalette(pal);
}

bool hasContainer()
{
    return !platform::Ubiquity::containerPath().isEmpty();
}

} // namespace

QVCloudViewCtl::QVCloudViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVCloudViewCtl>())
{
    m_ui->setupUi(this);
    m_ui->configManagerLabel->setText(qv::localized(QStringLiteral("Configuration info management")));
    m_ui->exportBtn->setText(qv::localized(QStringLiteral("Export Config")));
    m_ui->importBtn->setText(qv::localized(QStringLiteral("Import Config")));
    m_ui->deleteBtn->setText(qv::localized(QStringLiteral("Delete from iCloud")));
    setTextColor(m_ui->deleteBtn, QPalette::ButtonText, kSystemYellow);
    m_ui->iCloudUploadBtn->setText(qv::localized(QStringLiteral("Upload to iCloud")));
    m_ui->iCloudDownloadBtn->setText(qv::localized(QStringLiteral("Download from iCloud")));
    m_ui->iCloudEnableCheck->setText(qv::localized(QStringLiteral("Enable iCloud Drive")));
    connect(m_ui->exportBtn, &QPushButton::clicked, this, &QVCloudViewCtl::onExportConfig);
    connect(m_ui->importBtn, &QPushButton::clicked, this, &QVCloudViewCtl::onImportConfig);
    connect(m_ui->iCloudUploadBtn, &QPushButton::clicked, this, &QVCloudViewCtl::onCloudUpload);
    connect(m_ui->iCloudDownloadBtn, &QPushButton::clicked, this, &QVCloudViewCtl::onCloudDownload);
    connect(m_ui->deleteBtn, &QPushButton::clicked, this, &QVCloudViewCtl::onDeleteFromCloud);
    // The checkbox reports whether there is a cloud folder; a click opens it instead of
    // pretending to switch it.
    connect(m_ui->iCloudEnableCheck, &QCheckBox::clicked, this, [this] {
        m_ui->iCloudEnableCheck->setChecked(hasContainer());
        onOpenCloudPref();
    });
    qv::addNotification(this, qv::kRefreshSignal);
    refreshCloudInfo();
}

QVCloudViewCtl::~QVCloudViewCtl()
{
    qv::removeAllNotification(this);
}

QVConfigManager& QVCloudViewCtl::configManager()
{
    return *sharedManager();
}

std::shared_ptr<QVConfigManager> QVCloudViewCtl::sharedManager()
{
    if (!m_configManager) {
        m_configManager = std::make_shared<QVConfigManager>();
    }
    return m_configManager;
}

void QVCloudViewCtl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshCloudInfo();
}

void QVCloudViewCtl::handleSignal(const qv::Notification& notification)
{
    if (notification.name == qv::kRefreshSignal) {
        refreshCloudInfo();
    }
}

QWidget* QVCloudViewCtl::prefView() const
{
    QWidget* view = parentWidget();
    for (int up = 1; up < 3 && view != nullptr; ++up) {
        view = view->parentWidget();
    }
    if (view != nullptr) {
        return view;
    }
    // A page on its own: its window holds the message.
    return window();
}

void QVCloudViewCtl::showLoading()
{
    m_loading = true;
    m_resultPending = false;
    qv::showHudWithStatus(prefView(), QString());
}

void QVCloudViewCtl::showSuccess()
{
    if (m_loading) {
        qv::showHudSuccessWithStatus(prefView(), qv::localized(QStringLiteral("Success Common Tip")));
    }
    m_loading = false;
}

void QVCloudViewCtl::showError()
{
    if (m_loading) {
        qv::showHudErrorWithStatus(prefView(), qv::localized(QStringLiteral("Error Common Tip")));
    }
    m_loading = false;
}

void QVCloudViewCtl::refreshCloudInfo()
{
    QLabel* status = m_ui->backupTimeValueLabel;
    status->setText(qv::localized(m_loading ? QStringLiteral("Loading...") : QStringLiteral("Not backed up")));
    setTextColor(status, QPalette::WindowText, palette().color(QPalette::Disabled, QPalette::WindowText));
    m_ui->deleteBtn->hide();
    const bool container = hasContainer();
    m_ui->iCloudEnableCheck->setChecked(container);
    m_ui->iCloudUploadBtn->setEnabled(container);
    m_ui->iCloudDownloadBtn->setEnabled(container);
    if (!container) {
        // The cloud folder is gone: an operation waiting on it ends here, as a failure.
        showError();
        return;
    }
    // The search of the operation under way answers for this refresh too: a second search would
    // take its place and the operation would never hear its result.
    if (m_loading && m_resultPending) {
        return;
    }
    // Only a search that an operation started ends it; a refresh on its own shows no message.
    const bool reports = m_loading;
    m_resultPending = reports;
    QPointer<QVCloudViewCtl> self(this);
    configManager().queryCloudDataWithComplete([self, reports](bool ok, const QString& timeAgo) {
        if (!self) {
            return;
        }
        if (reports) {
            self->m_resultPending = false;
            ok ? self->showSuccess() : self->showError();
        }
        if (ok) {
            self->showBackupTime(timeAgo);
        }
    });
}

void QVCloudViewCtl::showBackupTime(const QString& timeAgo)
{
    QLabel* label = m_ui->backupTimeValueLabel;
    if (qv::isValid(timeAgo)) {
        // Reads as a sentence: "Backed up just now", "Backed up 5 minutes ago".
        QString when = timeAgo;
        when[0] = when.at(0).toLower();
        label->setText(QStringLiteral("%1 %2").arg(qv::localized(QStringLiteral("Backed up")), when));
        setTextColor(label, QPalette::WindowText, kSystemGreen);
        m_ui->deleteBtn->show();
    } else {
        label->setText(qv::localized(QStringLiteral("Not backed up")));
        setTextColor(label, QPalette::WindowText, palette().color(QPalette::Disabled, QPalette::WindowText));
        m_ui->deleteBtn->hide();
    }
}

void QVCloudViewCtl::onExportConfig()
{
    platform::PanelOptions options;
    options.canChooseFiles = false;
    options.canChooseDirectories = true;
    options.level = platform::Panels::ShieldingLevel;
    options.prompt = qv::localized(QStringLiteral("Save Config"));
    QPointer<QVCloudViewCtl> self(this);
    platform::Panels::beginOpenPanel(options, window(), [self](const platform::PanelResult& result) {
        if (!self || !result.isOK() || result.paths.isEmpty()) {
            return;
        }
        self->showLoading();
        const QString destination = QDir(result.paths.first()).filePath(QStringLiteral("qvconfig"));
        std::shared_ptr<QVConfigManager> manager = self->sharedManager();
        qv::enterBackground([self, manager, destination] {
            // Success only when the archive was saved and copied there.
            manager->exportConfigToPath(destination, [self](const QString& path) {
                if (self) {
                    path.isEmpty() ? self->showError() : self->showSuccess();
                }
            });
        });
    });
}

void QVCloudViewCtl::onImportConfig()
{
    platform::PanelOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = false;
    options.level = platform::Panels::ShieldingLevel;
    options.prompt = qv::localized(QStringLiteral("Import Config"));
    QPointer<QVCloudViewCtl> self(this);
    platform::Panels::beginOpenPanel(options, window(), [self](const platform::PanelResult& result) {
        if (!self || !result.isOK() || result.paths.isEmpty()) {
            return;
        }
        self->showLoading();
        self->configManager().setFromCloud(false);
        self->configManager().importConfigPath(result.paths.first(), [self](bool ok) {
            if (self) {
                ok ? self->showSuccess() : self->showError();
            }
        });
    });
}

void QVCloudViewCtl::onCloudUpload()
{
    showLoading();
    QPointer<QVCloudViewCtl> self(this);
    std::shared_ptr<QVConfigManager> manager = sharedManager();
    qv::enterBackground([self, manager] {
        manager->uploadConfigToCloudWithComplete([self](bool ok) {
            if (!self) {
                return;
            }
            // The refresh ends in the message and shows the new time.
            ok ? self->refreshCloudInfo() : self->showError();
        });
    });
}

void QVCloudViewCtl::onCloudDownload()
{
    if (!configManager().isBackup()) {
        qv::showHudInfoWithStatus(prefView(), qv::localized(QStringLiteral("Not backed up")));
        return;
    }
    QPointer<QVCloudViewCtl> self(this);
    qv::alertWithMsg(qv::localized(QStringLiteral("Download Config Tip")), window(),
                     { qv::localized(QStringLiteral("Continue")), qv::localized(QStringLiteral("Cancel")) },
                     [self](int response) {
                         if (!self || response != platform::Alert::FirstButtonReturn) {
                             return;
                         }
                         self->showLoading();
                         self->configManager().setFromCloud(true);
                         self->configManager().setIsSyncConfig(true);
                         // The search downloads and restores the copy it finds.
                         self->refreshCloudInfo();
                     });
}

void QVCloudViewCtl::onDeleteFromCloud()
{
    QPointer<QVCloudViewCtl> self(this);
    qv::alertWithMsg(qv::localized(QStringLiteral("Delete Tip")), window(),
                     { qv::localized(QStringLiteral("OK")), qv::localized(QStringLiteral("Cancel")) },
                     [self](int response) {
                         if (!self || response != platform::Alert::FirstButtonReturn) {
                             return;
                         }
                         self->showLoading();
                         self->configManager().deleteConfigFromCloud();
                         self->refreshCloudInfo();
                     });
}

void QVCloudViewCtl::onOpenCloudPref()
{
    const QString folder = platform::Ubiquity::containerPath();
    if (!folder.isEmpty()) {
        platform::Workspace::openFile(folder);
    }
}
