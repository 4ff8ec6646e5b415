#include "boardpoint.h"
#include "helpwindow.h"
#include "keyboardplay.h"
#include "leaderboardwindow.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "options.h"
#include "parentsmenu.h"
#include "randomsource.h"
#include "silentoutput.h"

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using wimbly::Game;
using wimbly::KeyboardPlay;
using wimbly::MainWindow;
using wimbly::ManualClock;
using wimbly::SeededRandom;
using wimbly::test::silence;

namespace {

// Runs the pending sequence until the board is open for answers.
void runUntilAnswering(ManualClock& clock, const Game& game) {
    while (game.phase() != Game::Phase::Answering && clock.advanceToAlarm()) {
    }
    QCOMPARE(game.phase(), Game::Phase::Answering);
}

KeyboardPlay& keyboardOf(MainWindow& mainWindow) {
    return mainWindow.keyboard();
}

QWidget* highlightOf(MainWindow& mainWindow) {
    return mainWindow.board().findChild<QWidget*>(QStringLiteral("cellHighlight"));
}

// Moves the highlight to board cell `cell` with the arrow keys alone, from wherever it stands.
void walkTo(MainWindow& mainWindow, int cell) {
    KeyboardPlay& keyboard = keyboardOf(mainWindow);
    if (!keyboard.highlightShown())
        QTest::keyClick(&mainWindow, Qt::Key_Down);
    QVERIFY(keyboard.highlightShown());
    const QPoint target(cell % 9, cell / 9);
    while (keyboard.cell().x() < target.x())
        QTest::keyClick(&mainWindow, Qt::Key_Right);
    while (keyboard.cell().x() > target.x())
        QTest::keyClick(&mainWindow, Qt::Key_Left);
    while (keyboard.cell().y() < target.y())
        QTest::keyClick(&mainWindow, Qt::Key_Down);
    while (keyboard.cell().y() > target.y())
        QTest::keyClick(&mainWindow, Qt::Key_Up);
    QCOMPARE(keyboard.cell(), target);
}

} // namespace

class TestKeyboardPlay : public QObject {
    Q_OBJECT
private slots:
    void wholeGameIsPlayedWithArrowsAndEnterOnly();
    void enterAndSpaceNeverRestartARunningGame_data();
    void enterAndSpaceNeverRestartARunningGame();
    void aHeldKeyPressesOnceAndTheKeypadCounts_data();
    void aHeldKeyPressesOnceAndTheKeypadCounts();
    void highlightIsAGoldRingInsideTheCellApartFromTheFrames();
    void highlightAppearsWithTheFirstArrowAndStopsAtTheEdges();
    void f1HaltsTheBoardLikeTheHelpButtonAndKeysDoNothingWhileItIsOpen();
    void oneSwitchPlaysAsTheRingScansTheBoard_data();
    void oneSwitchPlaysAsTheRingScansTheBoard();
};

void TestKeyboardPlay::wholeGameIsPlayedWithArrowsAndEnterOnly() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    ManualClock clock;
    SeededRandom random(13);
    MainWindow mainWindow({&clock, &random, folder.path(), silence()});
    mainWindow.show();

    QTest::keyClick(&mainWindow, Qt::Key_Return);
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Presenting);
    QVERIFY(mainWindow.lifeMarker(2).isVisible());

    // Three turns of one character at 100 points, then two of two at 200.
    const QStringList scores{"100", "200", "300", "500", "700", "900", "1100"};
    qsizetype shown = 0;
    for (int turn = 0; turn < 5; ++turn) {
        runUntilAnswering(clock, mainWindow.game());
        QVERIFY2(!keyboardOf(mainWindow).highlightShown(),
                 "no highlight before the first arrow key");
        const int level = mainWindow.game().state().level;
        for (int i = 0; i <= level; ++i) {
            walkTo(mainWindow, mainWindow.game().state().order[i]);
            QTest::keyClick(&mainWindow, i % 2 ? Qt::Key_Space : Qt::Key_Return);
            QCOMPARE(mainWindow.scoreLabel().text(), scores.at(shown++));
        }
        clock.advance(100);
        QVERIFY(!mainWindow.board().isVisible());
        QVERIFY2(!keyboardOf(mainWindow).highlightShown(), "the highlight goes with the board");
    }
    QCOMPARE(shown, scores.size());

    // Four wrong presses end the game.
    runUntilAnswering(clock, mainWindow.game());
    walkTo(mainWindow, (mainWindow.game().state().order[0] + 1) % 36);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(&mainWindow, Qt::Key_Return);
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Over);
    auto* leaderboard = qobject_cast<wimbly::LeaderboardWindow*>(mainWindow.secondaryWindow());
    QVERIFY(leaderboard);
    QCOMPARE(leaderboard->score(), 1100);

    // While the leaderboard is open the main window's keys do nothing.
    QVERIFY(!mainWindow.isEnabled());
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_F1, Qt::Key_Left})
        QTest::keyClick(&mainWindow, key);
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Over);
    QCOMPARE(mainWindow.secondaryWindow(), leaderboard);

    auto* name = leaderboard->findChild<QLineEdit*>();
    QVERIFY(name);
    QTest::keyClicks(name, QStringLiteral("kim"));
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(mainWindow.isEnabled());

    // Once the leaderboard has closed, Enter starts the next game.
    QTest::keyClick(&mainWindow, Qt::Key_Return);
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Presenting);
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("0"));
}

void TestKeyboardPlay::enterAndSpaceNeverRestartARunningGame_data() {
    QTest::addColumn<Game::Phase>("phase");
    QTest::addColumn<Qt::Key>("key");
    const std::pair<Game::Phase, const char*> phases[] = {
        {Game::Phase::Presenting, "presenting"},
        {Game::Phase::Answering, "answering"},
        {Game::Phase::Halted, "halted"},
        {Game::Phase::TurnEnd, "turn end"},
        {Game::Phase::Celebrating, "celebrating"}};
    for (const auto& [phase, name] : phases) {
        QTest::addRow("%s, Enter", name) << phase << Qt::Key_Return;
        QTest::addRow("%s, keypad Enter", name) << phase << Qt::Key_Enter;
        QTest::addRow("%s, Space", name) << phase << Qt::Key_Space;
    }
}

// A restart would put the score back to 0 and begin the first turn's parade again.
void TestKeyboardPlay::enterAndSpaceNeverRestartARunningGame() {
    QFETCH(Game::Phase, phase);
    QFETCH(Qt::Key, key);
    ManualClock clock;
    SeededRandom random(13);
    MainWindow mainWindow({&clock, &random, {}, silence()});
    mainWindow.show();
    mainWindow.startButton().clicked();
    runUntilAnswering(clock, mainWindow.game());
    const int first = mainWindow.game().state().order[0];
    // A wrong press costs a marker, then the right one ends the turn.
    mainWindow.game().pressCell((first + 1) % 36);
    mainWindow.game().pressCell(first);
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("100"));
    while (mainWindow.game().phase() != phase && clock.advanceToAlarm()) {
        if (phase == Game::Phase::Halted && mainWindow.game().phase() == Game::Phase::Answering) {
            mainWindow.helpButton().clicked();
            mainWindow.secondaryWindow()->close();
        }
    }
    QCOMPARE(mainWindow.game().phase(), phase);
    const qint64 due = clock.alarmDue();
    const bool pending = clock.alarmPending();
    const auto order = mainWindow.game().state().order;

    QTest::keyClick(&mainWindow, key);
    QTest::keyClick(&mainWindow, key);

    QVERIFY(mainWindow.scoreLabel().text() != QStringLiteral("0"));
    QVERIFY(!mainWindow.lifeMarker(2).isVisible());
    // In the other phases the keys change nothing at all; while answering the second key
    // presses a cell, which may score or cost a marker.
    if (phase != Game::Phase::Answering) {
        QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("100"));
        QCOMPARE(mainWindow.game().phase(), phase);
        QCOMPARE(mainWindow.game().state().turnsAtLevel, 1);
        QCOMPARE(mainWindow.game().state().order, order);
        QCOMPARE(clock.alarmPending(), pending);
        if (pending)
            QCOMPARE(clock.alarmDue(), due);
    }
}

void TestKeyboardPlay::aHeldKeyPressesOnceAndTheKeypadCounts_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Enter") << Qt::Key_Return << Qt::KeyboardModifiers();
    // The keypad's Enter comes with the keypad modifier.
    QTest::newRow("keypad Enter") << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier);
    QTest::newRow("Space") << Qt::Key_Space << Qt::KeyboardModifiers();
}

// A child who keeps the key down on a wrong cell loses one marker, not every marker one after
// another and then the game, with a new game started by the key still held.
void TestKeyboardPlay::aHeldKeyPressesOnceAndTheKeypadCounts() {
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    ManualClock clock;
    SeededRandom random(13);
    MainWindow mainWindow({&clock, &random, {}, silence()});
    mainWindow.show();
    const auto send = [&](QEvent::Type type, bool autoRepeat) {
        QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
        QCoreApplication::sendEvent(&mainWindow, &event);
    };
    send(QEvent::KeyPress, false);
    send(QEvent::KeyRelease, false);
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Presenting);
    runUntilAnswering(clock, mainWindow.game());
    walkTo(mainWindow, (mainWindow.game().state().order[0] + 1) % 36);

    send(QEvent::KeyPress, false);
    for (int i = 0; i < 8; ++i) {
        send(QEvent::KeyRelease, true);
        send(QEvent::KeyPress, true);
    }
    send(QEvent::KeyRelease, false);

    QCOMPARE(mainWindow.game().phase(), Game::Phase::Answering);
    QVERIFY(mainWindow.lifeMarker(1).isVisible());
    QVERIFY(!mainWindow.lifeMarker(2).isVisible());
    QCOMPARE(mainWindow.game().state().lives, 2);
    QCOMPARE(mainWindow.secondaryWindow(), nullptr);
}

void TestKeyboardPlay::highlightIsAGoldRingInsideTheCellApartFromTheFrames() {
    ManualClock clock;
    SeededRandom random(13);
    MainWindow mainWindow({&clock, &random, {}, silence()});
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QTest::keyClick(&mainWindow, Qt::Key_Space);
    runUntilAnswering(clock, mainWindow.game());
    const QImage before = mainWindow.board().grab().toImage().convertToFormat(QImage::Format_RGB32);

    // Row 1, column 1: a cell with neighbours on every side.
    const int cell = 10;
    walkTo(mainWindow, cell);
    const QImage after = mainWindow.board().grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(after.size(), before.size());

    const qreal ratio = after.devicePixelRatio();
    // Inside the white frame: from two pixels in from the grid lines.
    const QRectF ring(38 * (cell % 9) + 2, 55 * (cell / 9) + 2, 35, 52);
    int gold = 0;
    for (int y = 0; y < after.height(); ++y) {
        for (int x = 0; x < after.width(); ++x) {
            if (after.pixel(x, y) == before.pixel(x, y))
                continue;
            const QPointF logical(x / ratio, y / ratio);
            QVERIFY2(ring.contains(logical),
                     qPrintable(QStringLiteral("changed at %1, %2").arg(x).arg(y)));
            const QColor colour = after.pixelColor(x, y);
            QVERIFY2(colour != QColor(Qt::white), "the highlight is not the white frame");
            if (colour == QColor(255, 200, 0))
                ++gold;
        }
    }
    // The ring's four sides, three board pixels wide.
    QVERIFY2(gold * 1.0 / (ratio * ratio) >= 2 * 3 * (35 + 52) - 36,
             qPrintable(QString::number(gold)));
}

void TestKeyboardPlay::highlightAppearsWithTheFirstArrowAndStopsAtTheEdges() {
    ManualClock clock;
    SeededRandom random(13);
    MainWindow mainWindow({&clock, &random, {}, silence()});
    mainWindow.show();
    KeyboardPlay& keyboard = keyboardOf(mainWindow);
    // Arrows do nothing while the board is closed.
    QTest::keyClick(&mainWindow, Qt::Key_Right);
    QVERIFY(!keyboard.highlightShown());
    QTest::keyClick(&mainWindow, Qt::Key_Return);
    QTest::keyClick(&mainWindow, Qt::Key_Right);
    QVERIFY(!keyboard.highlightShown());

    runUntilAnswering(clock, mainWindow.game());
    QTest::keyClick(&mainWindow, Qt::Key_Right);
    QVERIFY(keyboard.highlightShown());
    QVERIFY(highlightOf(mainWindow) && highlightOf(mainWindow)->isVisible());
    QCOMPARE(keyboard.cell(), QPoint(0, 0));
    for (int i = 0; i < 12; ++i)
        QTest::keyClick(&mainWindow, Qt::Key_Right);
    QCOMPARE(keyboard.cell(), QPoint(8, 0));
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(&mainWindow, Qt::Key_Down);
    QCOMPARE(keyboard.cell(), QPoint(8, 3));
    QTest::keyClick(&mainWindow, Qt::Key_Left);
    QTest::keyClick(&mainWindow, Qt::Key_Up);
    QCOMPARE(keyboard.cell(), QPoint(7, 2));
    // Keys with Ctrl or Alt are not the game's.
    QTest::keyClick(&mainWindow, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(keyboard.cell(), QPoint(7, 2));
}

void TestKeyboardPlay::f1HaltsTheBoardLikeTheHelpButtonAndKeysDoNothingWhileItIsOpen() {
    ManualClock clock;
    SeededRandom random(13);
    MainWindow mainWindow({&clock, &random, {}, silence()});
    mainWindow.show();
    QTest::keyClick(&mainWindow, Qt::Key_Return);
    runUntilAnswering(clock, mainWindow.game());
    walkTo(mainWindow, mainWindow.game().state().order[0]);

    QTest::keyClick(&mainWindow, Qt::Key_F1);
    auto* help = qobject_cast<wimbly::HelpWindow*>(mainWindow.secondaryWindow());
    QVERIFY(help);
    QVERIFY(!mainWindow.isEnabled());
    QVERIFY(!mainWindow.game().state().acceptsClicks);
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Halted);
    QTest::keyClick(&mainWindow, Qt::Key_F1);
    QTest::keyClick(&mainWindow, Qt::Key_Return);
    QCOMPARE(mainWindow.secondaryWindow(), help);

    help->close();
    QVERIFY(mainWindow.isEnabled());
    // The halted board judges no press, from the keyboard as from the mouse: arrows move
    // nothing, and Enter neither presses a cell nor restarts the game.
    const QPoint cell = keyboardOf(mainWindow).cell();
    QTest::keyClick(&mainWindow, cell.x() < 8 ? Qt::Key_Right : Qt::Key_Left);
    QCOMPARE(keyboardOf(mainWindow).cell(), cell);
    QTest::keyClick(&mainWindow, Qt::Key_Return);
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("0"));
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Halted);
}

QTEST_MAIN(TestKeyboardPlay)
void TestKeyboardPlay::oneSwitchPlaysAsTheRingScansTheBoard_data() {
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<int>("stepMs");
    QTest::newRow("slow") << "2.5" << 2500;
    QTest::newRow("medium") << "1.5" << 1500;
    QTest::newRow("fast") << "0.8" << 800;
    QTest::newRow("the quickest") << "0.5" << 500;
}

// With scanning set on the command line, Space alone plays: it starts the game, and on each
// opening of the board the ring starts at the top-left and moves on one cell every step, row by
// row and round again; Space presses the ringed cell. A second press within 0.3 s is a bounce.
void TestKeyboardPlay::oneSwitchPlaysAsTheRingScansTheBoard() {
    QFETCH(QString, seconds);
    QFETCH(int, stepMs);
    ManualClock clock;
    // Scanning keeps its own time, which moves with the game's as real time would.
    ManualClock scanClock;
    SeededRandom random(13);
    MainWindow mainWindow({&clock, &random, {}, silence(), nullptr, &scanClock});
    wimbly::ParentsMenu parents(mainWindow, nullptr);
    const wimbly::CommandLine commandLine = wimbly::parseCommandLine({"wimbly", "--scan", seconds});
    QVERIFY2(!commandLine.exitCode, qPrintable(commandLine.message));
    parents.apply(commandLine.options.over({}));
    mainWindow.show();
    KeyboardPlay& keyboard = keyboardOf(mainWindow);
    const Game& game = mainWindow.game();
    const auto ringed = [&keyboard] { return 9 * keyboard.cell().y() + keyboard.cell().x(); };
    const auto openBoard = [&] {
        while (game.phase() != Game::Phase::Answering && clock.alarmPending()) {
            scanClock.advance(clock.alarmDue() - clock.now());
            clock.advanceToAlarm();
        }
        QVERIFY(keyboard.highlightShown());
        QCOMPARE(keyboard.cell(), QPoint(0, 0));
    };
    // Lets the ring walk on to `cell`, checking it is one cell short a millisecond before.
    const auto scanTo = [&](int cell, qint64 alreadyWaited) {
        const int steps = (cell - ringed() + 36) % 36;
        if (steps == 0)
            return;
        scanClock.advance(steps * qint64(stepMs) - alreadyWaited - 1);
        QCOMPARE(ringed(), (cell + 35) % 36);
        scanClock.advance(1);
        QCOMPARE(ringed(), cell);
    };

    QTest::keyClick(&mainWindow, Qt::Key_Space);
    QCOMPARE(game.phase(), Game::Phase::Presenting);
    // Three turns of one character at 100 points, then one of two at 200.
    const QStringList scores{"100", "200", "300", "500", "700"};
    qsizetype shown = 0;
    for (int turn = 0; turn < 4; ++turn) {
        openBoard();
        const int level = game.state().level;
        for (int i = 0; i <= level; ++i) {
            scanTo(game.state().order[i], i == 1 ? 299 : 0);
            QTest::keyClick(&mainWindow, Qt::Key_Space);
            QCOMPARE(mainWindow.scoreLabel().text(), scores.at(shown++));
            if (i == 0 && level == 1) {
                // The switch bounces: nothing is pressed, no marker is lost.
                scanClock.advance(299);
                QTest::keyClick(&mainWindow, Qt::Key_Space);
                QCOMPARE(mainWindow.scoreLabel().text(), scores.at(shown - 1));
                QVERIFY(mainWindow.lifeMarker(2).isVisible());
            }
        }
    }
    QCOMPARE(shown, scores.size());

    // The ring goes round the board: from the last cell back to the first.
    openBoard();
    scanClock.advance(35 * qint64(stepMs));
    QCOMPARE(keyboard.cell(), QPoint(8, 3));
    scanClock.advance(stepMs);
    QCOMPARE(keyboard.cell(), QPoint(0, 0));
}

#include "tst_keyboardplay.moc"
