#pragma once

#include <QtGlobal>

#include <functional>

namespace wimbly {

// The game's time: milliseconds and one alarm. The game runs one sequence at a time, so
// one alarm suffices; setting a new one replaces the pending one. The program uses real
// timers, tests a virtual clock.
class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary, fixed origin.
    virtual qint64 now() const = 0;
    // Calls `fn` once now() >= `dueMs` (at once, from the event loop, if that has passed).
    virtual void setAlarm(qint64 dueMs, std::function<void()> fn) = 0;
    // Drops the pending alarm, if any; it will not fire.
    virtual void cancelAlarm() = 0;
    virtual bool alarmPending() const = 0;
};

} // namespace wimbly
