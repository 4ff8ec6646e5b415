#include "history.h"
#include "mount.h"
#include "recorder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <optional>
#include <unistd.h>
#include <vector>

using wimbly::GameRecord;
using wimbly::History;

namespace {

// Where the tests' folders are made: in memory where the system offers it, since each new
// history costs a few syncs to the disk, and the tests check what is in the files, not how
// fast a disk keeps them.
QString scratchTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    const QString root = shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
    return root + QStringLiteral("/tst_history-XXXXXX");
}

const QByteArray Header =
    "child,started,seconds,score,longest,turns,mistakes,pace,start_length,lives,ended\r\n";

QDateTime utc(const char* text) {
    return QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
}

GameRecord game(const QString& child, const char* started, qint32 score) {
    GameRecord game;
    game.child = child;
    game.started = utc(started);
    game.seconds = 95;
    game.score = score;
    game.longest = 4;
    game.turns = 5;
    game.mistakes = 2;
    game.pace = 700;
    game.startLength = 1;
    game.lives = 3;
    game.ended = QStringLiteral("over");
    return game;
}

// A game as one line, so that a failed comparison shows which field differs.
QString describe(const GameRecord& g) {
    // The time with its zone: Z for UTC, nothing for local time.
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9|%10|%11")
        .arg(g.child, g.started.toString(Qt::ISODateWithMs))
        .arg(g.seconds)
        .arg(g.score)
        .arg(g.longest)
        .arg(g.turns)
        .arg(g.mistakes)
        .arg(g.pace)
        .arg(g.startLength)
        .arg(g.lives)
        .arg(g.ended);
}

QStringList describe(const std::vector<GameRecord>& games) {
    QStringList lines;
    for (const GameRecord& g : games)
        lines << describe(g);
    return lines;
}

QByteArray csvOf(const History& history) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    return history.exportCsv(out) ? out.data() : QByteArray("<failed>");
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Runs `statements` on the SQLite file `path` through a connection of the test's own, to make
// files that the history must cope with and to look into the ones it makes.
QVariant sqlite(const QString& path, const QStringList& statements) {
    const QString name = QStringLiteral("test.") + path;
    QVariant last;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            for (const QString& statement : statements) {
                if (!query.exec(statement)) {
                    last = QStringLiteral("<failed: %1>").arg(statement);
                    break;
                }
                last = query.next() ? query.value(0) : QVariant();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return last;
}

// A history file with `count` games, closed again.
bool makeHistory(const QString& path, int count) {
    History history(path);
    if (!history.open())
        return false;
    for (int i = 0; i < count; ++i) {
        if (!history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", i)))
            return false;
    }
    return true;
}

constexpr int HelperGames = 100;

// Run as a second copy of the program: records HelperGames games into the history at `path`.
int recordAsHelper(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    History history(QString::fromLocal8Bit(argv[2]));
    if (!history.open())
        return 1;
    for (int i = 0; i < HelperGames; ++i) {
        if (!history.record(game(QStringLiteral("helper"), "2026-12-07T21:00:00Z", i)))
            return 2;
    }
    return 0;
}

} // namespace

namespace wimbly {
// Lets QCOMPARE show a game.
char* toString(const GameRecord& game) {
    return QTest::toString(describe(game));
}
} // namespace wimbly

using MakeFile = std::function<bool(const QString& path)>;
Q_DECLARE_METATYPE(MakeFile)

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void defaultPathFollowsXdgDataHome_data();
    void defaultPathFollowsXdgDataHome();

    void openMakesAVersionedHistory_data();
    void openMakesAVersionedHistory();
    void gameRoundTripsThroughGamesAndCsv_data();
    void gameRoundTripsThroughGamesAndCsv();
    void gamesComeInTheOrderPlayed();

    void damagedFileIsMovedAsideForANewHistory_data();
    void damagedFileIsMovedAsideForANewHistory();
    void eachDamagedFileKeepsItsOwnName();
    void unwritableHistoryRecordsNothingAndMovesNothing_data();
    void unwritableHistoryRecordsNothingAndMovesNothing();
    void newerVersionIsLeftAsItIs();

    void twoHistoriesOnOneFileKeepEveryGame();
    void twoProgramsRecordingAtOnceKeepEveryGame();
    void recorderAnswersAfterEveryGameGivenAndWritesAllBeforeItGoes();

    void exportFileReadsWithoutChanging_data();
    void exportFileReadsWithoutChanging();
};

void TestHistory::defaultPathFollowsXdgDataHome_data() {
    QTest::addColumn<QByteArray>("xdgDataHome");
    QTest::addColumn<bool>("set");
    QTest::addColumn<QString>("expected");

    QTest::newRow("set") << QByteArray("/data/home") << true
                         << QStringLiteral("/data/home/wimbly/history.sqlite");
    QTest::newRow("trailing slash")
        << QByteArray("/data/home/") << true << QStringLiteral("/data/home/wimbly/history.sqlite");
    QTest::newRow("unset") << QByteArray() << false
                           << QStringLiteral("/home/kid/.local/share/wimbly/history.sqlite");
    QTest::newRow("empty") << QByteArray("") << true
                           << QStringLiteral("/home/kid/.local/share/wimbly/history.sqlite");
    QTest::newRow("relative is ignored")
        << QByteArray("data") << true
        << QStringLiteral("/home/kid/.local/share/wimbly/history.sqlite");
}

void TestHistory::defaultPathFollowsXdgDataHome() {
    QFETCH(QByteArray, xdgDataHome);
    QFETCH(bool, set);
    QFETCH(QString, expected);
    const QByteArray oldHome = qgetenv("HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", "/home/kid");
    if (set)
        qputenv("XDG_DATA_HOME", xdgDataHome);
    else
        qunsetenv("XDG_DATA_HOME");

    const QString path = History::defaultPath();

    qputenv("HOME", oldHome);
    if (hadXdg)
        qputenv("XDG_DATA_HOME", oldXdg);
    else
        qunsetenv("XDG_DATA_HOME");
    QCOMPARE(path, expected);
}

void TestHistory::openMakesAVersionedHistory_data() {
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("emptyFile");

    QTest::newRow("missing folders") << QStringLiteral("a/b/history.sqlite") << false;
    QTest::newRow("empty file") << QStringLiteral("history.sqlite") << true;
}

void TestHistory::openMakesAVersionedHistory() {
    QFETCH(QString, relativePath);
    QFETCH(bool, emptyFile);
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(relativePath);
    if (emptyFile)
        QVERIFY(writeBytes(path, {}));
    {
        History history(path);
        QVERIFY(history.open());
        QVERIFY(history.isRecording());
        QVERIFY(history.movedAside().isEmpty());
        QVERIFY(history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 10)));
        // Read while the history is open: the log must be in use.
        QCOMPARE(sqlite(path, {QStringLiteral("PRAGMA journal_mode")}).toString(),
                 QStringLiteral("wal"));
    }
    QCOMPARE(sqlite(path, {QStringLiteral("PRAGMA user_version")}).toInt(), 1);
    QCOMPARE(sqlite(path, {QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                          "'index' AND sql LIKE '%(child, started)%'")})
                 .toInt(),
             1);
    History reopened(path);
    QVERIFY(reopened.open());
    QCOMPARE(reopened.games(QStringLiteral("Mia")).size(), size_t(1));
}

void TestHistory::gameRoundTripsThroughGamesAndCsv_data() {
    QTest::addColumn<QString>("child");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("plain") << QStringLiteral("Mia")
                           << QByteArray("Mia,2026-12-07T21:00:00Z,95,120,4,5,2,700,1,3,over\r\n");
    QTest::newRow("no child") << QString()
                              << QByteArray(",2026-12-07T21:00:00Z,95,120,4,5,2,700,1,3,over\r\n");
    QTest::newRow("comma") << QStringLiteral("Li, Wei")
                           << QByteArray(
                                  "\"Li, Wei\",2026-12-07T21:00:00Z,95,120,4,5,2,700,1,3,over\r\n");
    QTest::newRow("quotes") << QStringLiteral("Tom \"Tiger\"")
                            << QByteArray("\"Tom \"\"Tiger\"\"\",2026-12-07T21:00:00Z,95,120,4,5,"
                                          "2,700,1,3,over\r\n");
    QTest::newRow("line feed")
        << QStringLiteral("Ann\nBo")
        << QByteArray("\"Ann\nBo\",2026-12-07T21:00:00Z,95,120,4,5,2,700,1,3,over\r\n");
    QTest::newRow("carriage return")
        << QStringLiteral("Ann\rBo")
        << QByteArray("\"Ann\rBo\",2026-12-07T21:00:00Z,95,120,4,5,2,700,1,3,over\r\n");
    QTest::newRow("Chinese") << QStringLiteral("小明")
                             << QByteArray("\xE5\xB0\x8F\xE6\x98\x8E,2026-12-07T21:00:00Z,95,120,4,"
                                           "5,2,700,1,3,over\r\n");
    QTest::newRow("formula stays data")
        << QStringLiteral("=1+2")
        << QByteArray("=1+2,2026-12-07T21:00:00Z,95,120,4,5,2,700,1,3,over\r\n");
}

void TestHistory::gameRoundTripsThroughGamesAndCsv() {
    QFETCH(QString, child);
    QFETCH(QByteArray, line);
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    GameRecord played = game(child, "2026-12-07T21:00:00Z", 120);
    {
        History history(path);
        QVERIFY(history.open());
        QVERIFY(history.record(played));
        QCOMPARE(csvOf(history), Header + line);
    }
    // Read back from the file by a new history, as the next start of the program does.
    History history(path);
    QVERIFY(history.open());
    const std::vector<GameRecord> games = history.games(child);
    QCOMPARE(games.size(), size_t(1));
    played.child = child.isNull() ? QStringLiteral("") : child;
    QCOMPARE(games[0], played);
    QCOMPARE(games[0].started.timeSpec(), Qt::UTC);
    QCOMPARE(history.lastGame(child), std::optional<GameRecord>(played));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(History::exportFile(path, out));
    QCOMPARE(out.data(), Header + line);
}

void TestHistory::gamesComeInTheOrderPlayed() {
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    History history(path);
    QVERIFY(history.open());
    GameRecord practice = game(QStringLiteral("Bo"), "2026-12-07T09:00:00Z", 0);
    practice.lives = 0;
    practice.ended = QStringLiteral("closed");
    practice.seconds = 4000000000; // beyond 32 bits
    // Another time zone, and milliseconds: kept in UTC, to the second.
    GameRecord abroad = game(QStringLiteral("Mia"), "2026-12-07T22:30:15.250+01:00", 30);
    abroad.ended = QStringLiteral("restart");
    QVERIFY(history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 1)));
    QVERIFY(history.record(practice));
    QVERIFY(history.record(game(QStringLiteral("Mia"), "2026-12-06T21:00:00Z", 2)));
    QVERIFY(history.record(abroad));
    QVERIFY(history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 3)));

    QCOMPARE(csvOf(history), Header +
                                 "Mia,2026-12-06T21:00:00Z,95,2,4,5,2,700,1,3,over\r\n"
                                 "Bo,2026-12-07T09:00:00Z,4000000000,0,4,5,2,700,1,0,closed\r\n"
                                 "Mia,2026-12-07T21:00:00Z,95,1,4,5,2,700,1,3,over\r\n"
                                 "Mia,2026-12-07T21:00:00Z,95,3,4,5,2,700,1,3,over\r\n"
                                 "Mia,2026-12-07T21:30:15Z,95,30,4,5,2,700,1,3,restart\r\n");
    abroad.started = utc("2026-12-07T21:30:15Z");
    QCOMPARE(describe(history.games(QStringLiteral("Mia"))),
             describe({game(QStringLiteral("Mia"), "2026-12-06T21:00:00Z", 2),
                       game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 1),
                       game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 3), abroad}));
    QCOMPARE(describe(history.games(QStringLiteral("Bo"))),
             describe(std::vector<GameRecord>{practice}));
    QVERIFY(history.games(QString()).empty());
    QCOMPARE(history.lastGame(QStringLiteral("Mia")), std::optional<GameRecord>(abroad));
    QVERIFY(!history.lastGame(QStringLiteral("Nobody")).has_value());

    QVERIFY(history.renameChild(QStringLiteral("Mia"), QStringLiteral("Mimi")));
    QVERIFY(history.games(QStringLiteral("Mia")).empty());
    QCOMPARE(history.games(QStringLiteral("Mimi")).size(), size_t(4));
    QCOMPARE(history.games(QStringLiteral("Bo")).size(), size_t(1));
}

void TestHistory::damagedFileIsMovedAsideForANewHistory_data() {
    QTest::addColumn<MakeFile>("makeFile");
    QTest::addColumn<bool>("withLog");

    QTest::newRow("garbage") << MakeFile([](const QString& path) {
        return writeBytes(path, QByteArray("not a database at all\n").repeated(100));
    }) << false;
    QTest::newRow("garbage with a log") << MakeFile([](const QString& path) {
        return writeBytes(path, QByteArray("\x01\x02\x03\x04").repeated(2000)) &&
               writeBytes(path + QStringLiteral("-wal"), QByteArray("old log").repeated(100));
    }) << true;
    QTest::newRow("truncated history") << MakeFile([](const QString& path) {
        if (!makeHistory(path, 300))
            return false;
        const QByteArray whole = readBytes(path);
        return whole.size() > 8192 && writeBytes(path, whole.left(whole.size() / 2));
    }) << false;
    QTest::newRow("no games table") << MakeFile([](const QString& path) {
        return sqlite(path, {QStringLiteral("CREATE TABLE other (x)"),
                             QStringLiteral("PRAGMA user_version = 1")})
            .isNull();
    }) << false;
    QTest::newRow("games table lacks columns") << MakeFile([](const QString& path) {
        return sqlite(path, {QStringLiteral("CREATE TABLE games (child TEXT, started TEXT)"),
                             QStringLiteral("PRAGMA user_version = 1")})
            .isNull();
    }) << false;
    QTest::newRow("another program's database") << MakeFile([](const QString& path) {
        return sqlite(path, {QStringLiteral("CREATE TABLE notes (x)")}).isNull();
    }) << false;
}

void TestHistory::damagedFileIsMovedAsideForANewHistory() {
    QFETCH(MakeFile, makeFile);
    QFETCH(bool, withLog);
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QVERIFY(makeFile(path));
    const QByteArray damaged = readBytes(path);

    History history(path);
    QVERIFY(history.open());
    QVERIFY(history.isRecording());
    const QFileInfo moved(history.movedAside());
    QCOMPARE(moved.absolutePath(), QFileInfo(path).absolutePath());
    QVERIFY2(QRegularExpression(QStringLiteral("^history\\.sqlite\\.damaged-\\d{8}T\\d{6}Z$"))
                 .match(moved.fileName())
                 .hasMatch(),
             qPrintable(moved.fileName()));
    QCOMPARE(readBytes(moved.filePath()), damaged);
    // The log beside a damaged file goes with it, untouched.
    if (withLog)
        QCOMPARE(readBytes(moved.filePath() + QStringLiteral("-wal")),
                 QByteArray("old log").repeated(100));

    QVERIFY(history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 7)));
    QCOMPARE(csvOf(history), Header + "Mia,2026-12-07T21:00:00Z,95,7,4,5,2,700,1,3,over\r\n");
}

void TestHistory::eachDamagedFileKeepsItsOwnName() {
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    // Two damaged files in a row, most likely within one second.
    QStringList moved;
    for (const char* bytes : {"first damage", "second damage"}) {
        QVERIFY(writeBytes(path, QByteArray(bytes).repeated(500)));
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        History history(path);
        QVERIFY(history.open());
        moved << history.movedAside();
    }
    QVERIFY(moved[0] != moved[1]);
    QCOMPARE(readBytes(moved[0]), QByteArray("first damage").repeated(500));
    QCOMPARE(readBytes(moved[1]), QByteArray("second damage").repeated(500));
}

void TestHistory::unwritableHistoryRecordsNothingAndMovesNothing_data() {
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<MakeFile>("makeFile");

    const MakeFile none = [](const QString&) { return true; };
    QTest::newRow("folder is a file")
        << QStringLiteral("afile/history.sqlite") << false << MakeFile([](const QString& path) {
               return writeBytes(QFileInfo(path).absolutePath(), "a file");
           });
    QTest::newRow("read-only folder, no file") << QStringLiteral("history.sqlite") << true << none;
    QTest::newRow("read-only folder with a history")
        << QStringLiteral("history.sqlite") << true
        << MakeFile([](const QString& path) { return makeHistory(path, 3); });
    QTest::newRow("read-only folder with a damaged file")
        << QStringLiteral("history.sqlite") << true
        << MakeFile([](const QString& path) { return writeBytes(path, "garbage"); });
}

void TestHistory::unwritableHistoryRecordsNothingAndMovesNothing() {
    QFETCH(QString, relativePath);
    QFETCH(bool, readOnlyFolder);
    QFETCH(MakeFile, makeFile);
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(relativePath);
    QVERIFY(makeFile(path));
    const QStringList before = filesIn(dir.path());
    const QByteArray bytes = readBytes(path);
    wimbly::test::Mount mount;
    if (readOnlyFolder && !mount.readOnly(dir.path()))
        QSKIP("a read-only mount needs the administrator");

    History history(path);
    QVERIFY(!history.open());
    QVERIFY(!history.isRecording());
    QVERIFY(history.movedAside().isEmpty());
    QVERIFY(!history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 1)));
    QVERIFY(history.games(QStringLiteral("Mia")).empty());
    QVERIFY(!history.renameChild(QStringLiteral("Mia"), QStringLiteral("Bo")));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(!history.exportCsv(out));
    QCOMPARE(filesIn(dir.path()), before);
    QCOMPARE(readBytes(path), bytes);
}

void TestHistory::newerVersionIsLeftAsItIs() {
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QVERIFY(makeHistory(path, 2));
    // What a later program might have made of it: a new column, and its version.
    QVERIFY(sqlite(path, {QStringLiteral("PRAGMA journal_mode=DELETE"),
                          QStringLiteral("ALTER TABLE games ADD COLUMN board TEXT"),
                          QStringLiteral("PRAGMA user_version = 2")})
                .isNull());
    const QByteArray bytes = readBytes(path);
    const QStringList files = filesIn(dir.path());

    {
        History history(path);
        QVERIFY(!history.open());
        QVERIFY(!history.isRecording());
        QVERIFY(history.movedAside().isEmpty());
        QVERIFY(!history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 1)));
    }
    QCOMPARE(readBytes(path), bytes);
    QCOMPARE(filesIn(dir.path()), files);
}

void TestHistory::twoHistoriesOnOneFileKeepEveryGame() {
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    History first(path);
    History second(path);
    QVERIFY(first.open());
    QVERIFY(second.open());
    for (int i = 0; i < 3; ++i) {
        QVERIFY(first.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", i)));
        QVERIFY(second.record(game(QStringLiteral("Bo"), "2026-12-07T21:00:00Z", i)));
    }
    // Each sees the other's games at once.
    QCOMPARE(first.games(QStringLiteral("Bo")).size(), size_t(3));
    QCOMPARE(second.games(QStringLiteral("Mia")).size(), size_t(3));
}

// The recorder writes on a thread of its own: what it answers must already include every game it
// was given, and none may be lost when it goes.
void TestHistory::recorderAnswersAfterEveryGameGivenAndWritesAllBeforeItGoes() {
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    {
        wimbly::Recorder recorder(path);
        recorder.open();
        recorder.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", 100));
        recorder.renameChild(QStringLiteral("Mia"), QStringLiteral("Mia B"));
        QVERIFY(recorder.isRecording());
        QCOMPARE(recorder.lastGame(QStringLiteral("Mia B"))->score, 100);
        for (int i = 0; i < 50; ++i)
            recorder.record(game(QStringLiteral("Bo"), "2026-12-07T21:00:00Z", i));
    }
    History history(path);
    QVERIFY(history.open());
    QCOMPARE(history.games(QStringLiteral("Bo")).size(), size_t(50));
    QCOMPARE(history.games(QStringLiteral("Bo")).back().score, 49);
}

void TestHistory::twoProgramsRecordingAtOnceKeepEveryGame() {
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    History history(path);
    QVERIFY(history.open());
    QProcess helper;
    helper.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--record-as-helper"), path});
    QVERIFY(helper.waitForStarted());
    int recorded = 0;
    // Records until the helper ends, so both write at the same time.
    while (helper.state() != QProcess::NotRunning || recorded < HelperGames) {
        QVERIFY(history.record(game(QStringLiteral("Mia"), "2026-12-07T21:00:00Z", recorded)));
        ++recorded;
        helper.waitForFinished(0);
    }
    QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
    QCOMPARE(helper.exitCode(), 0);
    QCOMPARE(history.games(QStringLiteral("helper")).size(), size_t(HelperGames));
    QCOMPARE(history.games(QStringLiteral("Mia")).size(), size_t(recorded));
}

void TestHistory::exportFileReadsWithoutChanging_data() {
    QTest::addColumn<MakeFile>("makeFile");
    QTest::addColumn<bool>("exported");
    QTest::addColumn<QByteArray>("csv");

    QTest::newRow("missing") << MakeFile([](const QString&) { return true; }) << true << Header;
    QTest::newRow("history") << MakeFile([](const QString& path) { return makeHistory(path, 2); })
                             << true
                             << Header + "Mia,2026-12-07T21:00:00Z,95,0,4,5,2,700,1,3,over\r\n"
                                         "Mia,2026-12-07T21:00:00Z,95,1,4,5,2,700,1,3,over\r\n";
    QTest::newRow("garbage") << MakeFile([](const QString& path) {
        return writeBytes(path, QByteArray("garbage").repeated(100));
    }) << false << QByteArray();
    QTest::newRow("folder") << MakeFile([](const QString& path) { return QDir().mkdir(path); })
                            << false << QByteArray();
}

void TestHistory::exportFileReadsWithoutChanging() {
    QFETCH(MakeFile, makeFile);
    QFETCH(bool, exported);
    QFETCH(QByteArray, csv);
    QTemporaryDir dir(scratchTemplate());
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QVERIFY(makeFile(path));
    const bool existed = QFileInfo::exists(path);
    const QByteArray bytes = existed ? readBytes(path) : QByteArray();

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QCOMPARE(History::exportFile(path, out), exported);
    QCOMPARE(out.data(), csv);
    QCOMPARE(QFileInfo::exists(path), existed);
    if (existed && QFileInfo(path).isFile())
        QCOMPARE(readBytes(path), bytes);
}

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--record-as-helper") == 0)
        return recordAsHelper(argc, argv);
    QCoreApplication app(argc, argv);
    TestHistory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_history.moc"
