#pragma once

#include "catalogue.h"
#include "clock.h"
#include "gameview.h"
#include "randomsource.h"
#include "rules.h"

#include <QPointF>
#include <QtGlobal>

#include <array>
#include <deque>
#include <functional>

namespace wimbly {

// The variables of one game, with the types and start-up values the main window holds.
struct GameState {
    // The score of the current game, and of the last one after a game over.
    qint32 score = 0;
    // The board judges clicks only while this is set.
    bool acceptsClicks = false;
    // A turn presents level + 1 characters; 0..MaxLevel.
    qint16 level = 0;
    // Turns completed at the current level; 0..2 between turns.
    qint16 turnsAtLevel = 0;
    // Characters found in the current turn: order[found] is the one expected next.
    qint16 found = 0;
    // Spare lives; as many as the rules give at game start (3 unless changed), below 0 ends the
    // game.
    qint16 lives = 0;
    // The shuffled character numbers; a turn presents and expects order[0..level]. 41 entries
    // (0..40) is the state's fixed shape, more than any count shuffle is given; the spare
    // entries are never read.
    std::array<qint16, 41> order{};
    // Number of characters, the length every turn shuffles.
    qint16 shuffleLength = res::CharacterCount;
};

// The game played on the main window: its state and the handlers of the start button, the
// help button and the board. It drives the window through GameView and times its
// sequences (the parade of a turn, the turn end with the celebration) with Clock: every
// step is due at a fixed offset from its sequence's start, so late steps do not push the
// later ones back. One sequence runs at a time; the game owns the clock's alarm.
// The view, the clock and the random source must outlive the game.
class Game {
public:
    enum class Phase {
        Idle,        // before the first game: nothing on the board, clicks ignored
        Presenting,  // a turn's characters are shown one by one; the board is hidden
        Answering,   // the board is shown and judges clicks while acceptsClicks is set
        Halted,      // the help button was pressed while answering; clicks ignored
        TurnEnd,     // the last character was found; the board closes 100 ms later
        Celebrating, // the mascot celebrates; the next turn's parade follows
        Over,        // the game is lost and the leaderboard has the score
    };

    // The last level presents every character.
    static constexpr int MaxLevel = res::CharacterCount - 1;
    // A game starts with a life for each marker of the side panel, unless its rules say more or
    // fewer.
    static constexpr int StartLives = res::MarkerCount;
    static constexpr int MaxLives = res::MaxMarkerCount;

    Game(GameView& view, Clock& clock, RandomSource& random);
    // Drops the running sequence: nothing of it reaches the view afterwards.
    ~Game();
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // The start button. Begins a new game from any phase: whatever sequence is running is
    // abandoned at once (its characters and a finished turn's frames are taken off the
    // window), the board and mascot are hidden, the counters reset, the life markers and the
    // score 0 shown, and the first turn's parade begins; acceptsClicks is left for the parade's
    // end to set. A game in progress ends as restarted first. The game is played by the rules
    // last given, the defaults unless changed.
    void start();
    // The same, by `rules` from now on (each value taken within its range).
    void start(const Rules& rules);
    // Ends the game in progress, if any, with `ending`: its sequence is abandoned, the board,
    // the characters and the mascot are hidden, and it is reported to the view if the board was
    // pressed in it at least once. Then the game waits for the next start.
    void end(Ending ending);
    // Whether a game has started and not ended.
    bool inProgress() const;
    // The help button. Clears acceptsClicks, so the board ignores presses until a parade next
    // ends (a parade that is running goes on and sets it again), then opens the help window.
    void openHelp();
    // A press on the board at `point` in board pixels, whatever the button and modifiers: the
    // cell under it is pressed. Presses on the outer right and bottom grid lines or beyond
    // press nothing.
    void pressBoard(QPointF point);
    // A press on board cell `cell` (0..35), by mouse, keyboard or any other input. Judged only
    // while the board takes presses (see takesPresses()); otherwise, and for a cell outside
    // the board, nothing happens.
    void pressCell(int cell);
    // Whether a press on the board is judged now: the board is open and answering, not halted
    // by the help button nor closing after the turn's last character.
    bool takesPresses() const { return m_state.acceptsClicks && m_phase == Phase::Answering; }

    // Fills order[0..n-1] with a random permutation of 0..n-1, reseeding the random source
    // first: each position i in turn takes the entry found at a drawn position j, and the
    // entries between shift by one place. Entries from n on are left alone; n is taken
    // within 0..order.size().
    void shuffle(qint16 n);

    const GameState& state() const { return m_state; }
    // The rules of the game in progress, or of the next one.
    const Rules& rules() const { return m_rules; }
    Phase phase() const { return m_phase; }
    // Whether a parade or a turn end is under way (steps of it still to come).
    bool sequenceRunning() const { return !m_steps.empty(); }

private:
    struct Step {
        qint64 due;
        std::function<void()> action;
    };
    using Steps = std::deque<Step>;

    void showTurn(qint64 from);
    void celebrate(qint64 from, Steps& steps);
    void gameOver();

    void correctClick(int cell);
    void wrongClick();
    void endTurn();
    void report(Ending ending);

    void setPhase(Phase phase);
    void runSequence(Steps steps);
    void runDueSteps();
    void cancelSequence();
    void abandonSequence();

    GameView& m_view;
    Clock& m_clock;
    RandomSource& m_random;
    GameState m_state;
    Rules m_rules;
    // What the game in progress has come to, beyond its state.
    GameSummary m_summary;
    qint64 m_startedAt = 0;
    // Board presses judged in the game in progress.
    int m_presses = 0;
    // Markers the last start showed.
    int m_markersInUse = 0;
    Phase m_phase = Phase::Idle;
    Steps m_steps;
    quint64 m_generation = 0;
    // Slots the running parade has shown and not yet hidden.
    int m_slotsShown = 0;
};

static_assert(res::CharacterCount <= std::tuple_size_v<decltype(GameState::order)>,
              "a turn of the last level must fit the order array");

} // namespace wimbly
