#include "boardpoint.h"
#include "childpicker.h"
#include "history.h"
#include "leaderboardwindow.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "options.h"
#include "players.h"
#include "settings.h"
#include "silentoutput.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace wimbly;

namespace {

// A window with its players, settings file, history and program folder in a temporary folder.
struct Rig {
    explicit Rig(const QStringList& arguments = {}) {
        options = parseCommandLine(QStringList{"wimbly"} + arguments).options;
    }
    void begin() {
        window.emplace(MainWindow::Setup{&clock, nullptr, dir.path(), test::silence()});
        players.emplace(*window, &store, options, historyPath);
        window->show();
    }
    Game& game() { return window->game(); }
    void runUntilAnswering() {
        while (game().phase() != Game::Phase::Answering && clock.advanceToAlarm()) {
        }
    }
    int notExpected() {
        const GameState& state = window->game().state();
        return (state.order.at(std::size_t(state.found)) + 1) % 36;
    }
    void pressWrong() {
        QTest::mousePress(&window->board(), Qt::LeftButton, {}, at(notExpected()));
    }
    static QPoint at(int cell) { return test::centreOfCell(cell); }
    // Loses every life of the game in progress.
    void playToTheEnd() {
        runUntilAnswering();
        while (game().phase() == Game::Phase::Answering)
            pressWrong();
    }
    // As the game's own recorder has it, once every game given to it is written.
    std::optional<GameRecord> lastGame(const QString& child) {
        players->openHistory();
        return players->history()->lastGame(child);
    }
    void addChild(const QString& name, int animal, const Preferences& settings) {
        QVERIFY(store.addChild({name, animal}));
        for (const Setting& setting : Settings) {
            if (setting.perChild)
                store.save(setting, settings, name);
        }
    }

    QTemporaryDir dir;
    QString historyPath = dir.filePath(QStringLiteral("data/history.sqlite"));
    SettingsStore store{dir.filePath(QStringLiteral("wimbly.ini"))};
    Options options;
    ManualClock clock;
    std::optional<MainWindow> window;
    std::optional<Players> players;
};

Preferences playedAs(int pace, int startLength, int lives, bool resume = false) {
    Preferences settings;
    settings.pace = pace;
    settings.startLength = startLength;
    settings.lives = lives;
    settings.resumeLength = resume;
    return settings;
}

} // namespace

class TestPlayers : public QObject {
    Q_OBJECT
private slots:
    void withoutChildrenStartPlaysAtOnceAndIsRecordedForNoChild();
    void eachChildPicksTheirOwnAndPlaysByTheirSettings_data();
    void eachChildPicksTheirOwnAndPlaysByTheirSettings();
    void aGameCutShortByStartIsRecordedForWhoPlayedIt();
    void resumeStartsWhereTheLastGameEndedUnlessTheCommandLineSays_data();
    void resumeStartsWhereTheLastGameEndedUnlessTheCommandLineSays();
};

void TestPlayers::withoutChildrenStartPlaysAtOnceAndIsRecordedForNoChild() {
    Rig rig;
    rig.begin();
    const qint64 startedAt = rig.clock.now();
    QTest::mouseClick(&rig.window->startButton(), Qt::LeftButton);
    QVERIFY(!rig.window->childPicker());
    QCOMPARE(rig.game().phase(), Game::Phase::Presenting);
    QCOMPARE(rig.game().rules(), Rules{});
    rig.runUntilAnswering();
    rig.pressWrong();
    rig.clock.advance(startedAt + 61500 - rig.clock.now());
    QVERIFY(rig.window->close());

    const auto game = rig.lastGame(QString());
    QVERIFY(game);
    QCOMPARE(game->child, QString());
    QCOMPARE(game->seconds, 61);
    QCOMPARE(game->mistakes, 1);
    QCOMPARE(game->pace, 700);
    QCOMPARE(game->startLength, 1);
    QCOMPARE(game->lives, 3);
    QCOMPARE(game->ended, QStringLiteral("closed"));
    QVERIFY(qAbs(game->started.secsTo(QDateTime::currentDateTimeUtc())) < 60);
}

void TestPlayers::eachChildPicksTheirOwnAndPlaysByTheirSettings_data() {
    QTest::addColumn<int>("rightPresses");
    QTest::addColumn<QString>("child");
    QTest::addColumn<int>("pace");
    QTest::addColumn<int>("startLength");
    QTest::addColumn<int>("lives");
    QTest::addColumn<bool>("ranked");
    QTest::newRow("the three-year-old") << 0 << "小红" << 1500 << 1 << 5 << false;
    QTest::newRow("the seven-year-old") << 1 << "Max" << 500 << 4 << 2 << true;
}

void TestPlayers::eachChildPicksTheirOwnAndPlaysByTheirSettings() {
    QFETCH(int, rightPresses);
    QFETCH(QString, child);
    QFETCH(int, pace);
    QFETCH(int, startLength);
    QFETCH(int, lives);
    QFETCH(bool, ranked);
    Rig rig;
    rig.addChild(QStringLiteral("小红"), 3, playedAs(1500, 1, 5));
    rig.addChild(QStringLiteral("Max"), 7, playedAs(500, 4, 2));
    rig.begin();

    QTest::mouseClick(&rig.window->startButton(), Qt::LeftButton);
    QVERIFY(rig.window->childPicker());
    QVERIFY(rig.window->childPicker()->isVisible());
    QVERIFY(!rig.game().inProgress());
    Commands& commands = rig.window->commands();
    for (int i = 0; i < rightPresses; ++i)
        commands.right.trigger();
    commands.select.trigger();
    QVERIFY(!rig.window->childPicker());
    QCOMPARE(rig.game().rules(), (Rules{pace, startLength, lives, false}));
    QCOMPARE(rig.game().state().level, startLength - 1);

    rig.playToTheEnd();
    auto* leaderboard = qobject_cast<LeaderboardWindow*>(rig.window->secondaryWindow());
    QVERIFY(leaderboard);
    auto* nameBox = leaderboard->findChild<QLineEdit*>(QStringLiteral("nameBox"));
    QCOMPARE(nameBox->isVisibleTo(leaderboard), ranked);
    if (ranked)
        QCOMPARE(nameBox->text(), child);
    leaderboard->close();

    const auto game = rig.lastGame(child);
    QVERIFY(game);
    QCOMPARE(game->pace, pace);
    QCOMPARE(game->startLength, startLength);
    QCOMPARE(game->lives, lives);
    QCOMPARE(game->mistakes, lives + 1);
    QCOMPARE(game->ended, QStringLiteral("over"));
    QVERIFY(!rig.lastGame(QString()));
}

void TestPlayers::aGameCutShortByStartIsRecordedForWhoPlayedIt() {
    Rig rig;
    rig.addChild(QStringLiteral("Ann"), 0, Preferences{});
    rig.addChild(QStringLiteral("Bo"), 1, Preferences{});
    rig.begin();
    Commands& commands = rig.window->commands();
    commands.start.trigger();
    commands.select.trigger(); // Ann
    rig.runUntilAnswering();
    rig.pressWrong();
    commands.start.trigger();
    // The board is put away while the children are shown.
    QVERIFY(!rig.window->board().isVisible());
    commands.right.trigger();
    commands.select.trigger(); // Bo
    QCOMPARE(rig.players->child(), QStringLiteral("Bo"));

    const auto game = rig.lastGame(QStringLiteral("Ann"));
    QVERIFY(game);
    QCOMPARE(game->ended, QStringLiteral("restart"));
    QVERIFY(!rig.lastGame(QStringLiteral("Bo")));
}

void TestPlayers::resumeStartsWhereTheLastGameEndedUnlessTheCommandLineSays_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("lastLongest");
    QTest::addColumn<int>("level");
    QTest::newRow("four recalled: four first") << QStringList() << 4 << 3;
    QTest::newRow("none recalled: one first") << QStringList() << 0 << 0;
    QTest::newRow("the command line wins")
        << QStringList{"--start-length", "2", "--pace", "2000"} << 4 << 1;
}

void TestPlayers::resumeStartsWhereTheLastGameEndedUnlessTheCommandLineSays() {
    QFETCH(QStringList, arguments);
    QFETCH(int, lastLongest);
    QFETCH(int, level);
    Rig rig(QStringList{"--child", "Ann"} + arguments);
    {
        History history(rig.historyPath);
        QVERIFY(history.open());
        GameRecord earlier;
        earlier.child = QStringLiteral("Ann");
        earlier.started = QDateTime::currentDateTimeUtc().addDays(-1);
        earlier.longest = lastLongest;
        earlier.ended = QStringLiteral("over");
        QVERIFY(history.record(earlier));
    }
    rig.begin();
    // Ann, named on the command line, is a new child with the defaults.
    QCOMPARE(rig.store.children().size(), std::size_t(1));
    rig.store.save(settingOf(&Preferences::resumeLength), playedAs(700, 1, 3, true),
                   QStringLiteral("Ann"));
    rig.players->openHistory();
    rig.window->commands().start.trigger();
    QVERIFY(!rig.window->childPicker());
    QCOMPARE(rig.game().state().level, level);
    // What the command line gave is for this run: the saved pace stays.
    QCOMPARE(rig.store.load(QStringLiteral("Ann")).pace, 700);
}

QTEST_MAIN(TestPlayers)
#include "tst_players.moc"
