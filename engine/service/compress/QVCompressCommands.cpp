#include "engine/service/compress/QVCompressCommands.h"

#include "engine/service/QVCommandContext.h"
#include "engine/service/QVHelper.h"
#include "engine/archive/QVCompress.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"

QVCompressCommands::~QVCompressCommands()
{
    endWork();
}

void QVCompressCommands::encryptedCompress(QVPendingWork::Hold pending)
{
    if (m_compress) {
        return;
    }
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty()) {
        return;
    }
    m_compress = std::make_shared<QVCompress>();
    // The archive is written in the background after the command has returned: the process
    // lives, and the command counts as running, until the run has ended and been cleaned up.
    m_work = std::move(pending);
    const QVProgressHooks& hooks = m_context.progressHooks();
    if (hooks.setCancelHandler) {
        // The window may outlive this run: it stops whatever compression runs when clicked.
        hooks.setCancelHandler([this] {
            if (m_compress) {
                m_compress->stopCompress();
            }
        });
    }
    // The runner keeps its handler, so the handler holds it weakly (a strong hold would keep
    // both alive for ever). It lives in m_compress until its last report has arrived.
    const std::weak_ptr<QVCompress> compress = m_compress;
    m_compress->compressPaths(paths, [this, compress](const QString& text, double progress) {
        if (!compress.expired() && m_compress == compress.lock()) {
            handleProgress(progress, text);
        }
    });
}

void QVCompressCommands::handleProgress(double progress, const QString& text)
{
    const QVProgressHooks& hooks = m_context.progressHooks();
    if (progress > 0 || qv::isValid(text)) {
        if (hooks.setProgress) {
            hooks.setProgress(progress, text);
        }
        if (progress >= QVCompress::Progress::Finished) {
            clean();
            QVHelper::playSoundType(QVHelper::SoundOk);
        }
    } else if (progress == QVCompress::Progress::Started) {
        if (hooks.open) {
            hooks.open();
        }
    } else {
        clean();
        if (progress == QVCompress::Progress::Failed) {
            qv::alertWithMsg(qv::localized(QStringLiteral("Compression Failed")));
        }
    }
}

void QVCompressCommands::clean()
{
    m_compress.reset();
    const QVProgressHooks& hooks = m_context.progressHooks();
    if (hooks.setCancelHandler) {
        hooks.setCancelHandler({});
    }
    if (hooks.clean) {
        hooks.clean();
    }
    endWork();
}

void QVCompressCommands::endWork()
{
    m_work.reset();
}
