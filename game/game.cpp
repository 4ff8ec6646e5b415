#include "game.h"

#include <QLine>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace wimbly {

namespace {

constexpr qint64 PresentStepMs = 700;
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
constexpr int BoardWidth = Game::Columns * Game::CellWidth;
constexpr int BoardHeight = Game::Rows * Game::CellHeight;

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

void Game::Picbeg_Click() {
    abandonSequence();
    m_view.setBoardVisible(false);
    // Frames of a turn left unfinished (or ended a moment ago) must not reappear on the new
    // game's first board.
    m_view.clearBoard();
    m_view.setMascotVisible(false);
    m_state.level = 0;
    m_state.lcount = 0;
    m_state.hcount = 0;
    m_state.fcount = 0;
    m_state.lives = StartLives;
    for (int marker = 0; marker < StartLives; ++marker)
        m_view.setMarkerVisible(marker, true);
    m_view.showScore(m_state.fcount);
    ShowTurn(m_clock.now());
}

void Game::Pichp_Click() {
    m_state.canclick = false;
    if (m_phase == Phase::Answering)
        setPhase(Phase::Halted);
    m_view.openHelp();
}

void Game::PicAll_MouseDown(int button, int shift, float X, float Y) {
    Q_UNUSED(button);
    Q_UNUSED(shift);
    // Between the last correct click of a turn and the next parade's end the board is
    // closing or closed; a late click must not be judged against the finished turn.
    if (!m_state.canclick || m_phase != Phase::Answering)
        return;
    // The outer right and bottom grid lines belong to no cell; the negated test also
    // turns away NaN.
    if (!(X >= 0 && X < BoardWidth && Y >= 0 && Y < BoardHeight))
        return;
    const int column = static_cast<int>(X) / CellWidth;
    const int row = static_cast<int>(Y) / CellHeight;
    const int cell = Columns * row + column;
    if (cell == m_state.order[static_cast<std::size_t>(m_state.hcount)])
        correctClick(column, row);
    else
        wrongClick();
}

void Game::Shuffle(qint16 n) {
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

void Game::ShowTurn(qint64 start) {
    setPhase(Phase::Presenting);
    Shuffle(m_state.pcount);
    const int last = m_state.level;
    Steps steps;
    for (int i = 0; i <= last; ++i) {
        steps.push_back({start + PresentStepMs * i, [this, i] {
                             const auto slot = static_cast<std::size_t>(i);
                             m_view.setSlotCharacter(i, m_state.order[slot]);
                             m_view.setSlotVisible(i, true);
                             m_slotsShown = i + 1;
                             m_view.playCue(res::CuePresent);
                         }});
    }
    const qint64 slotsGone = start + PresentStepMs * (last + LastInViewSteps);
    steps.push_back({slotsGone, [this, last] {
                         for (int i = 0; i <= last; ++i)
                             m_view.setSlotVisible(i, false);
                         m_slotsShown = 0;
                     }});
    steps.push_back({slotsGone + PresentStepMs * EmptySteps, [this] {
                         m_state.canclick = true;
                         setPhase(Phase::Answering);
                         m_view.setBoardVisible(true);
                     }});
    runSequence(std::move(steps));
}

void Game::Celebrate(qint64 start, Steps& steps) {
    steps.push_back({start, [this] {
                         setPhase(Phase::Celebrating);
                         m_random.reseed();
                         const int pose = drawIndex(m_random.next(), res::OpeningPoseCount);
                         m_view.setMascotPose(res::openingPose(pose));
                         m_view.setMascotVisible(true);
                     }});
    steps.push_back({start + OpeningPoseMs, [this] { m_view.setMascotPose(res::MascotLeap); }});
    steps.push_back({start + MascotGoneMs, [this] { m_view.setMascotVisible(false); }});
    steps.push_back({start + CelebrationMs, [this, start] { ShowTurn(start + CelebrationMs); }});
}

void Game::GameOver() {
    m_view.clearBoard();
    m_view.playCue(res::CueGameOver);
    m_state.canclick = false;
    setPhase(Phase::Over);
    m_view.openLeaderboard(m_state.fcount);
}

void Game::correctClick(int column, int row) {
    // A score past the largest 32-bit number stays there: wrapping round would make it negative
    // and keep the longest game of all out of the leaderboard.
    const qint64 score = qint64(m_state.fcount) + (m_state.level + 1) * PointsPerLevel;
    m_state.fcount =
        static_cast<qint32>(std::min<qint64>(score, std::numeric_limits<qint32>::max()));
    m_view.showScore(m_state.fcount);
    // A white frame one pixel inside the cell's grid lines.
    const int left = CellWidth * column;
    const int top = CellHeight * row;
    const int right = left + CellWidth - 1;
    const int bottom = top + CellHeight - 1;
    m_view.drawOnBoard(QLine(left + 1, top + 1, right, top + 1));
    m_view.drawOnBoard(QLine(left + 1, top + 1, left + 1, bottom));
    m_view.drawOnBoard(QLine(right, top + 1, right, bottom));
    m_view.drawOnBoard(QLine(left + 1, bottom, right, bottom));
    ++m_state.hcount;
    m_view.playCue(res::CueCorrect);
    if (m_state.hcount > m_state.level)
        endTurn();
}

void Game::wrongClick() {
    --m_state.lives;
    m_view.playCue(res::CueWrong);
    if (m_state.lives >= 0) {
        m_view.setMarkerVisible(m_state.lives, false);
        return;
    }
    m_view.setBoardVisible(false);
    m_view.setMascotPose(res::MascotCross);
    m_view.setMascotVisible(true);
    GameOver();
}

void Game::endTurn() {
    m_state.hcount = 0;
    if (++m_state.lcount >= TurnsPerLevel) {
        m_state.lcount = 0;
        m_state.level = static_cast<qint16>(std::min(m_state.level + 1, MaxLevel));
    }
    setPhase(Phase::TurnEnd);
    const qint64 closing = m_clock.now() + TurnEndPauseMs;
    Steps steps;
    steps.push_back({closing, [this] {
                         m_view.setBoardVisible(false);
                         m_view.clearBoard();
                         m_view.playCue(res::CueTurnDone);
                     }});
    Celebrate(closing, steps);
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
