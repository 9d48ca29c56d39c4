#pragma once

#include <QString>

namespace platform {

/// Whether a person can answer a modal alert or panel in this process.
///
/// Nobody can without a QApplication, or on the offscreen and minimal platforms, where
/// windows are never seen: the host program picks entries there from scripts and file-manager
/// hooks. Alerts and panels then answer at once (an alert its cancel answer, a panel Cancel)
/// and write what they would have asked to standard error, so that a command never waits for
/// an answer that cannot come. Responders that tests install still answer first.
class ModalPolicy final
{
public:
    ModalPolicy() = delete;

    static bool canAskUser();
    /// Lets alerts and panels show on the offscreen platform as well: for tests that drive the
    /// real widgets there. Off by default.
    static void setShowsOnOffscreen(bool shows);
    /// Writes one line to standard error: what would have been asked, and the answer taken.
    static void reportUnasked(const QString& question, const QString& answer);
};

} // namespace platform
