#include "manualclock.h"

#include <algorithm>
#include <utility>

namespace wimbly {

void ManualClock::setAlarm(qint64 dueMs, std::function<void()> fn) {
    m_due = dueMs;
    m_alarm = std::move(fn);
}

void ManualClock::advance(qint64 ms) {
    const qint64 target = m_now + std::max<qint64>(0, ms);
    while (m_alarm && m_due <= target)
        advanceToAlarm();
    m_now = target;
}

bool ManualClock::advanceToAlarm() {
    if (!m_alarm)
        return false;
    m_now = std::max(m_now, m_due);
    // Taken out first: the callback may set the next alarm.
    auto fn = std::exchange(m_alarm, nullptr);
    fn();
    return true;
}

} // namespace wimbly
