#include "engine/model/QVMenuItem.h"

#include "engine/model/QVAssetFile.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVFile.h"
#include "foundation/StringExpand.h"
#include "platform/Bundle.h"
#include "platform/Defaults.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMenuItem, "tarsel.engine.menuitem", QtWarningMsg)

namespace {

// The image a file's kind suggests: its lower-case extension, old office formats taking the
// new formats' images, every image one image, and a folder "folder" whatever its extension.
QString imageNameForFile(const QString& path)
{
    const QVFile file(path);
    if (file.isFolder()) {
        return QStringLiteral("folder");
    }
    if (file.isImage()) {
        return QStringLiteral("img");
    }
    const QString ext = file.ext();
    if (ext == QLatin1String("doc") || ext == QLatin1String("xls") || ext == QLatin1String("ppt")) {
        return ext + QLatin1Char('x');
    }
    return ext;
}

} // namespace

QVMenuItemPtr QVMenuItem::setItem()
{
    auto item = create();
    item->setKey(QStringLiteral("Go Set"));
    item->setIcon(QStringLiteral("set"));
    item->setDisabledAuth(true);
    return item;
}

QVMenuItemPtr QVMenuItem::sepLineItem()
{
    auto item = create();
    item->setKey(QStringLiteral("Sep Line"));
    item->setDisplayName(QString(26, QLatin1Char('-')));
    return item;
}

QVMenuItemPtr QVMenuItem::addToFileTemplate()
{
    auto item = create();
    item->setKey(QStringLiteral("Add to File Template"));
    item->setIcon(QStringLiteral("add"));
    return item;
}

bool QVMenuItem::isToCommomPathScript() const
{
    return qv::isValid(m_script) && m_script.contains(QLatin1String("@rftocommonpath"));
}

QString QVMenuItem::menuTitle() const
{
    if (qv::isValid(m_displayName)) {
        return m_displayName;
    }
    const QString text = qv::localized(m_key);
    if (qv::isValid(m_appName) && !qv::isValid(m_appCmd)) {
        return qv::localized(QStringLiteral("Open With")) + text;
    }
#ifndef QV_EXTENSION_BUILD
    // Keys ending in a blank name commands that ask for more before they run.
    if (m_key.endsWith(QLatin1Char(' '))) {
        return text + QStringLiteral("...");
    }
#endif
    return text;
}

QImage QVMenuItem::menuIcon(const QString& icon, QString* sourceName) const
{
    const IconSource source = menuIconSource(icon);
    if (!source.draw) {
        return {};
    }
    if (sourceName != nullptr) {
        *sourceName = source.name;
    }
    return source.draw();
}

QVMenuItem::IconSource QVMenuItem::menuIconSource(const QString& icon) const
{
    if (qv::isValid(m_iconPath)) {
        // The path comes from configuration: only an icon file of the shared folder is read.
        QByteArray bytes;
        QString error;
        if (QVAssetFile::read(m_iconPath, QVAssetFile::Kind::Icon, &bytes, &error)) {
            const QImage image = QImage::fromData(bytes);
            if (!image.isNull()) {
                return { m_iconPath, [image] { return image; } };
            }
        } else {
            qCWarning(lcMenuItem).noquote() << error;
        }
    }
    if (qv::isValid(icon) && platform::Bundle::hasImageNamed(icon)) {
        return { icon, [icon] { return platform::Bundle::imageNamed(icon); }, true };
    }
    if (qv::isValid(m_path)) {
        return { m_path, [path = m_path] {
                    const QString name = imageNameForFile(path);
                    if (!name.isEmpty() && platform::Bundle::hasImageNamed(name)) {
                        return platform::Bundle::imageNamed(name);
                    }
                    return platform::Bundle::imageNamed(QStringLiteral("file"));
                } };
    }
    return {};
}

bool QVMenuItem::isValidParent() const
{
    if (m_children.isEmpty()) {
        return true;
    }
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    for (const QVMenuItemPtr& child : m_children) {
        if (!defaults.boolValue(child->key())) {
            return true;
        }
    }
    return false;
}
