#include "boardpoint.h"
#include "game.h"
#include "manualclock.h"
#include "randomsource.h"
#include "recorderview.h"
#include "scriptedrandom.h"

#include <QMap>
#include <QSet>
#include <QTest>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

using namespace wimbly;
using wimbly::test::RecorderView;
using Kind = RecorderView::Kind;
using Phase = Game::Phase;

namespace {

constexpr int CueDraw = 101;
constexpr int CueTurnDone = 102;
constexpr int CueCorrect = 103;
constexpr int CueWrong = 104;
constexpr int CueGameOver = 105;

// A draw that makes a shuffle of n entries pick position j.
double pick(int j, int n) {
    return (j + 0.5) / n;
}

// Draws for one shuffle of the 36 characters that bring `first` to the front and leave
// everything else where it stands.
std::vector<double> headFirst(int first) {
    std::vector<double> draws{pick(first, 36)};
    for (int i = 1; i < 36; ++i)
        draws.push_back(pick(i, 36));
    return draws;
}

// Delivers every alarm a fixed time after it fell due, as a busy event loop would.
class LateClock final : public Clock {
public:
    explicit LateClock(ManualClock& inner) : m_inner(inner) {}
    qint64 now() const override { return m_inner.now(); }
    void setAlarm(qint64 dueMs, std::function<void()> fn) override {
        m_inner.setAlarm(dueMs + lateness, std::move(fn));
    }
    void cancelAlarm() override { m_inner.cancelAlarm(); }
    bool alarmPending() const override { return m_inner.alarmPending(); }

    qint64 lateness = 0;

private:
    ManualClock& m_inner;
};

struct Rig {
    explicit Rig(bool scriptedDraws = false)
        : game(holder.emplace(view, late,
                              scriptedDraws ? static_cast<RandomSource&>(scripted) : system)) {}

    void advanceTo(qint64 time) { clock.advance(time - clock.now()); }
    void clickAt(double x, double y) { game.pressBoard(QPointF(x, y)); }
    void click(int cell) {
        const QPoint p = test::centreOfCell(cell);
        clickAt(p.x(), p.y());
    }
    int expected() const { return game.state().order.at(std::size_t(game.state().found)); }
    int notExpected() const { return (expected() + 1) % 36; }
    // Runs the sequence under way (turn end, celebration, parade) until the board is open.
    void finishParade() {
        while (game.sequenceRunning() && clock.advanceToAlarm()) {
        }
    }
    // Answers the open turn correctly; returns the time of its last click.
    qint64 answerTurn() {
        const auto order = game.state().order;
        for (int i = 0; i <= game.state().level; ++i)
            click(order.at(std::size_t(i)));
        return clock.now();
    }
    // Starts a game and plays it until the parade of the first turn at `level` has just
    // begun; returns the time that parade began.
    qint64 startParadeAt(int level) {
        game.start();
        while (game.state().level < level || game.state().turnsAtLevel != 0) {
            finishParade();
            const qint64 last = answerTurn();
            advanceTo(last + 1800);
            if (game.state().level == level && game.state().turnsAtLevel == 0)
                return last + 1800;
        }
        return clock.now();
    }
    int eventCount() const { return int(view.events.size()); }

    ManualClock clock;
    LateClock late{clock};
    RecorderView view{clock};
    ScriptedRandom scripted;
    SystemRandom system;
    std::optional<Game> holder;
    Game& game;
};

bool sameState(const GameState& a, const GameState& b) {
    return a.score == b.score && a.acceptsClicks == b.acceptsClicks && a.level == b.level &&
           a.turnsAtLevel == b.turnsAtLevel && a.found == b.found && a.lives == b.lives &&
           a.order == b.order && a.shuffleLength == b.shuffleLength;
}

enum class Moment { Idle, FirstParade, LaterParade, Halted, TurnEndPause, Celebration, GameOver };

// Brings a fresh rig to `moment` of a game.
void reach(Rig& rig, Moment moment) {
    auto& game = rig.game;
    switch (moment) {
    case Moment::Idle:
        return;
    case Moment::FirstParade:
        game.start();
        rig.clock.advance(700);
        return;
    case Moment::LaterParade:
        rig.advanceTo(rig.startParadeAt(1) + 700);
        return;
    case Moment::Halted:
        game.start();
        rig.finishParade();
        game.openHelp();
        return;
    case Moment::TurnEndPause:
        game.start();
        rig.finishParade();
        rig.answerTurn();
        rig.clock.advance(50);
        return;
    case Moment::Celebration:
        game.start();
        rig.finishParade();
        rig.answerTurn();
        rig.clock.advance(600);
        return;
    case Moment::GameOver:
        game.start();
        rig.finishParade();
        for (int i = 0; i < 4; ++i)
            rig.click(rig.notExpected());
        return;
    }
}

void addMomentRows(std::initializer_list<Moment> moments) {
    QTest::addColumn<Moment>("moment");
    for (Moment m : moments) {
        const char* name = "";
        switch (m) {
        case Moment::Idle:
            name = "idle";
            break;
        case Moment::FirstParade:
            name = "first parade";
            break;
        case Moment::LaterParade:
            name = "later parade";
            break;
        case Moment::Halted:
            name = "halted by help";
            break;
        case Moment::TurnEndPause:
            name = "turn end pause";
            break;
        case Moment::Celebration:
            name = "celebration";
            break;
        case Moment::GameOver:
            name = "game over";
            break;
        }
        QTest::newRow(name) << m;
    }
}

} // namespace

Q_DECLARE_METATYPE(Moment)

class GameTest : public QObject {
    Q_OBJECT

private slots:
    void shuffleMovesEachDrawnEntryToItsPlace();
    void shuffleGivesAPermutationAndLeavesTheRestAlone_data();
    void shuffleGivesAPermutationAndLeavesTheRestAlone();
    void shuffleCopesWithDrawsOutsideTheUnitRange();

    void paradeShowsTheTurnThenOpensTheBoard_data();
    void paradeShowsTheTurnThenOpensTheBoard();
    void eachParadeStepAndNothingElseAsksForItsCharactersName();
    void lateStepsDoNotPushTheRestOfTheParadeBack();
    void everyTurnShufflesAnew();
    void startDuringASequenceLeavesExactlyOneParade_data();
    void startDuringASequenceLeavesExactlyOneParade();
    void startWhileAnsweringBeginsAgainAtLevelZero();
    void destroyingTheGameLeavesNothingPending_data();
    void destroyingTheGameLeavesNothingPending();

    void clickFindsTheCellUnderThePointer_data();
    void clickFindsTheCellUnderThePointer();
    void correctClickFramesTheCellInsideItsGridLines_data();
    void correctClickFramesTheCellInsideItsGridLines();
    void clicksDoNothingWhileTheBoardIsNotAnswering_data();
    void clicksDoNothingWhileTheBoardIsNotAnswering();
    void scoreGrowsWithTheLevel_data();
    void scoreGrowsWithTheLevel();
    void wrongClicksTakeMarkersFromTheRightThenEndTheGame_data();
    void wrongClicksTakeMarkersFromTheRightThenEndTheGame();
    void wrongClickKeepsTheSameCharacterExpected();
    void turnEndClosesTheBoardCelebratesAndPresentsTheNextTurn_data();
    void turnEndClosesTheBoardCelebratesAndPresentsTheNextTurn();
    void celebrationPosesAreSpreadOverTheFourOpenings();
    void levelStaysAtItsTopAfterThreeMoreTurns();
    void helpPressClearsCanclickUntilTheNextParadeEnds_data();
    void helpPressClearsCanclickUntilTheNextParadeEnds();

    void rulesSetThePaceTheFirstLengthAndTheLives_data();
    void rulesSetThePaceTheFirstLengthAndTheLives();
    void practiceCostsNoLifeAndNeverEnds();
    void endedGamesAreReportedWithWhatTheyCameTo_data();
    void endedGamesAreReportedWithWhatTheyCameTo();
};

void GameTest::shuffleMovesEachDrawnEntryToItsPlace() {
    Rig rig(true);
    rig.scripted.setDraws({pick(2, 5), pick(4, 5), pick(0, 5), pick(3, 5), pick(3, 5)});
    rig.game.shuffle(5);
    const auto& order = rig.game.state().order;
    QCOMPARE(QList<qint16>(order.begin(), order.begin() + 5), (QList<qint16>{4, 0, 2, 3, 1}));
    QVERIFY(std::all_of(order.begin() + 5, order.end(), [](qint16 v) { return v == 0; }));
    QCOMPARE(rig.scripted.reseedCount(), 1);
    QCOMPARE(rig.scripted.drawCount(), 5);
}

void GameTest::shuffleGivesAPermutationAndLeavesTheRestAlone_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("filled");
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("36") << 36 << 36;
    QTest::newRow("41") << 41 << 41;
    QTest::newRow("above the array") << 1000 << 41;
    QTest::newRow("negative") << -3 << 0;
}

void GameTest::shuffleGivesAPermutationAndLeavesTheRestAlone() {
    QFETCH(int, n);
    QFETCH(int, filled);
    Rig rig;
    for (int round = 0; round < 50; ++round) {
        // A previous full shuffle gives the tail recognisable, non-zero contents.
        rig.game.shuffle(41);
        const auto before = rig.game.state().order;
        rig.game.shuffle(qint16(n));
        const auto& order = rig.game.state().order;
        QSet<int> seen;
        for (int i = 0; i < filled; ++i) {
            QVERIFY(order[i] >= 0 && order[i] < filled);
            seen.insert(order[i]);
        }
        QCOMPARE(int(seen.size()), filled);
        for (int i = filled; i < 41; ++i)
            QCOMPARE(order[i], before[i]);
    }
}

void GameTest::shuffleCopesWithDrawsOutsideTheUnitRange() {
    Rig rig(true);
    rig.scripted.setDraws({1.0, -0.25, 2.5, std::numeric_limits<double>::quiet_NaN(), 0.9999999});
    rig.game.shuffle(36);
    const auto& order = rig.game.state().order;
    QSet<int> seen(order.begin(), order.begin() + 36);
    QCOMPARE(int(seen.size()), 36);
    QVERIFY(std::all_of(order.begin(), order.begin() + 36, [](qint16 v) { return v < 36; }));
}

void GameTest::paradeShowsTheTurnThenOpensTheBoard_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("level 0") << 0;
    QTest::newRow("level 8, first row full") << 8;
    QTest::newRow("level 9, second row begun") << 9;
    QTest::newRow("level 35, every slot") << 35;
}

void GameTest::paradeShowsTheTurnThenOpensTheBoard() {
    QFETCH(int, level);
    Rig rig;
    const qint64 start = rig.startParadeAt(level);
    QCOMPARE(int(rig.game.state().level), level);
    QCOMPARE(rig.game.phase(), Phase::Presenting);
    // The help button clears acceptsClicks; only the parade's end may set it again.
    rig.game.openHelp();

    const int count = level + 1;
    for (int i = 0; i < count; ++i) {
        const qint64 due = start + 700 * i;
        if (i > 0) {
            rig.advanceTo(due - 1);
            QVERIFY(!rig.view.slotVisible[i]);
            QCOMPARE(int(rig.view.cuesSince(start).size()), i);
        }
        rig.advanceTo(due);
        QVERIFY2(rig.view.slotVisible[i], qPrintable(QString("slot %1").arg(i)));
        QCOMPARE(rig.view.visibleSlots(), i + 1);
        QCOMPARE(rig.view.cuesSince(start), QList<int>(i + 1, CueDraw));
        QVERIFY(!rig.view.boardVisible);
    }
    rig.advanceTo(start + 700 * (level + 2) - 1);
    QCOMPARE(rig.view.visibleSlots(), count);
    rig.advanceTo(start + 700 * (level + 2));
    QCOMPARE(rig.view.visibleSlots(), 0);

    rig.advanceTo(start + 700 * (level + 3) - 1);
    QVERIFY(!rig.view.boardVisible);
    QVERIFY(!rig.game.state().acceptsClicks);
    rig.advanceTo(start + 700 * (level + 3));
    QVERIFY(rig.view.boardVisible);
    QVERIFY(rig.game.state().acceptsClicks);
    QCOMPARE(rig.game.phase(), Phase::Answering);
    QVERIFY(!rig.game.sequenceRunning());

    // Only the turn's slots were used, with different characters, and they are the
    // characters the board now expects, in the order shown.
    QSet<int> characters;
    for (const auto& e : rig.view.eventsSince(start, Kind::SlotCharacter)) {
        QVERIFY(e.a < count);
        characters.insert(e.b);
    }
    QCOMPARE(int(characters.size()), count);
    const auto shown = rig.view.slotCharacter;
    for (int i = 0; i < count; ++i) {
        rig.click(shown[i]);
        QCOMPARE(rig.view.lastCue(), CueCorrect);
    }
    QCOMPARE(rig.game.state().lives, qint16(3));
    QCOMPARE(rig.game.phase(), Phase::TurnEnd);
}

// A game of three turns, wrong clicks in two of them and a game over: the names
// asked for are those of the parades' characters, in their order, each at its step right after
// its cue; clicks, turn ends and the game's end ask for none.
void GameTest::eachParadeStepAndNothingElseAsksForItsCharactersName() {
    Rig rig;
    int mark = rig.view.mark();
    rig.game.start();
    QList<int> paraded;
    for (int turn = 0; turn < 3; ++turn) {
        rig.finishParade();
        for (int i = 0; i <= rig.game.state().level; ++i)
            paraded << rig.game.state().order.at(std::size_t(i));
        // The step's own events: its slot's character, its cue, then its name, at one time.
        const QList<RecorderView::Event> names = rig.view.eventsFrom(mark, Kind::Name);
        QCOMPARE(int(names.size()), rig.game.state().level + 1);
        for (qsizetype i = mark; i < rig.view.events.size(); ++i) {
            const RecorderView::Event& e = rig.view.events[i];
            if (e.kind != Kind::Name)
                continue;
            const RecorderView::Event& before = rig.view.events[i - 1];
            QCOMPARE(before.kind, Kind::Cue);
            QCOMPARE(before.a, CueDraw);
            QCOMPARE(before.time, e.time);
        }
        if (turn < 2)
            rig.click(rig.notExpected());
        rig.answerTurn();
        mark = rig.view.mark();
        rig.advanceTo(rig.clock.now() + 1800);
    }
    rig.finishParade();
    for (int i = 0; i < 5 && rig.game.phase() != Phase::Over; ++i)
        rig.click(rig.notExpected());
    QCOMPARE(rig.game.phase(), Phase::Over);
    rig.advanceTo(rig.clock.now() + 10000);

    QList<int> named;
    for (const RecorderView::Event& e : rig.view.eventsSince(0, Kind::Name))
        named << e.a;
    const int lastLevel = rig.game.state().level;
    for (int i = 0; i <= lastLevel; ++i)
        paraded << rig.game.state().order.at(std::size_t(i));
    QCOMPARE(named, paraded);
}

void GameTest::lateStepsDoNotPushTheRestOfTheParadeBack() {
    Rig rig;
    const qint64 start = rig.startParadeAt(35);
    const int mark = rig.view.mark();
    rig.late.lateness = 40;
    rig.finishParade();
    const auto shown = rig.view.eventsFrom(mark, Kind::SlotCharacter);
    QCOMPARE(int(shown.size()), 35);
    // The alarm for slot 1 was set before the delay began.
    for (const auto& e : shown)
        QCOMPARE(e.time, start + 700 * e.a + (e.a > 1 ? 40 : 0));
    QCOMPARE(rig.view.eventsFrom(mark, Kind::Board).last().time, start + 26600 + 40);
}

void GameTest::everyTurnShufflesAnew() {
    Rig rig(true);
    // Each turn's shuffle and each celebration start from a fresh seed; the scripted draws
    // stand for what those seeds give. The same character may well come twice running.
    std::vector<double> draws;
    for (int first : {5, 5, 17}) {
        const auto turn = headFirst(first);
        draws.insert(draws.end(), turn.begin(), turn.end());
        draws.push_back(0.0); // the celebration's pose
    }
    rig.scripted.setDraws(draws);
    rig.game.start();
    QList<int> presented;
    for (int turn = 0; turn < 3; ++turn) {
        rig.finishParade();
        presented.append(rig.view.slotCharacter[0]);
        rig.answerTurn();
    }
    QCOMPARE(presented, (QList<int>{5, 5, 17}));
    // Three shuffles and the two celebrations between them.
    QCOMPARE(rig.scripted.reseedCount(), 5);
}

void GameTest::startDuringASequenceLeavesExactlyOneParade_data() {
    addMomentRows(
        {Moment::FirstParade, Moment::LaterParade, Moment::TurnEndPause, Moment::Celebration});
}

void GameTest::startDuringASequenceLeavesExactlyOneParade() {
    QFETCH(Moment, moment);
    Rig rig;
    reach(rig, moment);
    QVERIFY(rig.game.sequenceRunning());
    const qint64 press = rig.clock.now();
    const int before = rig.view.mark();
    rig.game.start();
    const int after = rig.view.mark();

    QCOMPARE(rig.view.visibleSlots(), 1);
    QVERIFY(rig.view.slotVisible[0]);
    QVERIFY(!rig.view.boardVisible);
    QVERIFY(!rig.view.mascotVisible);
    QVERIFY(rig.view.lines.isEmpty());
    QCOMPARE(rig.view.score, 0);
    QCOMPARE(rig.view.visibleMarkers(), 3);
    QCOMPARE(rig.game.state().level, qint16(0));

    rig.clock.advance(30000);
    QCOMPARE(rig.view.cuesFrom(before), QList<int>{CueDraw});
    const auto boards = rig.view.eventsFrom(before, Kind::Board);
    QCOMPARE(int(boards.size()), 2); // hidden by the press, shown once by the new parade
    QCOMPARE(boards.last().time, press + 2100);
    QVERIFY(rig.view.eventsFrom(after, Kind::Pose).isEmpty());
    QVERIFY(rig.view.eventsFrom(after, Kind::Mascot).isEmpty());
    QVERIFY(rig.view.eventsFrom(after, Kind::Clear).isEmpty());
    for (const auto& e : rig.view.eventsFrom(after, Kind::Slot))
        QCOMPARE(e.a, 0);
    QCOMPARE(rig.game.phase(), Phase::Answering);
    QVERIFY(!rig.game.sequenceRunning());
}

void GameTest::startWhileAnsweringBeginsAgainAtLevelZero() {
    Rig rig;
    rig.startParadeAt(1);
    rig.finishParade();
    rig.click(rig.notExpected());
    rig.click(rig.expected());
    QCOMPARE(rig.view.visibleMarkers(), 2);
    QVERIFY(!rig.view.lines.isEmpty());

    const int press = rig.view.mark();
    rig.game.start();
    QVERIFY2(rig.view.lines.isEmpty(), "the unfinished turn's frames leave with it");
    QCOMPARE(rig.view.score, 0);
    QCOMPARE(rig.view.visibleMarkers(), 3);
    QCOMPARE(rig.game.state().lives, qint16(3));
    QCOMPARE(rig.game.state().level, qint16(0));
    QCOMPARE(rig.game.state().found, qint16(0));
    QVERIFY(!rig.view.boardVisible);
    // The flag stays as the last turn left it, but the closed board judges nothing.
    QVERIFY(rig.game.state().acceptsClicks);
    const int before = rig.eventCount();
    rig.click(rig.expected());
    QCOMPARE(rig.eventCount(), before);

    rig.finishParade();
    for (const auto& e : rig.view.eventsFrom(press, Kind::Slot))
        QCOMPARE(e.a, 0);
    QVERIFY(rig.view.boardVisible);
}

void GameTest::destroyingTheGameLeavesNothingPending_data() {
    addMomentRows({Moment::FirstParade, Moment::TurnEndPause, Moment::Celebration});
}

void GameTest::destroyingTheGameLeavesNothingPending() {
    QFETCH(Moment, moment);
    Rig rig;
    reach(rig, moment);
    QVERIFY(rig.game.sequenceRunning());
    QVERIFY(rig.clock.alarmPending());
    rig.holder.reset();
    QVERIFY(!rig.clock.alarmPending());
    const int events = rig.eventCount();
    rig.clock.advance(60000);
    QCOMPARE(rig.eventCount(), events);
}

void GameTest::clickFindsTheCellUnderThePointer_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("cell"); // -1: the press is not on a cell
    QTest::newRow("(0, 0)") << 0.0 << 0.0 << 0;
    QTest::newRow("(37, 54)") << 37.0 << 54.0 << 0;
    QTest::newRow("(37.9, 54.9)") << 37.9 << 54.9 << 0;
    QTest::newRow("(38, 0)") << 38.0 << 0.0 << 1;
    QTest::newRow("(0, 55)") << 0.0 << 55.0 << 9;
    QTest::newRow("(341, 219)") << 341.0 << 219.0 << 35;
    QTest::newRow("(341, 0)") << 341.0 << 0.0 << 8;
    QTest::newRow("right border (342, 0)") << 342.0 << 0.0 << -1;
    QTest::newRow("right border (342, 219)") << 342.0 << 219.0 << -1;
    QTest::newRow("bottom border (0, 220)") << 0.0 << 220.0 << -1;
    QTest::newRow("bottom border (341, 220)") << 341.0 << 220.0 << -1;
    QTest::newRow("corner (342, 220)") << 342.0 << 220.0 << -1;
    QTest::newRow("beyond (500, 30)") << 500.0 << 30.0 << -1;
    QTest::newRow("left of the board") << -1.0 << 10.0 << -1;
    QTest::newRow("just above the board") << 10.0 << -0.5 << -1;
    QTest::newRow("not a number") << std::nan("") << 10.0 << -1;
}

void GameTest::clickFindsTheCellUnderThePointer() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, cell);
    for (int target : {0, 1, 8, 9, 35}) {
        Rig rig(true);
        rig.scripted.setDraws(headFirst(target));
        rig.game.start();
        rig.finishParade();
        QCOMPARE(rig.expected(), target);
        const GameState before = rig.game.state();
        const int events = rig.eventCount();
        rig.clickAt(x, y);
        if (cell < 0) {
            QCOMPARE(rig.eventCount(), events);
            QVERIFY(sameState(rig.game.state(), before));
        } else {
            QCOMPARE(rig.view.lastCue(), cell == target ? CueCorrect : CueWrong);
        }
    }
}

void GameTest::correctClickFramesTheCellInsideItsGridLines_data() {
    QTest::addColumn<int>("cell");
    QTest::addColumn<QList<QLine>>("frame");
    QTest::newRow("cell 0") << 0
                            << QList<QLine>{
                                   {1, 1, 37, 1}, {1, 1, 1, 54}, {37, 1, 37, 54}, {1, 54, 37, 54}};
    QTest::newRow("cell 10") << 10
                             << QList<QLine>{{39, 56, 75, 56},
                                             {39, 56, 39, 109},
                                             {75, 56, 75, 109},
                                             {39, 109, 75, 109}};
    QTest::newRow("cell 35") << 35
                             << QList<QLine>{{305, 166, 341, 166},
                                             {305, 166, 305, 219},
                                             {341, 166, 341, 219},
                                             {305, 219, 341, 219}};
}

void GameTest::correctClickFramesTheCellInsideItsGridLines() {
    QFETCH(int, cell);
    QFETCH(QList<QLine>, frame);
    Rig rig(true);
    rig.scripted.setDraws(headFirst(cell));
    rig.game.start();
    rig.finishParade();
    rig.click(cell);
    QCOMPARE(rig.view.lines, frame);
    // The frame stays until the board closes at the turn's end.
    rig.clock.advance(99);
    QCOMPARE(rig.view.lines, frame);
    rig.clock.advance(1);
    QVERIFY(rig.view.lines.isEmpty());
}

void GameTest::clicksDoNothingWhileTheBoardIsNotAnswering_data() {
    addMomentRows({Moment::Idle, Moment::FirstParade, Moment::LaterParade, Moment::Halted,
                   Moment::TurnEndPause, Moment::Celebration, Moment::GameOver});
}

void GameTest::clicksDoNothingWhileTheBoardIsNotAnswering() {
    QFETCH(Moment, moment);
    Rig rig;
    reach(rig, moment);
    const GameState before = rig.game.state();
    const int events = rig.eventCount();
    // The character expected next, a wrong one, and the finished turn's first one again.
    rig.click(rig.expected());
    rig.click(rig.notExpected());
    rig.click(before.order[0]);
    QCOMPARE(rig.eventCount(), events);
    QVERIFY(sameState(rig.game.state(), before));
}

void GameTest::scoreGrowsWithTheLevel_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("perClick");
    QTest::addColumn<int>("startScore");
    QTest::newRow("level 0") << 0 << 100 << 0;
    QTest::newRow("level 1, after three turns") << 1 << 200 << 300;
    QTest::newRow("level 2") << 2 << 300 << 1500;
}

void GameTest::scoreGrowsWithTheLevel() {
    QFETCH(int, level);
    QFETCH(int, perClick);
    QFETCH(int, startScore);
    Rig rig;
    rig.startParadeAt(level);
    rig.finishParade();
    QCOMPARE(rig.view.score, startScore);
    for (int i = 1; i <= level + 1; ++i) {
        rig.click(rig.expected());
        QCOMPARE(rig.view.score, startScore + i * perClick);
        QCOMPARE(rig.game.state().score, rig.view.score);
    }
    QCOMPARE(rig.game.phase(), Phase::TurnEnd);
}

void GameTest::wrongClicksTakeMarkersFromTheRightThenEndTheGame_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("no points yet") << 0;
    QTest::newRow("frames on the board") << 1;
}

void GameTest::wrongClicksTakeMarkersFromTheRightThenEndTheGame() {
    QFETCH(int, level);
    Rig rig;
    rig.startParadeAt(level);
    rig.finishParade();
    if (level > 0)
        rig.click(rig.expected());
    const GameState answering = rig.game.state();

    for (int marker = 2; marker >= 0; --marker) {
        rig.click(rig.notExpected());
        QCOMPARE(rig.view.lastCue(), CueWrong);
        QVERIFY(!rig.view.markerVisible[marker]);
        QCOMPARE(rig.view.visibleMarkers(), marker);
        QCOMPARE(rig.game.phase(), Phase::Answering);
        QCOMPARE(rig.game.state().found, answering.found);
        QCOMPARE(rig.game.state().score, answering.score);
    }
    const int last = rig.view.mark();
    rig.click(rig.notExpected());
    QCOMPARE(rig.view.cuesFrom(last), (QList<int>{CueWrong, CueGameOver}));
    QVERIFY(rig.view.eventsFrom(last, Kind::Marker).isEmpty());
    QVERIFY(!rig.view.boardVisible);
    QVERIFY(rig.view.lines.isEmpty());
    QVERIFY(rig.view.mascotVisible);
    QCOMPARE(rig.view.mascotPose, 302);
    QVERIFY(!rig.game.state().acceptsClicks);
    QCOMPARE(rig.game.phase(), Phase::Over);
    QCOMPARE(rig.view.leaderboardScores, QList<qint32>{rig.view.score});
    QVERIFY(!rig.game.sequenceRunning());
}

void GameTest::wrongClickKeepsTheSameCharacterExpected() {
    Rig rig;
    rig.startParadeAt(1);
    rig.finishParade();
    const auto order = rig.game.state().order;
    rig.click(order[0]);
    rig.click(order[0]); // already found: now a wrong click
    QCOMPARE(rig.view.lastCue(), CueWrong);
    rig.click(order[1]);
    QCOMPARE(rig.view.lastCue(), CueCorrect);
    QCOMPARE(rig.game.phase(), Phase::TurnEnd);
}

void GameTest::turnEndClosesTheBoardCelebratesAndPresentsTheNextTurn_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("level 0") << 0;
    QTest::newRow("level 2") << 2;
}

void GameTest::turnEndClosesTheBoardCelebratesAndPresentsTheNextTurn() {
    QFETCH(int, level);
    Rig rig;
    rig.startParadeAt(level);
    rig.finishParade();
    const auto order = rig.game.state().order;
    for (int i = 0; i < level; ++i)
        rig.click(order[i]);
    QCOMPARE(rig.game.phase(), Phase::Answering);
    const int mark = rig.view.mark();
    const qint64 end = rig.clock.now();
    rig.click(order[level]);
    QCOMPARE(rig.view.cuesFrom(mark), QList<int>{CueCorrect});

    rig.advanceTo(end + 99);
    QVERIFY(rig.view.boardVisible);
    QVERIFY(!rig.view.lines.isEmpty());
    QVERIFY(!rig.view.mascotVisible);
    rig.advanceTo(end + 100);
    QVERIFY(!rig.view.boardVisible);
    QVERIFY(rig.view.lines.isEmpty());
    QCOMPARE(rig.view.cuesFrom(mark), (QList<int>{CueCorrect, CueTurnDone}));
    QVERIFY(rig.view.mascotVisible);
    const int opening = rig.view.mascotPose;
    QVERIFY(opening >= 301 && opening <= 304);
    QCOMPARE(rig.game.phase(), Phase::Celebrating);

    rig.advanceTo(end + 499);
    QCOMPARE(rig.view.mascotPose, opening);
    rig.advanceTo(end + 500);
    QCOMPARE(rig.view.mascotPose, 305);
    rig.advanceTo(end + 1299);
    QVERIFY(rig.view.mascotVisible);
    rig.advanceTo(end + 1300);
    QVERIFY(!rig.view.mascotVisible);
    rig.advanceTo(end + 1799);
    QVERIFY(!rig.view.boardVisible);
    QCOMPARE(rig.view.visibleSlots(), 0);
    QCOMPARE(int(rig.view.cuesFrom(mark).size()), 2);
    rig.advanceTo(end + 1800);
    QCOMPARE(rig.view.visibleSlots(), 1);
    QCOMPARE(rig.view.cuesFrom(mark), (QList<int>{CueCorrect, CueTurnDone, CueDraw}));
    QCOMPARE(rig.game.phase(), Phase::Presenting);
}

void GameTest::celebrationPosesAreSpreadOverTheFourOpenings() {
    Rig rig;
    QMap<int, int> poses;
    constexpr int celebrations = 400;
    for (int i = 0; i < celebrations; ++i) {
        rig.game.start();
        rig.finishParade();
        rig.answerTurn();
        rig.clock.advance(100);
        ++poses[rig.view.mascotPose];
        rig.clock.advance(1100);
        QCOMPARE(rig.view.mascotPose, 305);
        rig.clock.advance(100);
        QVERIFY(!rig.view.mascotVisible);
    }
    QCOMPARE(poses.keys(), (QList<int>{301, 302, 303, 304}));
    for (int count : poses)
        QVERIFY2(count > celebrations / 4 - 45 && count < celebrations / 4 + 45,
                 qPrintable(QString::number(count)));
}

void GameTest::levelStaysAtItsTopAfterThreeMoreTurns() {
    Rig rig;
    rig.startParadeAt(35);
    for (int turn = 0; turn < 3; ++turn) {
        rig.finishParade();
        rig.answerTurn();
        QCOMPARE(rig.game.state().level, qint16(35));
        QCOMPARE(rig.game.state().turnsAtLevel, qint16((turn + 1) % 3));
        rig.clock.advance(1800);
    }
    rig.finishParade();
    QCOMPARE(rig.view.visibleSlots(), 0);
    QSet<int> shown(rig.view.slotCharacter.begin(), rig.view.slotCharacter.end());
    QCOMPARE(int(shown.size()), 36);
}

void GameTest::helpPressClearsCanclickUntilTheNextParadeEnds_data() {
    addMomentRows({Moment::LaterParade, Moment::TurnEndPause, Moment::Celebration});
}

void GameTest::helpPressClearsCanclickUntilTheNextParadeEnds() {
    QFETCH(Moment, moment);
    Rig rig;
    reach(rig, moment);
    rig.game.openHelp();
    QCOMPARE(int(rig.view.eventsSince(0, Kind::Help).size()), 1);
    QVERIFY(!rig.game.state().acceptsClicks);
    QVERIFY(rig.game.sequenceRunning());
    rig.clock.advance(1000);
    QVERIFY(!rig.game.state().acceptsClicks);
    rig.finishParade();
    QVERIFY(rig.game.state().acceptsClicks);
    rig.click(rig.expected());
    QCOMPARE(rig.view.lastCue(), CueCorrect);
}

void GameTest::rulesSetThePaceTheFirstLengthAndTheLives_data() {
    QTest::addColumn<int>("pace");
    QTest::addColumn<int>("startLength");
    QTest::addColumn<int>("lives");
    QTest::addColumn<int>("boardOpensAt");
    QTest::addColumn<int>("firstPoints");
    QTest::newRow("as always") << 700 << 1 << 3 << 2100 << 100;
    QTest::newRow("three years old") << 1500 << 1 << 5 << 4500 << 100;
    QTest::newRow("seven years old") << 500 << 4 << 2 << 3000 << 400;
    QTest::newRow("one life") << 400 << 3 << 1 << 2000 << 300;
    QTest::newRow("the most of everything") << 3000 << 36 << 9 << 114000 << 3600;
}

// With N characters the board opens N + 2 steps after the first one appears; a correct click
// scores (level + 1) x 100 from the first turn's level on; the last of N lives is lost by the
// Nth wrong click and the next one ends the game.
void GameTest::rulesSetThePaceTheFirstLengthAndTheLives() {
    QFETCH(int, pace);
    QFETCH(int, startLength);
    QFETCH(int, lives);
    QFETCH(int, boardOpensAt);
    QFETCH(int, firstPoints);
    Rig rig;
    rig.game.start(Rules{pace, startLength, lives, false});
    QCOMPARE(rig.view.visibleMarkers(), lives);
    rig.advanceTo(boardOpensAt - 1);
    QVERIFY(!rig.view.boardVisible);
    QCOMPARE(rig.view.eventsSince(0, Kind::Slot).count(), 2 * startLength);
    QCOMPARE(rig.view.eventsSince(pace * (startLength - 1), Kind::Cue).count(), 1);
    rig.advanceTo(boardOpensAt);
    QVERIFY(rig.view.boardVisible);
    QVERIFY(rig.game.takesPresses());

    for (int left = lives - 1; left >= 0; --left) {
        rig.click(rig.notExpected());
        QCOMPARE(rig.view.visibleMarkers(), left);
        QVERIFY(!rig.view.markerVisible[std::size_t(left)]);
        QCOMPARE(rig.game.phase(), Phase::Answering);
    }
    rig.click(rig.expected());
    QCOMPARE(rig.view.score, firstPoints);
    rig.finishParade();
    for (int i = 0; i < 5 && rig.game.phase() != Phase::Over; ++i)
        rig.click(rig.notExpected());
    QCOMPARE(rig.game.phase(), Phase::Over);
    QCOMPARE(rig.view.leaderboardScores.size(), 1);

    // The next game by the usual rules shows three markers again, not the nine of the last.
    rig.game.start(Rules{});
    QCOMPARE(rig.view.visibleMarkers(), 3);
}

void GameTest::practiceCostsNoLifeAndNeverEnds() {
    Rig rig;
    rig.game.start(Rules{700, 1, 3, true});
    QCOMPARE(rig.view.visibleMarkers(), 0);
    rig.finishParade();
    for (int i = 0; i < 50; ++i) {
        rig.click(rig.notExpected());
        QCOMPARE(rig.view.lastCue(), CueWrong);
    }
    QCOMPARE(rig.game.phase(), Phase::Answering);
    QVERIFY(rig.view.leaderboardScores.isEmpty());
    rig.click(rig.expected());
    QCOMPARE(rig.view.score, 100);
    rig.game.end(Ending::Closed);
    QCOMPARE(rig.view.endedGames.size(), 1);
    QCOMPARE(rig.view.endedGames[0].mistakes, 50);
    QCOMPARE(rig.view.endedGames[0].rules.practice, true);
}

void GameTest::endedGamesAreReportedWithWhatTheyCameTo_data() {
    QTest::addColumn<int>("turnsDone");
    QTest::addColumn<int>("wrongClicks");
    QTest::addColumn<bool>("restart");
    QTest::addColumn<int>("ending");
    QTest::addColumn<int>("longest");
    QTest::addColumn<int>("score");
    QTest::newRow("over after four turns") << 4 << 4 << false << int(Ending::Over) << 2 << 700;
    QTest::newRow("restarted") << 1 << 1 << true << int(Ending::Restart) << 1 << 100;
    QTest::newRow("closed") << 0 << 2 << false << int(Ending::Closed) << 0 << 0;
    QTest::newRow("no press: nothing to report") << 0 << 0 << false << -1 << 0 << 0;
}

void GameTest::endedGamesAreReportedWithWhatTheyCameTo() {
    QFETCH(int, turnsDone);
    QFETCH(int, wrongClicks);
    QFETCH(bool, restart);
    QFETCH(int, ending);
    QFETCH(int, longest);
    QFETCH(int, score);
    Rig rig;
    rig.advanceTo(5000);
    rig.game.start();
    for (int turn = 0; turn < turnsDone; ++turn) {
        rig.finishParade();
        rig.answerTurn();
    }
    rig.finishParade();
    for (int i = 0; i < wrongClicks; ++i)
        rig.click(rig.notExpected());
    if (rig.game.inProgress())
        rig.advanceTo(rig.clock.now() + 250);
    const qint64 endTime = rig.clock.now();
    if (restart)
        rig.game.start();
    else if (rig.game.inProgress())
        rig.game.end(Ending::Closed);
    QVERIFY(!rig.game.inProgress() || restart);

    if (ending < 0) {
        QVERIFY(rig.view.endedGames.isEmpty());
        return;
    }
    QCOMPARE(rig.view.endedGames.size(), 1);
    const GameSummary& game = rig.view.endedGames[0];
    QCOMPARE(int(game.ending), ending);
    QCOMPARE(game.turns, turnsDone);
    QCOMPARE(game.longest, longest);
    QCOMPARE(game.mistakes, wrongClicks);
    QCOMPARE(game.score, score);
    QCOMPARE(game.rules, Rules{});
    QCOMPARE(game.milliseconds, endTime - 5000);
    // Ending again, or once more when it is over, reports nothing new.
    rig.game.end(Ending::Closed);
    QCOMPARE(rig.view.endedGames.size(), 1);
}

QTEST_GUILESS_MAIN(GameTest)
#include "tst_game.moc"
