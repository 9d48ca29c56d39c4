#pragma once

#include <QString>

/// File tools of the command engine (class operations).
class QVHelper final
{
public:
    QVHelper() = delete;

    /// Feedback sound codes: 0 "ok", 1 "new", 2 "fold", 3 "copy", 4 "error", 5 "dingd"; any
    /// other code plays "copy".
    enum SoundType {
        SoundOk = 0,
        SoundNew = 1,
        SoundFold = 2,
        SoundCopy = 3,
        SoundError = 4,
        SoundDing = 5,
    };

    /// When the shared switch "pref check9" is on, plays the code's sound from the background
    /// queue (so sounds asked for in a row start in that order) and returns at once; when it is
    /// off, does nothing.
    static void playSoundType(int type);
};
