#pragma once

#include "clock.h"

#include <functional>

namespace wimbly {

// A clock whose time moves only when told to, for running the game's timelines in tests.
class ManualClock final : public Clock {
public:
    qint64 now() const override { return m_now; }
    void setAlarm(qint64 dueMs, std::function<void()> fn) override;
    void cancelAlarm() override { m_alarm = nullptr; }
    bool alarmPending() const override { return static_cast<bool>(m_alarm); }

    // Due time of the pending alarm; meaningful only while alarmPending().
    qint64 alarmDue() const { return m_due; }

    // Moves time forward by `ms` (>= 0). Every alarm that falls due within the span fires
    // at its due time (or at once, if that had already passed), in order, including alarms
    // set by a firing callback; afterwards now() is the old time plus `ms`.
    void advance(qint64 ms);
    // Fires the pending alarm at its due time, if one is pending; returns whether it did.
    bool advanceToAlarm();

private:
    qint64 m_now = 0;
    qint64 m_due = 0;
    std::function<void()> m_alarm;
};

} // namespace wimbly
