#pragma once

#include "gamerecord.h"

#include <QDate>
#include <QDateTime>

#include <optional>
#include <vector>

namespace wimbly {

// The games of one local calendar day.
struct DayGames {
    QDate day;
    // The longest parade recalled in any game of the day.
    int best = 0;
    // The day's games in ProgressSummary::longest: `count` entries from `first`.
    int first = 0;
    int count = 0;

    friend bool operator==(const DayGames&, const DayGames&) = default;
};

// What the progress window shows of one child's games.
struct ProgressSummary {
    // The days on which games were played, earliest first.
    std::vector<DayGames> days;
    // Each dated game's longest parade, grouped by day in the order of `days`, each day's games in
    // the order they were played.
    std::vector<int> longest;
    // The longest parade of all games; 0 when there are none.
    int mostLongest = 0;
    // The best score of all games, or none when there are no games.
    std::optional<qint32> bestScore;

    // Games started this week: from Monday 00:00 local time up to `now` itself.
    int weekGames = 0;
    qint64 weekSeconds = 0;
    // The week's playing time in whole minutes, rounded to the nearest minute (half up).
    qint64 weekMinutes() const { return (weekSeconds + 30) / 60; }

    int gameCount() const { return int(longest.size()); }
};

// Sums up `games` (in any order) as seen at `now`: days are local calendar days.
ProgressSummary summarize(const std::vector<GameRecord>& games, const QDateTime& now);

} // namespace wimbly
