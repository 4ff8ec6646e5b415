#pragma once

#include "clock.h"
#include "manualclock.h"
#include "qtclock.h"

#include <QtGlobal>

#include <vector>

namespace wimbly::bench {

// Virtual time until switched to real time; from then on it records, for every alarm, when it
// was due and when it fired, so a benchmark can see how far each step of a sequence lagged.
class SwitchableClock final : public Clock {
public:
    struct Firing {
        qint64 due;
        qint64 fired;
    };

    ManualClock& manual() { return m_manual; }
    void switchToRealTime() {
        m_offset = m_manual.now() - m_real.now();
        m_live = true;
    }
    const std::vector<Firing>& firings() const { return m_firings; }

    qint64 now() const override { return m_live ? m_real.now() + m_offset : m_manual.now(); }
    void setAlarm(qint64 dueMs, std::function<void()> fn) override {
        if (!m_live) {
            m_manual.setAlarm(dueMs, std::move(fn));
            return;
        }
        m_real.setAlarm(dueMs - m_offset, [this, dueMs, fn = std::move(fn)] {
            m_firings.push_back({dueMs, now()});
            fn();
        });
    }
    void cancelAlarm() override { m_live ? m_real.cancelAlarm() : m_manual.cancelAlarm(); }
    bool alarmPending() const override {
        return m_live ? m_real.alarmPending() : m_manual.alarmPending();
    }

private:
    ManualClock m_manual;
    QtClock m_real;
    bool m_live = false;
    qint64 m_offset = 0;
    std::vector<Firing> m_firings;
};

} // namespace wimbly::bench
