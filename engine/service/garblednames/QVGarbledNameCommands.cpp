#include "engine/service/garblednames/QVGarbledNameCommands.h"

#include "engine/service/QVCommandContext.h"
#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/FileToolWindows.h"
#include "foundation/StringExpandText.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcGarbledNames, "tarsel.engine.garblednames", QtWarningMsg)

void QVGarbledNameCommands::fixingGarbledNames()
{
    // A copy: the window may report long after the engine that opened it is gone.
    const QVProgressHooks hooks = m_context.progressHooks();
    const bool opened = qv::openFixNameWindow(m_context.selectURLs(), [hooks] {
        if (hooks.clean) {
            hooks.clean();
        }
    });
    if (!opened) {
        qCWarning(lcGarbledNames) << "this process has no garbled-name window";
        qv::alertWithMsg(qv::stringWithFormat(qv::localized(QStringLiteral("Not Available Tip")),
                                              qv::localized(QStringLiteral("Fixing Garbled Names"))));
    }
}
