#pragma once

#include <QTimer>
#include <functional>

namespace forms {

// A timer that raises OnTimer every Interval milliseconds while Enabled.
// Switching on a timer that already runs keeps its countdown: only a timer
// that was off starts counting afresh.
class Timer {
public:
    explicit Timer(const QString& name);

    int Interval() const { return m_interval; }
    void setInterval(int milliseconds);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    std::function<void()> OnTimer;

    // True while the countdown runs (Enabled with a positive Interval).
    bool running() const { return m_qtimer.isActive(); }

private:
    // Tests drive time through this instead of sleeping.
    friend class TimerProbe;

    // Raises OnTimer as the end of a countdown does, if one runs.
    void fire();
    void apply();

    QTimer m_qtimer;
    int m_interval = 0;
    bool m_enabled = true;
    // How many countdowns have started so far: it grows only when one
    // starts afresh.
    int m_starts = 0;
};

}  // namespace forms
