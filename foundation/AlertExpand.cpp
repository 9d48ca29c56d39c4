#include "foundation/AlertExpand.h"

#include "platform/Bundle.h"

namespace qv {

platform::Alert alert()
{
    platform::Alert alert;
    alert.setAlertStyle(platform::Alert::Style::Informational);
    alert.setLevel(platform::Alert::FloatingLevel);
    return alert;
}

void alertWithMsg(const QString& msg, QWidget* forWindow, const QStringList& customButtons, AlertHandler handler)
{
    platform::Alert tip = alert();
    tip.setMessageText(platform::Bundle::localizedString(QStringLiteral("Tip")));
    tip.setInformativeText(msg);
    if (customButtons.isEmpty()) {
        tip.addButtonWithTitle(platform::Bundle::localizedString(QStringLiteral("OK")));
    }
    for (const QString& title : customButtons) {
        tip.addButtonWithTitle(title);
    }
    // A window-less alert answers its handler too: callers rely on the response either way.
    tip.beginSheetModalForWindow(forWindow, std::move(handler));
}

void alertPrompWithMsg(const QString& msg, QWidget* forWindow, AlertHandler handler)
{
    alertWithMsg(msg, forWindow,
                 { platform::Bundle::localizedString(QStringLiteral("OK")),
                   platform::Bundle::localizedString(QStringLiteral("Cancel")) },
                 std::move(handler));
}

void alertWithMsg(const QString& msg, QWidget* forWindow, AlertHandler handler)
{
    alertWithMsg(msg, forWindow, QStringList(), std::move(handler));
}

void alertWithMsg(const QString& msg, QWidget* forWindow)
{
    alertWithMsg(msg, forWindow, QStringList(), AlertHandler());
}

void alertWithMsg(const QString& msg)
{
    alertWithMsg(msg, nullptr, QStringList(), AlertHandler());
}

} // namespace qv
