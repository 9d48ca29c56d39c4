#include "toolwindows/colorpicker/QVColorPanel.h"

#include "foundation/AlertExpand.h"
#include "foundation/BundleExpand.h"
#include "foundation/QVColorPickerHook.h"
#include "platform/ColorPortal.h"
#include "platform/Defaults.h"
#include "toolwindows/colorinfo/QVColorInfoWinCtl.h"
#include "toolwindows/colorpicker/QVColorPickerWindow.h"

#include <QPointer>
#include <QTimer>

QVColorPanel::QVColorPanel(Hooks hooks, QObject* parent)
    : QObject(parent)
    , m_hooks(std::move(hooks))
{
}

QVColorPanel::~QVColorPanel()
{
    if (m_installed) {
        qv::setColorPickerStarter({});
    }
    if (m_colorPickerWin) {
        m_colorPickerWin->disconnect(this);
        m_colorPickerWin->cancelPicking();
    }
    if (m_colorInfoWinCtl) {
        m_colorInfoWinCtl->disconnect(this);
        m_colorInfoWinCtl->close();
    }
    hold(m_holdsPick, false);
    hold(m_holdsInfo, false);
}

void QVColorPanel::installAsColorPickerStarter()
{
    m_installed = true;
    QPointer<QVColorPanel> self(this);
    qv::setColorPickerStarter([self] {
        if (self) {
            self->startColorPicker();
        }
    });
}

QVColorPickerWindow* QVColorPanel::colorPickerWin()
{
    if (!m_colorPickerWin) {
        m_colorPickerWin = std::make_unique<QVColorPickerWindow>();
        connect(m_colorPickerWin.get(), &QVColorPickerWindow::pickEnded, this, [this] { hold(m_holdsPick, false); });
    }
    return m_colorPickerWin.get();
}

QVColorInfoWinCtl* QVColorPanel::colorInfoWinCtl()
{
    if (!m_colorInfoWinCtl) {
        m_colorInfoWinCtl = std::make_unique<QVColorInfoWinCtl>();
        m_colorInfoWinCtl->setSoundPlayer(m_hooks.playSound);
        connect(m_colorInfoWinCtl.get(), &QVColorInfoWinCtl::closed, this, [this] { hold(m_holdsInfo, false); });
    }
    return m_colorInfoWinCtl.get();
}

bool QVColorPanel::isPicking() const
{
    return m_starting || (m_colorPickerWin && m_colorPickerWin->isPicking());
}

void QVColorPanel::startColorPicker(ColorHandler handler)
{
    m_colorChangedHandler = std::move(handler);
    if (isPicking()) {
        return;
    }
    // A Wayland session lets no client read the screen: its desktop portal picks the colour.
    if (platform::ColorPortal::isWaylandSession()) {
        _usePortal();
        return;
    }
    _usePickView();
}

void QVColorPanel::_usePortal()
{
    m_starting = true;
    hold(m_holdsPick, true);
    platform::ColorPortal::pickColor(this, [this](const platform::ColorPortal::Result& result) {
        m_starting = false;
        switch (result.status) {
        case platform::ColorPortal::Result::Picked:
            _pickFinished(result.color);
            break;
        case platform::ColorPortal::Result::Failed:
            qv::alertWithMsg(result.error);
            break;
        case platform::ColorPortal::Result::Cancelled:
            break;
        }
        hold(m_holdsPick, false);
    });
}

void QVColorPanel::_usePickView()
{
    m_starting = true;
    hold(m_holdsPick, true);
    platform::Defaults& standard = platform::Defaults::standard();
    if (!standard.boolValue(kScreenRecordTip)) {
        standard.setValue(kScreenRecordTip, true);
        qv::alertWithMsg(qv::localized(kScreenRecordTip));
    }
    QPointer<QVColorPanel> self(this);
    QTimer::singleShot(kSettleMs, this, [self] {
        if (!self) {
            return;
        }
        self->m_starting = false;
        QVColorPickerWindow* window = self->colorPickerWin();
        window->setCompleteHandler([self](const QColor& color) {
            if (self) {
                self->_pickFinished(color);
            }
        });
        window->startPicking();
    });
}

void QVColorPanel::_pickFinished(const QColor& color)
{
    if (m_colorChangedHandler) {
        m_colorChangedHandler(color);
    }
    QVColorInfoWinCtl* window = colorInfoWinCtl();
    window->openWithColor(color);
    hold(m_holdsInfo, window->window()->isVisible());
}

// One piece of pending work for each of the pick and the colour window while it lasts.
void QVColorPanel::hold(bool& holding, bool on)
{
    if (holding == on) {
        return;
    }
    holding = on;
    const std::function<void()>& hook = on ? m_hooks.beginPendingWork : m_hooks.endPendingWork;
    if (hook) {
        hook();
    }
}
