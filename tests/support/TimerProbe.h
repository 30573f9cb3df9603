#pragma once

#include "forms/Timer.h"

namespace forms {

// Drives a timer's time in tests instead of sleeping.
class TimerProbe {
public:
    // Raises OnTimer as the end of a countdown does, if one runs.
    static void fire(Timer& timer) { timer.fire(); }
    // How many countdowns have started: it grows only when one starts afresh.
    static int countdownsStarted(const Timer& timer) { return timer.m_starts; }
};

}  // namespace forms
