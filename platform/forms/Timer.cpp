#include "forms/Timer.h"

#include "errors/EventDispatch.h"

namespace forms {

Timer::Timer(const QString& name) {
    m_qtimer.setObjectName(name);
    // Ticks of 50 ms and 1 s need no better than coarse accuracy, and coarse
    // timers let the system batch wake-ups.
    m_qtimer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&m_qtimer, &QTimer::timeout, &m_qtimer, [this] { fire(); });
}

void Timer::setInterval(int milliseconds) {
    const bool changed = milliseconds != m_interval;
    m_interval = milliseconds;
    if (changed) {
        m_qtimer.stop();
        apply();
    }
}

void Timer::setEnabled(bool enabled) {
    m_enabled = enabled;
    apply();
}

void Timer::apply() {
    const bool run = m_enabled && m_interval > 0;
    if (!run) {
        m_qtimer.stop();
    } else if (!m_qtimer.isActive()) {
        m_qtimer.start(m_interval);
        ++m_starts;
    }
}

void Timer::fire() {
    if (running() && OnTimer) errors::dispatch(OnTimer);
}

}  // namespace forms
