#pragma once

#include "engine/service/QVPendingWork.h"

#include <QtGlobal>

#include <memory>

class QVCommandContext;
class QVCompress;

/// Encrypted Compression: the selected items go into one zip archive, optionally under a
/// password, behind the progress window, whose Cancel stops the write. One compression at a time
/// per engine: a second command while one runs does nothing.
class QVCompressCommands final
{
public:
    explicit QVCompressCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    ~QVCompressCommands();
    Q_DISABLE_COPY_MOVE(QVCompressCommands)

    /// The archive is written in the background: the pending work is held until the run has
    /// ended and been cleaned up.
    void encryptedCompress(QVPendingWork::Hold pending);
    /// The compression running now, null when none does.
    std::shared_ptr<QVCompress> compress() const { return m_compress; }

private:
    void handleProgress(double progress, const QString& text);
    void clean();
    void endWork();

    QVCommandContext& m_context;
    std::shared_ptr<QVCompress> m_compress;
    QVPendingWork::Hold m_work; ///< held while a compression runs
};
