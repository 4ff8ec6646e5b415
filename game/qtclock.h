#pragma once

#include "clock.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace wimbly {

// The program's clock: monotonic time since construction and one precise single-shot
// timer. Alarms fire from the event loop of the thread that owns the clock; destroying
// the clock drops a pending alarm.
class QtClock final : public Clock {
public:
    QtClock();
    ~QtClock() override;
    QtClock(const QtClock&) = delete;
    QtClock& operator=(const QtClock&) = delete;

    qint64 now() const override;
    void setAlarm(qint64 dueMs, std::function<void()> fn) override;
    void cancelAlarm() override;
    bool alarmPending() const override;

private:
    void arm();
    void fire();

    QElapsedTimer m_elapsed;
    QTimer m_timer;
    qint64 m_due = 0;
    std::function<void()> m_alarm;
};

} // namespace wimbly
