// The configuration archive's copy in the cloud container.

#include "engine/model/QVConfigManager.h"

#include "foundation/DateExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/StringExpandText.h"
#include "platform/FileOps.h"
#include "platform/Ubiquity.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcConfig)

QString QVConfigManager::ubiquitousPackage()
{
    const QString documents = platform::Ubiquity::documentsPath();
    return documents.isEmpty() ? QString() : documents + QLatin1Char('/') + kConfigZipName;
}

void QVConfigManager::uploadConfigToCloudWithComplete(std::function<void(bool ok)> complete)
{
    const QString cloud = ubiquitousPackage();
    if (cloud.isEmpty()) {
        qv::enterForeground([complete] {
            if (complete) {
                complete(false);
            }
        });
        return;
    }
    saveConfigToPathWithComplete([cloud, complete](const QString& path) {
        QString why;
        // The copy there is replaced only by a whole new one.
        const bool moved = !path.isEmpty() && platform::Ubiquity::setUbiquitous(path, cloud, &why);
        if (!path.isEmpty() && !moved) {
            qCWarning(lcConfig).noquote()
                << QStringLiteral("Failed to upload the configuration. File: \"%1\". Error: \"%2\"").arg(cloud, why);
        }
        qv::enterForegroundWithDelay(1, [complete, moved] {
            if (complete) {
                complete(moved);
            }
        });
    });
}

bool QVConfigManager::deleteConfigFromCloud()
{
    const QString cloud = ubiquitousPackage();
    return !cloud.isEmpty() && (QFileInfo::exists(cloud) || QFileInfo(cloud).isSymLink())
        && platform::FileOps::removeItem(cloud);
}

void QVConfigManager::queryCloudDataWithComplete(std::function<void(bool ok, const QString& timeAgo)> complete)
{
    m_queryComplete = std::move(complete);
    qv::enterForeground([this, alive = std::weak_ptr<char>(m_alive)] {
        if (!alive.expired()) {
            queryCloudDataFinished(1);
        }
    });
}

void QVConfigManager::queryCloudDataFinished(int attempt)
{
    m_isBackup = false;
    const auto answer = [this](bool ok, const QString& text) {
        if (m_queryComplete) {
            m_queryComplete(ok, text);
        }
    };
    const QList<platform::Ubiquity::Item> items = platform::Ubiquity::itemsNamed(kConfigZipName);
    const QString cloud = ubiquitousPackage();
    if (items.size() != 1) {
        const bool present = !cloud.isEmpty() && (QFileInfo::exists(cloud) || QFileInfo(cloud).isSymLink());
        m_isSyncConfig = false;
        if (present && attempt < kCloudQueryRetryLimit) {
            // There but not yet found (a sync client still writing it): look again shortly.
            qv::enterForegroundWithDelay(m_retryDelay, [this, attempt, alive = std::weak_ptr<char>(m_alive)] {
                if (!alive.expired()) {
                    queryCloudDataFinished(attempt + 1);
                }
            });
        } else {
            answer(!present, QString());
        }
        return;
    }
    const QString text = qv::timeAgo(items.first().changeDate);
    m_isBackup = qv::isValid(text);
    if (m_isSyncConfig) {
        m_isSyncConfig = false;
        const std::optional<QByteArray> data = platform::Ubiquity::read(items.first().path);
        if (!data) {
            answer(false, text);
            return;
        }
        setupConfigData(*data, [this, text, alive = std::weak_ptr<char>(m_alive)](bool ok) {
            if (!alive.expired() && m_queryComplete) {
                m_queryComplete(ok, text);
            }
        });
        return;
    }
    answer(true, text);
}
