#include "toolwindows/filetools/QVFileToolWindows.h"

#include "foundation/FileToolWindows.h"
#include "toolwindows/filehash/QVFileHashWinCtl.h"
#include "toolwindows/fixname/QVFixNameWinCtl.h"

#include <QPointer>
#include <QWidget>

QVFileToolWindows::QVFileToolWindows(Hooks hooks, QObject* parent)
    : QObject(parent)
    , m_hooks(std::move(hooks))
{
    QPointer<QVFileToolWindows> self(this);
    qv::setFileHashWindowOpener([self](const QList<QUrl>& urls, const std::function<void()>&) {
        if (!self) {
            return;
        }
        if (!self->m_fileHashWinCtl) {
            self->m_fileHashWinCtl = std::make_unique<QVFileHashWinCtl>();
            self->m_fileHashWinCtl->setSoundPlayer(self->m_hooks.playSound);
        }
        self->keepAliveWhileOpen(*self->m_fileHashWinCtl);
        self->m_fileHashWinCtl->openWithURLs(urls);
    });
    qv::setFixNameWindowOpener([self](const QList<QUrl>& urls, const std::function<void()>& sure) {
        if (!self) {
            return;
        }
        if (!self->m_fixNameWinCtl) {
            self->m_fixNameWinCtl = std::make_unique<QVFixNameWinCtl>();
            self->m_fixNameWinCtl->setSoundPlayer(self->m_hooks.playSound);
        }
        self->m_fixNameWinCtl->setSureBlock(sure);
        self->keepAliveWhileOpen(*self->m_fixNameWinCtl);
        self->m_fixNameWinCtl->openWithURLs(urls);
    });
}

QVFileToolWindows::~QVFileToolWindows()
{
    qv::setFileHashWindowOpener({});
    qv::setFixNameWindowOpener({});
    clean();
}

// One piece of pending work from the moment the window is shown until it closes.
template <typename WinCtl> void QVFileToolWindows::keepAliveWhileOpen(WinCtl& ctl)
{
    if (ctl.window()->isVisible()) {
        return;
    }
    if (m_hooks.beginPendingWork) {
        m_hooks.beginPendingWork();
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(&ctl, &WinCtl::closed, [connection, end = m_hooks.endPendingWork] {
        QObject::disconnect(*connection);
        if (end) {
            end();
        }
    });
}

void QVFileToolWindows::clean()
{
    if (QVFileHashWinCtl* window = m_fileHashWinCtl.release()) {
        window->close();
        window->deleteLater();
    }
    // clean() runs from the garbled-name window's own sure block: it goes afterwards.
    if (QVFixNameWinCtl* window = m_fixNameWinCtl.release()) {
        window->close();
        window->deleteLater();
    }
}
