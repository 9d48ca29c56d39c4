#pragma once

// Block timers.
//
// `scheduled` is a QTimer of the calling thread's event loop (it fires in nested loops too:
// menus, dialogs, resizing). `gcdScheduled` is a timer independent of every event loop you
// own: it ticks on a timer thread of its own and runs its handler on Qt's global thread pool,
// never two runs of one timer at once (a tick that falls during a run is folded into one more run).

#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

namespace qv {

/// Starts a timer on the current thread that calls the block with the timer after the interval
/// (every interval when repeating). A one-shot timer deletes itself after firing; a repeating one
/// lives until cancelTimer. The answer becomes null once the timer is gone.
QPointer<QTimer> scheduled(double seconds, std::function<void(QTimer*)> block, bool repeats);
/// Stops and deletes the timer when it still exists. Call it on the timer's thread.
void cancelTimer(const QPointer<QTimer>& timer);

/// A timer source whose handler runs on the global thread pool. Dropping the last handle
/// cancels it (cancelGCDTimer does so explicitly).
class GCDTimer;
using GCDTimerHandle = std::shared_ptr<GCDTimer>;

/// First run after the interval, then every interval, with no leeway; started at once.
GCDTimerHandle gcdScheduled(double seconds, std::function<void()> handler);
/// No new run starts after this returns (a run in progress finishes). Nothing for nil.
void cancelGCDTimer(const GCDTimerHandle& timer);

} // namespace qv
