#include "engine/service/images/QVImageCommands.h"

#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "engine/service/images/QVIconSets.h"
#include "engine/service/openwith/QVOpenWithCommands.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/ImageIcon.h"
#include "foundation/ObjectGCD.h"
#include "foundation/QVCheckPermit.h"
#include "foundation/QVFile.h"
#include "foundation/QVResizeImageHook.h"
#include "foundation/StringExpand.h"
#include "platform/FileOps.h"
#include "platform/ImageIO.h"
#include "platform/ImageResample.h"
#include "platform/Workspace.h"

#include <QFileInfo>
#include <QIcon>
#include <QLoggingCategory>

#include <cmath>
#include <functional>

Q_LOGGING_CATEGORY(lcImageCommands, "tarsel.engine.imagecommands", QtWarningMsg)

using platform::FileOps;
using platform::ImageIO;

namespace {

// Writes a picture at the first free variant of the path, the name claimed only once the file is
// complete: two conversions of one picture never write over each other. *written (when given)
// receives the path.
bool writeFree(const QString& path, const std::function<bool(const QString& scratch)>& write,
               QString* written = nullptr)
{
    QString error;
    const QString placed = FileOps::writeFreeVariant(
        path, [&write](const QString& scratch, QString*) { return write(scratch); }, &error);
    if (placed.isNull()) {
        qCWarning(lcImageCommands).noquote() << error;
        return false;
    }
    if (written) {
        *written = placed;
    }
    return true;
}

QString withoutExtension(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? path : path.left(path.size() - suffix.size() - 1);
}

// "Convert Fail", followed by why each file left out was left out.
void convertFail(const QStringList& skipped = {})
{
    QString text = qv::localized(QStringLiteral("Convert Fail"));
    for (const QString& why : skipped) {
        text += QLatin1Char('\n') + why;
    }
    qv::enterForeground([text] { qv::alertWithMsg(text); });
}

QString number(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace

void QVImageCommands::beginJob()
{
    m_context.setLoadingCount(m_context.loadingCount() + 1);
    if (const QVProgressHooks& progress = m_context.progressHooks(); progress.open) {
        progress.open();
    }
}

void QVImageCommands::endJob()
{
    m_context.setLoadingCount(m_context.loadingCount() - 1);
    if (m_context.loadingCount() <= 0) {
        if (const QVProgressHooks& progress = m_context.progressHooks(); progress.clean) {
            progress.clean();
        }
    }
    QVHelper::playSoundType(QVHelper::SoundDing);
}

bool QVImageCommands::convertItem(const QVMenuItemPtr& child, const QVMenuItemPtr& entry)
{
    const QString key = child->key();
    if (key == QLatin1String("UTF-8")) {
        return false;
    }
    beginJob();
    const QList<QUrl> urls = m_context.selectURLs();
    const QStringList formats = entry->formats();
    const QVProgressHooks hooks = m_context.progressHooks();
    qv::enterBackground([this, urls, formats, child, key, hooks] {
        QStringList skipped;
        bool ok = true;
        if (key == QLatin1String("PDF")) {
            ok = !QVHelper::mergeToPDF(urls, &skipped).isNull();
        } else {
            for (const QUrl& url : urls) {
                const QString path = url.toLocalFile();
                if (formats.contains(QFileInfo(path).suffix().toLower())) {
                    ok = convertOne(path, child, key, hooks, &skipped) && ok;
                }
            }
        }
        if (!ok || !skipped.isEmpty()) {
            convertFail(skipped);
        }
        qv::enterForeground([this] { endJob(); });
    });
    return true;
}

bool QVImageCommands::convertOne(const QString& path, const QVMenuItemPtr& child, const QString& key,
                                 const QVProgressHooks& hooks, QStringList* skipped)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    const QString base = withoutExtension(path);
    const bool pdf = ext == QLatin1String("pdf");
    QString error;
    const QImage image = pdf ? QImage() : ImageIO::read(path, &error);
    if (!pdf && image.isNull()) {
        skipped->append(error);
        return true;
    }
    const auto progress = [hooks](qint64 total, qint64 done) {
        if (total != 0 && hooks.setPercent) {
            qv::enterForeground([hooks, total, done] { hooks.setPercent(double(done) / double(total)); });
        }
    };
    bool ok = true;
    if (key.contains(QLatin1String("AppIcon"))) {
        const QImage icon = pdf ? ImageIO::read(path, &error) : image;
        if (icon.isNull()) {
            skipped->append(error);
            return true;
        }
        QVIconSets::createIconToPath(icon, base, int(child->tag()) - 1);
        return true;
    }
    if (pdf) {
        ok = QVHelper::extractImageFromPDF(QUrl::fromLocalFile(path), key, progress);
    } else if (ext == QLatin1String("gif")) {
        ok = QVHelper::extractImageFromGif(QUrl::fromLocalFile(path), key, progress);
    } else if (key.toLower() == QLatin1String("heic")) {
        ok = writeFree(base + QStringLiteral(".heic"),
                       [&](const QString& scratch) { return QVHelper::saveHeicPath(path, scratch); });
    } else {
        const QString outExt = qv::writableImageExt(key);
        ok = writeFree(base + QLatin1Char('.') + outExt,
                       [&](const QString& scratch) { return qv::saveImageWithExt(image, outExt, scratch); });
    }
    return ok;
}

void QVImageCommands::resizeItem(const QVMenuItemPtr& child, const QVMenuItemPtr& entry)
{
    if (qv::isFolder(m_context.selectPaths().value(0))) {
        return;
    }
    if (child && !child->info().isEmpty()) {
        const QVariantMap size = child->info();
        _resizeImage(size.value(QStringLiteral("width")).toString().toDouble(),
                     size.value(QStringLiteral("height")).toString().toDouble());
        return;
    }
    if (QVCheckPermit::canUseMainApp()) {
        m_openWith.openFromMainApp(entry);
        return;
    }
    resizeImageCustom();
}

void QVImageCommands::resizeImageCustom()
{
    const QString first = m_context.selectPaths().value(0);
    if (first.isEmpty() || qv::isFolder(first)) {
        return;
    }
    qv::openResizeImageWindow(first, [this](double width, double height) { _resizeImage(width, height); });
}

QString QVImageCommands::resizedName(const QString& path, double width, double height)
{
    const QString ext = qv::writableImageExt(QFileInfo(path).suffix());
    return QFileInfo(withoutExtension(path)).fileName() + QLatin1Char('@') + number(width) + QChar(0x00D7)
        + number(height) + QLatin1Char('.') + ext;
}

void QVImageCommands::_resizeImage(double width, double height)
{
    // Whole pixels, fractions cut off; NaN, infinities and sizes under one pixel make no picture.
    if (!std::isfinite(width) || !std::isfinite(height) || width < 1 || height < 1 || width > 1e5 || height > 1e5) {
        QVHelper::playSoundType(QVHelper::SoundError);
        return;
    }
    beginJob();
    const QStringList paths = m_context.selectPaths();
    qv::enterBackground([this, paths, width, height] {
        const QSize size(static_cast<int>(width), static_cast<int>(height));
        const QStringList formats = QVMenuManager::imageFormats();
        bool ok = true;
        QStringList skipped;
        for (const QString& path : paths) {
            const QString ext = QFileInfo(path).suffix().toLower();
            if (!formats.contains(ext) || qv::isFolder(path)) {
                continue;
            }
            const QString wanted = QFileInfo(path).absolutePath() + QLatin1Char('/') + resizedName(path, width, height);
            if (ext == QLatin1String("gif")) {
                const QUrl url = QUrl::fromLocalFile(path);
                ok = writeFree(wanted, [&](const QString& scratch) { return QVHelper::resizeGif(url, scratch, size); })
                    && ok;
                continue;
            }
            QString error;
            const QImage scaled = platform::ImageResample::readScaled(path, size, &error);
            if (scaled.isNull()) {
                skipped << error;
                continue;
            }
            const ImageIO::Format type = ImageIO::formatForExtension(QFileInfo(wanted).suffix());
            ok = writeFree(wanted, [&](const QString& scratch) { return ImageIO::write(scaled, scratch, type, 85).ok; })
                && ok;
        }
        if (!ok || !skipped.isEmpty()) {
            convertFail(skipped);
        }
        qv::enterForeground([this] { endJob(); });
    });
}

void QVImageCommands::extractIcon()
{
    const QSize size(1024, 1024);
    bool ok = true;
    QStringList saved;
    for (const QString& path : m_context.selectPaths()) {
        const QFileInfo info(path);
        QString folder = info.absolutePath();
        const bool toDesktop = folder.startsWith(QLatin1String("/Applications"))
            || folder.startsWith(QLatin1String("/usr/share/applications"));
        if (toDesktop) {
            folder = qv::desktopPath();
        }
        // An application's own icon or a folder's custom one, else the desktop's icon for the type.
        QImage icon = platform::Workspace::ownIcon(path, size.width());
        if (icon.isNull()) {
            icon = QVFile(path).icon().pixmap(size).toImage();
        }
        const QImage scaled = icon.size() == size ? icon : qv::imageWithSize(icon, size);
        QString target;
        if (!writeFree(
                folder + QLatin1Char('/') + QFileInfo(withoutExtension(path)).fileName() + QStringLiteral(".png"),
                [&](const QString& scratch) { return qv::saveImageType(scaled, ImageIO::Format::Png, scratch); },
                &target)) {
            ok = false;
        } else {
            saved << target;
        }
    }
    if (!saved.isEmpty()) {
        platform::Workspace::revealItems(saved);
    }
    QVHelper::playSoundType(ok ? QVHelper::SoundCopy : QVHelper::SoundError);
}
