#pragma once

// Additions to the platform's alert: the "Tip" alerts every part of the system raises.
// Button titles given by the caller are shown as given; "Tip", "OK" and "Cancel" are
// looked up in the localisation table. The response is the button code: 1000 for the
// first button, 1001 for the second, and so on.

#include "platform/Alert.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace qv {

using AlertHandler = std::function<void(int response)>;

/// A new alert of the informational style on the floating level, above normal windows.
platform::Alert alert();

/// A "Tip" alert with the message as its informative text and one button per title (one
/// "OK" button when the list is empty). With a window it is a sheet on that window and
/// this returns at once; without one it runs application-modally and returns when the user
/// has answered. The handler receives the response in both forms.
void alertWithMsg(const QString& msg, QWidget* forWindow, const QStringList& customButtons, AlertHandler handler);
/// The same with the buttons "OK" and "Cancel".
void alertPrompWithMsg(const QString& msg, QWidget* forWindow, AlertHandler handler);
/// The same with the single "OK" button.
void alertWithMsg(const QString& msg, QWidget* forWindow, AlertHandler handler);
void alertWithMsg(const QString& msg, QWidget* forWindow);
/// Application-modal, "OK" only; returns when the user has closed it.
void alertWithMsg(const QString& msg);

} // namespace qv
