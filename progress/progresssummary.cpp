#include "progresssummary.h"

#include <QTimeZone>

#include <algorithm>
#include <limits>

namespace wimbly {

namespace {

// Local calendar dates of UTC times. The system's zone is read once, and its offset from UTC is
// kept until the next change of clocks: the same dates as QDateTime::toLocalTime() gives, without
// asking the C library, which reads the zone's file again for every time it converts, nor
// converting each time afresh.
class LocalDates {
public:
    QDate operator()(const QDateTime& time) {
        if (!m_zone.isValid())
            return time.toLocalTime().date();
        const qint64 ms = time.toMSecsSinceEpoch();
        if (ms < m_from || ms >= m_until) {
            const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
            m_offsetMs = qint64(m_zone.offsetFromUtc(utc)) * 1000;
            const QTimeZone::OffsetData next = m_zone.nextTransition(utc);
            const QTimeZone::OffsetData last = m_zone.previousTransition(utc.addMSecs(1));
            m_until = next.atUtc.isValid() ? next.atUtc.toMSecsSinceEpoch() : Forever;
            m_from = last.atUtc.isValid() ? last.atUtc.toMSecsSinceEpoch() : -Forever;
        }
        constexpr qint64 MsPerDay = 24 * 3600 * 1000;
        const qint64 local = ms + m_offsetMs;
        const qint64 days = local / MsPerDay - (local % MsPerDay < 0 ? 1 : 0);
        return QDate::fromJulianDay(UnixEpochJulianDay + days);
    }

private:
    static constexpr qint64 Forever = std::numeric_limits<qint64>::max();
    // 1 January 1970.
    static constexpr qint64 UnixEpochJulianDay = 2440588;
    const QTimeZone m_zone = QTimeZone::systemTimeZone();
    qint64 m_from = 0;
    qint64 m_until = 0;
    qint64 m_offsetMs = 0;
};

constexpr qint64 WeekSeconds = 7 * 24 * 3600;

} // namespace

ProgressSummary summarize(const std::vector<GameRecord>& games, const QDateTime& now) {
    ProgressSummary summary;
    LocalDates localDate;
    const QDate today = localDate(now);
    const QDate monday = today.addDays(1 - today.dayOfWeek());

    struct Played {
        QDate day;
        int longest;
    };
    std::vector<Played> played;
    played.reserve(games.size());
    for (const GameRecord& game : games) {
        summary.bestScore = std::max(summary.bestScore.value_or(game.score), game.score);
        // A damaged record without a time belongs to no day.
        if (!game.started.isValid())
            continue;
        // Days and the week are compared as local dates, so a week or a day that begins or ends
        // with a change of clocks still starts at its midnight.
        const QDate day = localDate(game.started);
        const int longest = std::max(0, game.longest);
        played.push_back({day, longest});
        summary.mostLongest = std::max(summary.mostLongest, longest);
        if (day >= monday && game.started <= now) {
            ++summary.weekGames;
            // A damaged record's time counts as none when negative and as a whole week at
            // most, so that the sum cannot overflow.
            summary.weekSeconds += std::clamp<qint64>(game.seconds, 0, WeekSeconds);
        }
    }

    // The history gives its games oldest first; a clock set back may still have put a game
    // before an earlier one, and a day's games are kept together all the same.
    const auto earlier = [](const Played& a, const Played& b) { return a.day < b.day; };
    if (!std::is_sorted(played.begin(), played.end(), earlier))
        std::stable_sort(played.begin(), played.end(), earlier);

    summary.longest.reserve(played.size());
    for (const Played& game : played) {
        if (summary.days.empty() || summary.days.back().day != game.day)
            summary.days.push_back({game.day, 0, int(summary.longest.size()), 0});
        DayGames& day = summary.days.back();
        day.best = std::max(day.best, game.longest);
        ++day.count;
        summary.longest.push_back(game.longest);
    }
    return summary;
}

} // namespace wimbly
