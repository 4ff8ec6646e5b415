#pragma once

#include <QtGlobal>

namespace wimbly {

// How a game is played. The defaults are the game as it always was.
struct Rules {
    // Milliseconds a step of the parade takes: each character's, and the pauses before the
    // board opens.
    qint64 pace = 700;
    // Characters in the first turn's parade, 1..36: the game starts at level startLength - 1.
    int startLength = 1;
    // Life markers at the start, 1..MaxLives.
    int lives = 3;
    // Wrong clicks cost nothing and the game never ends by itself.
    bool practice = false;

    friend bool operator==(const Rules&, const Rules&) = default;
};

// How a game came to its end.
enum class Ending {
    Over,    // a wrong click with no life left
    Restart, // Start was pressed during it
    Closed,  // the window was closed during it
};

// What a game came to, reported when it ends.
struct GameSummary {
    qint32 score = 0;
    // The longest parade recalled in full; 0 when no turn was completed.
    int longest = 0;
    // Completed turns.
    int turns = 0;
    // Wrong clicks, in practice too.
    int mistakes = 0;
    // From the start to the end, on the game's clock.
    qint64 milliseconds = 0;
    Rules rules;
    Ending ending = Ending::Over;
};

} // namespace wimbly
