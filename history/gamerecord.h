#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>

namespace wimbly {

// One finished game, as the history keeps it.
struct GameRecord {
    // The child who played, or empty when no child was chosen.
    QString child;
    // When Start was pressed, in UTC, to the second.
    QDateTime started;
    // From Start to the game's end.
    qint64 seconds = 0;
    qint32 score = 0;
    // The longest parade recalled in full; 0 when no turn was completed.
    int longest = 0;
    // Completed turns.
    int turns = 0;
    // Wrong clicks, in practice too.
    int mistakes = 0;
    // Milliseconds a step of the parade.
    int pace = 700;
    // Characters in the first turn's parade.
    int startLength = 1;
    // Lives at the start; 0 for a practice game.
    int lives = 3;
    // How the game ended: "over", "restart" or "closed".
    QString ended;

    friend bool operator==(const GameRecord&, const GameRecord&) = default;
};

} // namespace wimbly
