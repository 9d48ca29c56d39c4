#pragma once

#include "engine/service/QVProgressHooks.h"

#include <functional>

class QObject;
class QVLoadingWinCtl;

/// The engine's progress hooks over one owner's progress window, the same in the extension and
/// in the application. `window(true)` makes the window when it is missing, `window(false)`
/// answers the current one or null; `clean` closes the owner's tool windows. No hook runs once
/// the owner is gone.
QVProgressHooks loadingWindowHooks(QObject* owner, std::function<QVLoadingWinCtl*(bool create)> window,
                                   std::function<void()> clean);
