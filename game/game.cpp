#include "game.h"

#include <QLine>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace wimbly {

namespace {

constexpr qint64 MinPaceMs = 400;
constexpr qint64 MaxPaceMs = 3000;
constexpr qint64 TurnEndPauseMs = 100;
constexpr qint64 OpeningPoseMs = 400;
constexpr qint64 MascotGoneMs = 1200;
constexpr qint64 CelebrationMs = 1700;
constexpr int TurnsPerLevel = 3;
constexpr int PointsPerLevel = 100;
// The last character of a parade stays in view for two steps; the board opens one empty step
// after the slots have gone.
constexpr int LastInViewSteps = 2;
constexpr int EmptySteps = 1;

// floor(r * n) for a draw r, kept inside 0..n-1 whatever the source hands out.
int drawIndex(double r, int n) {
    const double scaled = std::floor(r * n);
    if (!(scaled >= 0))
        return 0;
    return scaled >= n ? n - 1 : static_cast<int>(scaled);
}

} // namespace

Game::Game(GameView& view, Clock& clock, RandomSource& random)
    : m_view(view), m_clock(clock), m_random(random) {}

Game::~Game() {
    cancelSequence();
}

void Game::start(const Rules& rules) {
    m_rules = rules;
    m_rules.pace = std::clamp(rules.pace, MinPaceMs, MaxPaceMs);
    m_rules.startLength = std::clamp(rules.startLength, 1, MaxLevel + 1);
    m_rules.lives = std::clamp(rules.lives, 1, MaxLives);
    start();
}

void Game::start() {
    end(Ending::Restart);
    m_state.level = static_cast<qint16>(m_rules.startLength - 1);
    m_state.turnsAtLevel = 0;
    m_state.found = 0;
    m_state.score = 0;
    // In practice no life is at stake, and none is shown.
    m_state.lives = static_cast<qint16>(m_rules.practice ? 0 : m_rules.lives);
    // Markers a game with more lives showed are taken away again.
    const int shown = m_state.lives;
    for (int marker = 0; marker < std::max(shown, m_markersInUse); ++marker)
        m_view.setMarkerVisible(marker, marker < shown);
    m_markersInUse = shown;
    m_view.showScore(m_state.score);
    m_summary = GameSummary{};
    m_summary.rules = m_rules;
    m_startedAt = m_clock.now();
    m_presses = 0;
    showTurn(m_startedAt);
}

void Game::end(Ending ending) {
    const bool wasInProgress = inProgress();
    abandonSequence();
    m_view.setBoardVisible(false);
    // Frames of a turn left unfinished (or ended a moment ago) must not reappear on the new
    // game's first board.
    m_view.clearBoard();
    m_view.setMascotVisible(false);
    if (!wasInProgress)
        return;
    setPhase(Phase::Idle);
    report(ending);
}

bool Game::inProgress() const {
    return m_phase != Phase::Idle && m_phase != Phase::Over;
}

void Game::openHelp() {
    m_state.acceptsClicks = false;
    if (m_phase == Phase::Answering)
        setPhase(Phase::Halted);
    m_view.openHelp();
}

void Game::pressBoard(QPointF point) {
    pressCell(res::cellAt(point));
}

void Game::pressCell(int cell) {
    // Between the last correct click of a turn and the next parade's end the board is
    // closing or closed; a late press must not be judged against the finished turn.
    if (!takesPresses() || cell < 0 || cell >= res::CharacterCount)
        return;
    ++m_presses;
    if (cell == m_state.order[static_cast<std::size_t>(m_state.found)])
        correctClick(cell);
    else
        wrongClick();
}

void Game::shuffle(qint16 n) {
    const int count = std::clamp<int>(n, 0, static_cast<int>(m_state.order.size()));
    auto& order = m_state.order;
    for (int i = 0; i < count; ++i)
        order[static_cast<std::size_t>(i)] = static_cast<qint16>(i);
    m_random.reseed();
    for (int i = 0; i < count; ++i) {
        const int j = drawIndex(m_random.next(), count);
        // Moving one entry from j to i and shifting the run between them keeps the rest
        // in their relative order: a rotation of the range, not a swap.
        const auto first = order.begin();
        if (j < i)
            std::rotate(first + j, first + j + 1, first + i + 1);
        else if (j > i)
            std::rotate(first + i, first + j, first + j + 1);
    }
}

void Game::showTurn(qint64 from) {
    setPhase(Phase::Presenting);
    shuffle(m_state.shuffleLength);
    const int last = m_state.level;
    Steps steps;
    const qint64 pace = m_rules.pace;
    for (int i = 0; i <= last; ++i) {
        steps.push_back({from + pace * i, [this, i] {
                             const auto slot = static_cast<std::size_t>(i);
                             m_view.setSlotCharacter(i, m_state.order[slot]);
                             m_view.setSlotVisible(i, true);
                             m_slotsShown = i + 1;
                             m_view.playCue(res::Cue::Parade);
                             m_view.sayName(m_state.order[slot]);
                         }});
    }
    const qint64 slotsGone = from + pace * (last + LastInViewSteps);
    steps.push_back({slotsGone, [this, last] {
                         for (int i = 0; i <= last; ++i)
                             m_view.setSlotVisible(i, false);
                         m_slotsShown = 0;
                     }});
    steps.push_back({slotsGone + pace * EmptySteps, [this] {
                         m_state.acceptsClicks = true;
                         setPhase(Phase::Answering);
                         m_view.setBoardVisible(true);
                     }});
    runSequence(std::move(steps));
}

void Game::celebrate(qint64 from, Steps& steps) {
    steps.push_back({from, [this] {
                         setPhase(Phase::Celebrating);
                         m_random.reseed();
                         const int pose = drawIndex(m_random.next(), res::OpeningPoseCount);
                         m_view.setMascotPose(res::openingPose(pose));
                         m_view.setMascotVisible(true);
                     }});
    steps.push_back({from + OpeningPoseMs, [this] { m_view.setMascotPose(res::MascotLeap); }});
    steps.push_back({from + MascotGoneMs, [this] { m_view.setMascotVisible(false); }});
    steps.push_back({from + CelebrationMs, [this, from] { showTurn(from + CelebrationMs); }});
}

void Game::gameOver() {
    m_view.clearBoard();
    m_view.playCue(res::Cue::GameOver);
    m_state.acceptsClicks = false;
    setPhase(Phase::Over);
    // Recorded before the leaderboard opens, so the record does not wait for a name.
    report(Ending::Over);
    m_view.openLeaderboard(m_state.score);
}

void Game::report(Ending ending) {
    if (m_presses == 0)
        return;
    m_summary.score = m_state.score;
    m_summary.milliseconds = m_clock.now() - m_startedAt;
    m_summary.ending = ending;
    m_view.gameEnded(m_summary);
}

void Game::correctClick(int cell) {
    // A score past the largest 32-bit number stays there: wrapping round would make it negative
    // and keep the longest game of all out of the leaderboard.
    const qint64 score = qint64(m_state.score) + (m_state.level + 1) * PointsPerLevel;
    m_state.score =
        static_cast<qint32>(std::min<qint64>(score, std::numeric_limits<qint32>::max()));
    m_view.showScore(m_state.score);
    // A white frame on the cell's outermost pixels, just inside its grid lines.
    const QRect frame = res::cellRect(cell).adjusted(1, 1, 0, 0);
    m_view.drawOnBoard(QLine(frame.topLeft(), frame.topRight()));
    m_view.drawOnBoard(QLine(frame.topLeft(), frame.bottomLeft()));
    m_view.drawOnBoard(QLine(frame.topRight(), frame.bottomRight()));
    m_view.drawOnBoard(QLine(frame.bottomLeft(), frame.bottomRight()));
    ++m_state.found;
    m_view.playCue(res::Cue::Correct);
    if (m_state.found > m_state.level)
        endTurn();
}

void Game::wrongClick() {
    ++m_summary.mistakes;
    if (m_rules.practice) {
        m_view.playCue(res::Cue::Wrong);
        return;
    }
    --m_state.lives;
    m_view.playCue(res::Cue::Wrong);
    if (m_state.lives >= 0) {
        m_view.setMarkerVisible(m_state.lives, false);
        return;
    }
    m_view.setBoardVisible(false);
    m_view.setMascotPose(res::MascotCross);
    m_view.setMascotVisible(true);
    gameOver();
}

void Game::endTurn() {
    m_summary.longest = std::max(m_summary.longest, m_state.level + 1);
    ++m_summary.turns;
    m_state.found = 0;
    if (++m_state.turnsAtLevel >= TurnsPerLevel) {
        m_state.turnsAtLevel = 0;
        m_state.level = static_cast<qint16>(std::min(m_state.level + 1, MaxLevel));
    }
    setPhase(Phase::TurnEnd);
    const qint64 closing = m_clock.now() + TurnEndPauseMs;
    Steps steps;
    steps.push_back({closing, [this] {
                         m_view.setBoardVisible(false);
                         m_view.clearBoard();
                         m_view.playCue(res::Cue::TurnDone);
                     }});
    celebrate(closing, steps);
    runSequence(std::move(steps));
}

void Game::setPhase(Phase phase) {
    m_phase = phase;
}

void Game::runSequence(Steps steps) {
    cancelSequence();
    m_steps = std::move(steps);
    runDueSteps();
}

void Game::runDueSteps() {
    const quint64 generation = m_generation;
    while (!m_steps.empty() && m_steps.front().due <= m_clock.now()) {
        // Taken out first: a step may replace the whole sequence while it runs.
        auto action = std::move(m_steps.front().action);
        m_steps.pop_front();
        action();
        if (generation != m_generation)
            return;
    }
    if (!m_steps.empty()) {
        m_clock.setAlarm(m_steps.front().due, [this, generation] {
            if (generation == m_generation)
                runDueSteps();
        });
    }
}

void Game::cancelSequence() {
    ++m_generation;
    m_steps.clear();
    m_clock.cancelAlarm();
}

void Game::abandonSequence() {
    // The characters of an abandoned parade would otherwise stay on the window.
    for (int slot = 0; slot < m_slotsShown; ++slot)
        m_view.setSlotVisible(slot, false);
    m_slotsShown = 0;
    cancelSequence();
}

} // namespace wimbly
