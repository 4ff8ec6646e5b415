#include "qtclock.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace wimbly {

QtClock::QtClock() {
    m_elapsed.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { fire(); });
}

QtClock::~QtClock() {
    cancelAlarm();
}

qint64 QtClock::now() const {
    return m_elapsed.elapsed();
}

void QtClock::setAlarm(qint64 dueMs, std::function<void()> fn) {
    m_due = dueMs;
    m_alarm = std::move(fn);
    arm();
}

void QtClock::cancelAlarm() {
    m_timer.stop();
    m_alarm = nullptr;
}

bool QtClock::alarmPending() const {
    return static_cast<bool>(m_alarm);
}

void QtClock::arm() {
    // Rounding the wait up to whole milliseconds from the nanosecond clock keeps the alarm
    // from firing before now() has reached its due time.
    constexpr qint64 nsPerMs = 1'000'000;
    const qint64 remainingNs = m_due * nsPerMs - m_elapsed.nsecsElapsed();
    const qint64 waitMs = std::max<qint64>(0, (remainingNs + nsPerMs - 1) / nsPerMs);
    m_timer.start(static_cast<int>(std::min<qint64>(waitMs, std::numeric_limits<int>::max())));
}

void QtClock::fire() {
    if (!m_alarm)
        return;
    if (now() < m_due) {
        arm();
        return;
    }
    // Taken out first: the callback may set the next alarm.
    auto fn = std::exchange(m_alarm, nullptr);
    fn();
}

} // namespace wimbly
