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
    // How many countdowns have started so far: it grows only when one
    // starts afresh.
    int countdownsStarted() const { return m_starts; }

    // Raises OnTimer as the end of a countdown does, if one runs: tests
    // drive time with it instead of sleeping.
    void fire();

private:
    void apply();

    QTimer m_qtimer;
    int m_interval = 0;
    bool m_enabled = true;
    int m_starts = 0;
};

}  // namespace forms
