#include "filebytes.h"
#include "leaderboard.h"
#include "mount.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using wimbly::Leaderboard;
using LoadResult = wimbly::Leaderboard::LoadResult;

using wimbly::test::readBytes;
using wimbly::test::writeBytes;

namespace {

const QByteArray DefaultFile = QByteArray("0,0\r\n").repeated(10);

QByteArray tenLines(const QList<qint32>& scores) {
    QByteArray bytes;
    for (int i = 0; i < scores.size(); ++i)
        bytes += "p" + QByteArray::number(i) + "," + QByteArray::number(scores[i]) + "\r\n";
    return bytes;
}

// A table whose names say where each entry stood: p0,900 ... p9,0.
const QByteArray Table = tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100, 0});

QString tablePath(const QTemporaryDir& dir) {
    return dir.filePath(QStringLiteral("tavrel.tmp"));
}

// What a save leaves in the table's folder: the table and the lock file beside it.
const QStringList TableFiles{QStringLiteral("tavrel.tmp"), QStringLiteral("tavrel.tmp.lock")};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The program folder as the main window hands it over: with a trailing separator.
QString programFolder(const QTemporaryDir& dir) {
    return dir.path() + QLatin1Char('/');
}

// Run as another user by the unreadable-file test: loads, ranks a high score and tries to save.
int loadAsHelper(const char* folder) {
    Leaderboard table(QString::fromLocal8Bit(folder));
    const LoadResult loaded = table.load();
    const int place = table.rank(1000000);
    const bool saved = table.save(QStringLiteral("x"));
    std::printf("%d %d %d %s\n", int(loaded), place, int(saved),
                table.name(0).toUtf8().constData());
    return 0;
}

} // namespace

class TestLeaderboard : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void loadReadsEachLine_data();
    void loadReadsEachLine();
    void loadWithoutFileCreatesTheDefaultTable();
    void loadStartsFromAnEmptyTableEachTime();

    void rankPlacesTheScoreStrictly_data();
    void rankPlacesTheScoreStrictly();

    void saveWritesTenLinesAroundTheNewEntry_data();
    void saveWritesTenLinesAroundTheNewEntry();
    void savedEntriesReadBack_data();
    void savedEntriesReadBack();
    void tableDeletedBeforeTheSaveStartsAfresh();

    void damagedFileNeverCrashesNorIsReplaced_data();
    void damagedFileNeverCrashesNorIsReplaced();
    void hugeFileReadsOnlyItsStart();
    void damagedContentKeepsEveryEntryThroughASave_data();
    void damagedContentKeepsEveryEntryThroughASave();
    void unreadableFileIsLeftAlone();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void tableMovesToUserDataWhereProgramFolderIsReadOnly();
    void linksAreFollowedOnlyWhereThePlayerOwnsThem_data();
    void linksAreFollowedOnlyWhereThePlayerOwnsThem();
    void linkPlantedInASharedFolderIsNeverWritten_data();
    void linkPlantedInASharedFolderIsNeverWritten();
    void saveKeepsTheModeThePlayerGaveTheTable_data();
    void saveKeepsTheModeThePlayerGaveTheTable();
};

void TestLeaderboard::loadReadsEachLine_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<qint32>>("scores");

    QTest::newRow("comma first") << QByteArray(",300\r\n") << QStringList{""} << QList<qint32>{300};
    QTest::newRow("score not a number")
        << QByteArray("abc,def\r\n") << QStringList{"abc"} << QList<qint32>{0};
    QTest::newRow("no comma, number")
        << QByteArray("250\r\n") << QStringList{""} << QList<qint32>{250};
    QTest::newRow("empty line takes a place")
        << QByteArray("\r\nb,2\r\n") << QStringList{"", "b"} << QList<qint32>{0, 2};
    QTest::newRow("three lines") << QByteArray("a,3\r\nb,2\r\nc,1\r\n")
                                 << QStringList{"a", "b", "c", "", ""}
                                 << QList<qint32>{3, 2, 1, 0, 0};
    QTest::newRow("lone CR") << QByteArray("a,3\rb,2\rc,1") << QStringList{"a", "b", "c", ""}
                             << QList<qint32>{3, 2, 1, 0};
    QTest::newRow("lone LF") << QByteArray("a,3\nb,2\n") << QStringList{"a", "b", ""}
                             << QList<qint32>{3, 2, 0};
    QTest::newRow("CR CR is an empty line")
        << QByteArray("a,3\r\rb,2\r\n") << QStringList{"a", "", "b"} << QList<qint32>{3, 0, 2};
    QTest::newRow("32-bit scores")
        << QByteArray("a,2147483647\r\nb,40000\r\nc,-2147483648\r\n") << QStringList{"a", "b", "c"}
        << QList<qint32>{2147483647, 40000, -2147483647 - 1};
    QTest::newRow("beyond 32 bits is not a number")
        << QByteArray("a,2147483648\r\n") << QStringList{"a"} << QList<qint32>{0};
    QTest::newRow("commas in the name")
        << QByteArray("a,b,,c,77\r\n") << QStringList{"a,b,,c"} << QList<qint32>{77};
    QTest::newRow("GBK name") << QByteArray("\xD5\xC5\xC8\xFD,500\r\n")
                              << QStringList{QStringLiteral("张三")} << QList<qint32>{500};
    QTest::newRow("NUL byte") << QByteArray("a\0b,5\r\n", 7)
                              << QStringList{QString::fromUtf8("a\0b", 3)} << QList<qint32>{5};
    QTest::newRow("invalid GBK keeps the score")
        << QByteArray("\x81\x20\xD5,9\r\n") << QStringList{} << QList<qint32>{9};
    QTest::newRow("unordered hand-edited")
        << QByteArray("a,5\r\nb,500\r\nc,50\r\n") << QStringList{"a", "b", "c"}
        << QList<qint32>{5, 500, 50};
}

void TestLeaderboard::loadReadsEachLine() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, names);
    QFETCH(QList<qint32>, scores);
    QTemporaryDir dir;
    QVERIFY(writeBytes(tablePath(dir), file));

    Leaderboard table(programFolder(dir));
    QCOMPARE(table.load(), LoadResult::Read);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(table.name(i), names[i]);
    for (int i = 0; i < scores.size(); ++i)
        QCOMPARE(table.score(i), scores[i]);
    QCOMPARE(readBytes(tablePath(dir)), file);
}

void TestLeaderboard::loadWithoutFileCreatesTheDefaultTable() {
    QTemporaryDir dir;
    Leaderboard table(programFolder(dir));
    QCOMPARE(table.filePath(), tablePath(dir));
    QCOMPARE(Leaderboard(dir.path()).filePath(), tablePath(dir));
    QCOMPARE(table.load(), LoadResult::CreatedDefault);
    for (int i = 0; i < Leaderboard::Places; ++i) {
        QCOMPARE(table.name(i), QStringLiteral("0"));
        QCOMPARE(table.score(i), 0);
    }
    QCOMPARE(readBytes(tablePath(dir)), DefaultFile);
    // Nothing else is left in the program's folder.
    QCOMPARE(filesIn(dir.path()), TableFiles);
}

void TestLeaderboard::loadStartsFromAnEmptyTableEachTime() {
    QTemporaryDir dir;
    QVERIFY(writeBytes(tablePath(dir), Table + "eleventh,7\r\n"));
    Leaderboard table(programFolder(dir));
    table.load();
    QCOMPARE(table.name(10), QStringLiteral("eleventh"));

    QVERIFY(writeBytes(tablePath(dir), "a,1\r\n"));
    table.load();
    QCOMPARE(table.name(0), QStringLiteral("a"));
    for (int i = 1; i < Leaderboard::Slots; ++i) {
        QCOMPARE(table.name(i), QString());
        QCOMPARE(table.score(i), 0);
    }
}

void TestLeaderboard::rankPlacesTheScoreStrictly_data() {
    QTest::addColumn<QByteArray>("file"); // empty: no file
    QTest::addColumn<qint32>("score");
    QTest::addColumn<int>("place");

    QTest::newRow("tie is placed below") << Table << 700 << 3;
    QTest::newRow("between two places") << Table << 650 << 3;
    QTest::newRow("above all") << Table << 901 << 0;
    QTest::newRow("tie with the tenth") << tenLines({9, 8, 7, 6, 5, 4, 3, 2, 1, 1}) << 1 << -1;
    QTest::newRow("just above the tenth") << tenLines({9, 8, 7, 6, 5, 4, 3, 2, 1, 1}) << 2 << 8;
    QTest::newRow("0 never enters a written file") << DefaultFile << 0 << -1;
    QTest::newRow("unordered") << tenLines({5, 500, 50, 900, 1, 1, 1, 1, 1, 1}) << 100 << 0;
    QTest::newRow("unordered, later line")
        << tenLines({500, 50, 900, 1, 1, 1, 1, 1, 1, 1}) << 100 << 1;
    QTest::newRow("32-bit stored score")
        << tenLines({40000, 1, 1, 1, 1, 1, 1, 1, 1, 1}) << 39999 << 1;
    QTest::newRow("eleventh line is not a place")
        << tenLines({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0}) << 5 << -1;
    QTest::newRow("short file leaves empty places") << QByteArray("a,9\r\n") << 1 << 1;
    QTest::newRow("no file, score 0") << QByteArray() << 0 << 0;
    QTest::newRow("no file, negative score") << QByteArray() << -5 << 0;
}

void TestLeaderboard::rankPlacesTheScoreStrictly() {
    QFETCH(QByteArray, file);
    QFETCH(qint32, score);
    QFETCH(int, place);
    QTemporaryDir dir;
    if (!file.isEmpty())
        QVERIFY(writeBytes(tablePath(dir), file));
    Leaderboard table(programFolder(dir));
    table.load();
    QCOMPARE(table.rank(score), place);
    QCOMPARE(table.place(), place);
}

void TestLeaderboard::saveWritesTenLinesAroundTheNewEntry_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<qint32>("score");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("middle, tie below place 3")
        << Table << 700 << "new"
        << tenLines({900, 800, 700}) + "new,700\r\n" +
               tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100}).mid(24);
    QTest::newRow("top") << Table << 100000 << "top"
                         << "top,100000\r\n" +
                                tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100});
    QTest::newRow("tenth place") << Table << 50 << "last"
                                 << tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100}) +
                                        "last,50\r\n";
    QTest::newRow("fifteen lines, eleventh never written")
        << Table + "k,5\r\nl,4\r\nm,3\r\nn,2\r\no,1\r\n"
        << 1000 << "z"
        << "z,1000\r\n" + tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100});
    QTest::newRow("short file writes empty places")
        << QByteArray("a,9\rb,8\r") << 5 << "c"
        << QByteArray("a,9\r\nb,8\r\nc,5\r\n") + QByteArray(",0\r\n").repeated(7);
    QTest::newRow("default file") << QByteArray() << 0 << "me"
                                  << "me,0\r\n" + QByteArray("0,0\r\n").repeated(9);
    QTest::newRow("control characters dropped") << QByteArray() << 7 << "a\tb\r\nc\x7f\x01"
                                                << "abc,7\r\n" + DefaultFile.left(45);
    QTest::newRow("GBK bytes") << QByteArray() << 1 << QStringLiteral("张三")
                               << "\xD5\xC5\xC8\xFD,1\r\n" + DefaultFile.left(45);
    QTest::newRow("unencodable becomes ?")
        << QByteArray() << 1 << QStringLiteral("a\U0001F600\u0E01b")
        << "a??b,1\r\n" + DefaultFile.left(45);
    QTest::newRow("blanks are a name") << QByteArray() << 1 << "  "
                                       << "  ,1\r\n" + DefaultFile.left(45);
    QTest::newRow("GBK names of the file survive")
        << QByteArray("\xD5\xC5\xC8\xFD,500\r\n") << 600 << "b"
        << QByteArray("b,600\r\n\xD5\xC5\xC8\xFD,500\r\n") + QByteArray(",0\r\n").repeated(8);
    // Names written on another system or by hand: bytes that are no GBK at all.
    QTest::newRow("other players' bytes that are no GBK stay as they are")
        << QByteArray("\xFF\xFE,900\r\n\x81,800\r\nok\x80\xFF\x81,700\r\n\xA1\x20,600\r\n") << 750
        << "new"
        << QByteArray(
               "\xFF\xFE,900\r\n\x81,800\r\nnew,750\r\nok\x80\xFF\x81,700\r\n\xA1\x20,600\r\n") +
               QByteArray(",0\r\n").repeated(5);
    QTest::newRow("a name of 1.1 million characters is cut to 255")
        << Table << 1000 << QString(1100000, QLatin1Char('n'))
        << QByteArray(255, 'n') + ",1000\r\n" +
               tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100});
    QTest::newRow("a character outside the BMP counts once")
        << QByteArray() << 1 << QString(254, QLatin1Char('n')) + QStringLiteral("\U0001F600zz")
        << QByteArray(254, 'n') + "?,1\r\n" + DefaultFile.left(45);
}

void TestLeaderboard::saveWritesTenLinesAroundTheNewEntry() {
    QFETCH(QByteArray, file);
    QFETCH(qint32, score);
    QFETCH(QString, name);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    if (!file.isEmpty())
        QVERIFY(writeBytes(tablePath(dir), file));
    Leaderboard table(programFolder(dir));
    table.load();
    QVERIFY(table.rank(score) >= 0);
    QVERIFY(table.save(name));
    QCOMPARE(readBytes(tablePath(dir)), expected);
    QCOMPARE(filesIn(dir.path()), TableFiles);

    // The loader reads back every entry the save wrote, byte for byte.
    Leaderboard again(programFolder(dir));
    QCOMPARE(again.load(), LoadResult::Read);
    QByteArray reread;
    for (int i = 0; i < Leaderboard::Places; ++i)
        reread += again.rawName(i) + ',' + QByteArray::number(again.score(i)) + "\r\n";
    QCOMPARE(reread, expected);
}

void TestLeaderboard::tableDeletedBeforeTheSaveStartsAfresh() {
    // Deleting the file starts a fresh table, also while a leaderboard window holds the old one.
    QTemporaryDir dir;
    QVERIFY(writeBytes(tablePath(dir), "a,1000\r\nb,900\r\nc,800\r\nd,700\r\ne,600\r\n"
                                       "f,500\r\ng,400\r\nh,300\r\ni,200\r\nj,100\r\n"));
    Leaderboard table(programFolder(dir));
    QCOMPARE(table.load(), LoadResult::Read);
    QCOMPARE(table.rank(950), 1);
    QVERIFY(QFile::remove(tablePath(dir)));
    QVERIFY(table.save(QStringLiteral("new")));
    QCOMPARE(readBytes(tablePath(dir)), QByteArray("new,950\r\n0,0\r\n0,0\r\n0,0\r\n0,0\r\n"
                                                   "0,0\r\n0,0\r\n0,0\r\n0,0\r\n0,0\r\n"));
}

void TestLeaderboard::savedEntriesReadBack_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint32>("score");

    QTest::newRow("score above 16 bits") << "big" << 1234567;
    QTest::newRow("comma in the name") << "a,b" << 5000;
    QTest::newRow("Chinese name") << QStringLiteral("小明，你好") << 3000;
    QTest::newRow("empty after dropping controls") << "\n" << 1000;
}

void TestLeaderboard::savedEntriesReadBack() {
    QFETCH(QString, name);
    QFETCH(qint32, score);
    QTemporaryDir dir;
    QVERIFY(writeBytes(tablePath(dir), Table));
    Leaderboard table(programFolder(dir));
    table.load();
    QCOMPARE(table.rank(score), 0);
    QVERIFY(table.save(name));

    Leaderboard again(programFolder(dir));
    QCOMPARE(again.load(), LoadResult::Read);
    QCOMPARE(again.name(0), name.remove(QLatin1Char('\n')));
    QCOMPARE(again.score(0), score);
    QCOMPARE(again.name(1), QStringLiteral("p0"));
    QCOMPARE(again.score(9), 100);
}

void TestLeaderboard::damagedFileNeverCrashesNorIsReplaced_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<LoadResult>("result");

    QTest::newRow("directory") << "directory" << LoadResult::Unreadable;
    QTest::newRow("pipe") << "pipe" << LoadResult::Unreadable;
    QTest::newRow("dangling link") << "dangling" << LoadResult::CreatedDefault;
    QTest::newRow("empty file") << "empty" << LoadResult::Read;
}

void TestLeaderboard::damagedFileNeverCrashesNorIsReplaced() {
    QFETCH(QString, kind);
    QFETCH(LoadResult, result);
    QTemporaryDir dir;
    const QString path = tablePath(dir);
    if (kind == "directory")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("tavrel.tmp")));
    else if (kind == "pipe")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == "dangling")
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), path));
    else if (kind == "empty")
        QVERIFY(writeBytes(path, QByteArray()));

    Leaderboard table(programFolder(dir));
    QCOMPARE(table.load(), result);
    const bool enters = table.rank(99) >= 0;
    QCOMPARE(enters, result != LoadResult::Unreadable);
    if (result == LoadResult::Unreadable) {
        QCOMPARE(table.name(0), QStringLiteral("0"));
        QVERIFY(!table.save(QStringLiteral("n")));
        QVERIFY(!QFileInfo(path).isFile());
    }
    if (kind == "dangling") {
        // The link is followed: its target now holds the default table.
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("gone"))), DefaultFile);
    }
}

void TestLeaderboard::hugeFileReadsOnlyItsStart() {
    QTemporaryDir dir;
    QByteArray bytes = Table + QByteArray(10 << 20, 'y');
    QVERIFY(writeBytes(tablePath(dir), bytes));
    Leaderboard table(programFolder(dir));
    QCOMPARE(table.load(), LoadResult::Read);
    QCOMPARE(table.name(9), QStringLiteral("p9"));
    // The eleventh line, cut at the read limit, holds neither a comma nor a number.
    QCOMPARE(table.name(10), QString());
    QCOMPARE(table.score(10), 0);
    QCOMPARE(table.rank(850), 1);
    QVERIFY(table.save(QStringLiteral("n")));
    QCOMPARE(readBytes(tablePath(dir)),
             "p0,900\r\nn,850\r\n" +
                 tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100}).mid(8));
}

void TestLeaderboard::damagedContentKeepsEveryEntryThroughASave_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<qint32>>("loaded");
    QTest::addColumn<qint32>("score");
    QTest::addColumn<int>("place");
    QTest::addColumn<QList<qint32>>("saved");

    const QList<qint32> descending{900, 800, 700, 600, 500, 400, 300, 200, 100, 0};
    const QList<qint32> zeros(10, 0);
    QByteArray nulNames = Table;
    nulNames.replace("p3,", QByteArray("p\0\0,", 4)).replace("p7,", QByteArray("\0,", 2));
    QTest::newRow("NUL bytes in names")
        << nulNames << descending << 650 << 3
        << QList<qint32>{900, 800, 700, 650, 600, 500, 400, 300, 200, 100};
    // What a crash of the file system can leave: the file's blocks, all zero.
    QTest::newRow("only NUL bytes") << QByteArray(4096, '\0') << zeros << 50 << 0
                                    << QList<qint32>{50, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("invalid GBK names")
        << QByteArray("\xFF\xFE,900\r\n\x81,800\r\nok\x80\xFF\x81,700\r\n")
        << QList<qint32>{900, 800, 700, 0, 0, 0, 0, 0, 0, 0} << 750 << 2
        << QList<qint32>{900, 800, 750, 700, 0, 0, 0, 0, 0, 0};
    QTest::newRow("10 MB without line ends") << QByteArray(10 << 20, 'x') + ",42" << zeros << 1 << 0
                                             << QList<qint32>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("cut in the middle of a line")
        << Table.left(44) << QList<qint32>{900, 800, 700, 600, 500, 4, 0, 0, 0, 0} << 450 << 5
        << QList<qint32>{900, 800, 700, 600, 500, 450, 4, 0, 0, 0};
}

void TestLeaderboard::damagedContentKeepsEveryEntryThroughASave() {
    QFETCH(QByteArray, file);
    QFETCH(QList<qint32>, loaded);
    QFETCH(qint32, score);
    QFETCH(int, place);
    QFETCH(QList<qint32>, saved);
    QTemporaryDir dir;
    QVERIFY(writeBytes(tablePath(dir), file));

    Leaderboard table(programFolder(dir));
    QCOMPARE(table.load(), LoadResult::Read);
    for (int i = 0; i < Leaderboard::Places; ++i)
        QCOMPARE(table.score(i), loaded[i]);
    QCOMPARE(table.rank(score), place);
    QVERIFY(table.save(QStringLiteral("new")));

    const QByteArray written = readBytes(tablePath(dir));
    QCOMPARE(written.count("\r\n"), 10);
    QVERIFY(written.endsWith("\r\n"));
    Leaderboard reread(programFolder(dir));
    QCOMPARE(reread.load(), LoadResult::Read);
    for (int i = 0; i < Leaderboard::Places; ++i) {
        QCOMPARE(reread.score(i), saved[i]);
        if (i == place) {
            QCOMPARE(reread.name(i), QStringLiteral("new"));
            continue;
        }
        // Names come back as read; only bytes that were no GBK at all come back as "?".
        QString name = table.name(i < place ? i : i - 1);
        name.replace(QChar::ReplacementCharacter, QLatin1Char('?'));
        QCOMPARE(reread.name(i), name);
    }
}

void TestLeaderboard::unreadableFileIsLeftAlone() {
    if (geteuid() != 0)
        QSKIP("needs root to run the loader as another user");
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7777)));
    QVERIFY(writeBytes(tablePath(dir), Table));
    QVERIFY(QFile::setPermissions(tablePath(dir), QFileDevice::Permissions()));
    // A copy of this program where the other user may run it.
    const QString helper = dir.filePath(QStringLiteral("helper"));
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), helper));

    QProcess process;
    process.start(QStringLiteral("setpriv"),
                  {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                   QStringLiteral("--clear-groups"), helper, QStringLiteral("--load-as-helper"),
                   programFolder(dir)});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        QSKIP(qPrintable("cannot run as another user: " + process.readAllStandardError()));
    // Unreadable, default table shown, no place, nothing saved.
    QCOMPARE(process.readAllStandardOutput().trimmed(), QByteArray("2 -1 0 0"));
    QCOMPARE(readBytes(tablePath(dir)), Table);
}

void TestLeaderboard::failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("read-only folder") << "readonly";
    QTest::newRow("full disk") << "full";
    QTest::newRow("directory in place of the file") << "directory";
}

void TestLeaderboard::failedSaveKeepsTheOldFile() {
    QFETCH(QString, fault);
    QTemporaryDir dir;
    wimbly::test::Mount mount;
    if (fault == "full" && !mount.tmpfs(dir.path(), QStringLiteral("64k")))
        QSKIP("needs root to mount a small tmpfs");
    QVERIFY(writeBytes(tablePath(dir), Table));
    Leaderboard table(programFolder(dir));
    QCOMPARE(table.load(), LoadResult::Read);
    QCOMPARE(table.rank(1000), 0);

    QString kept = tablePath(dir);
    if (fault == "readonly") {
        if (!mount.readOnly(dir.path()))
            QSKIP("needs root to mount the folder read-only");
    } else if (fault == "full") {
        QFile filler(dir.filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size()) {
        }
    } else {
        kept = dir.filePath(QStringLiteral("old"));
        QVERIFY(QFile::rename(tablePath(dir), kept));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("tavrel.tmp")));
    }
    QVERIFY(!table.save(QString(2000, QLatin1Char('n'))));
    QCOMPARE(readBytes(kept), Table);
    const QStringList left = filesIn(dir.path());
    for (const QString& name : left)
        QVERIFY2(!name.startsWith(QStringLiteral("tavrel.tmp.")) || TableFiles.contains(name),
                 qPrintable(name));
}

void TestLeaderboard::tableMovesToUserDataWhereProgramFolderIsReadOnly() {
    QTemporaryDir dir;
    wimbly::test::Mount mount;
    if (!mount.readOnly(dir.path()))
        QSKIP("needs root to mount the folder read-only");
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QVERIFY2(userFolder.contains(QStringLiteral("/.qttest/")), qPrintable(userFolder));
    QDir(userFolder).removeRecursively();

    Leaderboard table(programFolder(dir));
    QCOMPARE(table.filePath(), QDir(userFolder).filePath(QStringLiteral("tavrel.tmp")));
    QCOMPARE(table.load(), LoadResult::CreatedDefault);
    QCOMPARE(table.rank(10), 0);
    QVERIFY(table.save(QStringLiteral("me")));
    QCOMPARE(readBytes(table.filePath()).left(7), QByteArray("me,10\r\n"));
    QVERIFY(!QFile::exists(tablePath(dir)));
    QDir(userFolder).removeRecursively();
}

void TestLeaderboard::linksAreFollowedOnlyWhereThePlayerOwnsThem_data() {
    QTest::addColumn<bool>("linkOfOther");
    QTest::addColumn<bool>("targetOfOther");
    QTest::newRow("the player's link to the player's file") << false << false;
    QTest::newRow("another user's link to the player's file") << true << false;
    QTest::newRow("the player's link to another user's file") << false << true;
}

void TestLeaderboard::linksAreFollowedOnlyWhereThePlayerOwnsThem() {
    QFETCH(bool, linkOfOther);
    QFETCH(bool, targetOfOther);
    if ((linkOfOther || targetOfOther) && geteuid() != 0)
        QSKIP("needs root to give a file to another user");
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("mine.txt"));
    QVERIFY(writeBytes(target, Table));
    QVERIFY(QFile::link(target, tablePath(dir)));
    const QByteArray link = QFile::encodeName(tablePath(dir));
    if (linkOfOther)
        QCOMPARE(lchown(link.constData(), 65534, 65534), 0);
    if (targetOfOther)
        QCOMPARE(chown(QFile::encodeName(target).constData(), 65534, 65534), 0);

    Leaderboard table(programFolder(dir));
    const bool followed = !linkOfOther && !targetOfOther;
    QCOMPARE(table.load(), followed ? LoadResult::Read : LoadResult::Unreadable);
    QCOMPARE(table.canSave(), followed);
    QCOMPARE(table.name(0), followed ? QStringLiteral("p0") : QStringLiteral("0"));
    QCOMPARE(table.rank(1000), followed ? 0 : -1);
    QCOMPARE(table.save(QStringLiteral("me")), followed);

    // The link stays a link; the file behind it holds the table.
    QCOMPARE(QFileInfo(tablePath(dir)).symLinkTarget(), target);
    QCOMPARE(readBytes(target),
             followed ? "me,1000\r\n" + tenLines({900, 800, 700, 600, 500, 400, 300, 200, 100})
                      : Table);
}

void TestLeaderboard::linkPlantedInASharedFolderIsNeverWritten_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("protectedSymlinks"); // -1: as the system has it
    QTest::newRow("1777, protected links off") << 01777 << 0;
    QTest::newRow("1777, protected links on") << 01777 << 1;
    QTest::newRow("0777") << 0777 << -1;
    QTest::newRow("0775") << 0775 << -1;
}

void TestLeaderboard::linkPlantedInASharedFolderIsNeverWritten() {
    QFETCH(int, mode);
    QFETCH(int, protectedSymlinks);
    if (geteuid() != 0)
        QSKIP("needs root to plant a link as another user");
    const QString setting = QStringLiteral("/proc/sys/fs/protected_symlinks");
    const QByteArray before = readBytes(setting).trimmed();
    struct Restore {
        QString path;
        QByteArray value;
        ~Restore() {
            if (!value.isEmpty() && readBytes(path).trimmed() != value)
                writeBytes(path, value + "\n");
        }
    } restore{setting, protectedSymlinks >= 0 ? before : QByteArray()};
    if (protectedSymlinks >= 0 && before != QByteArray::number(protectedSymlinks) &&
        !writeBytes(setting, QByteArray::number(protectedSymlinks) + "\n"))
        QSKIP("cannot set fs.protected_symlinks here");

    QTemporaryDir dir;
    const QString shared = dir.filePath(QStringLiteral("shared"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("shared")));
    QCOMPARE(chmod(QFile::encodeName(shared).constData(), mode_t(mode)), 0);
    // The player's own file, and another user's link to it in the shared folder.
    const QString profile = dir.filePath(QStringLiteral("profile"));
    QVERIFY(writeBytes(profile, "export PATH\n"));
    const QString planted = shared + QStringLiteral("/tavrel.tmp");
    QVERIFY(QFile::link(profile, planted));
    QCOMPARE(lchown(QFile::encodeName(planted).constData(), 65534, 65534), 0);

    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir(userFolder).removeRecursively();
    Leaderboard table(shared + QLatin1Char('/'));
    QCOMPARE(table.filePath(), QDir(userFolder).filePath(QStringLiteral("tavrel.tmp")));
    QCOMPARE(table.load(), LoadResult::CreatedDefault);
    QCOMPARE(table.rank(10), 0);
    QVERIFY(table.save(QStringLiteral("me")));
    QCOMPARE(readBytes(profile), QByteArray("export PATH\n"));
    QCOMPARE(QFileInfo(planted).symLinkTarget(), profile);
    QVERIFY(readBytes(table.filePath()).startsWith("me,10\r\n"));
    QDir(userFolder).removeRecursively();
}

void TestLeaderboard::saveKeepsTheModeThePlayerGaveTheTable_data() {
    QTest::addColumn<int>("mode");
    QTest::newRow("private") << 0600;
    QTest::newRow("group may read") << 0640;
    QTest::newRow("everyone may read") << 0644;
}

// The new table replaces the old file: it must not open up a table the player made private.
void TestLeaderboard::saveKeepsTheModeThePlayerGaveTheTable() {
    QFETCH(int, mode);
    QTemporaryDir dir;
    QVERIFY(writeBytes(tablePath(dir), Table));
    const QByteArray path = QFile::encodeName(tablePath(dir));
    QCOMPARE(::chmod(path.constData(), mode_t(mode)), 0);
    // New files would be readable by everyone.
    const mode_t umaskBefore = ::umask(022);
    Leaderboard table(programFolder(dir));
    QCOMPARE(table.load(), LoadResult::Read);
    QCOMPARE(table.rank(1000), 0);
    const bool saved = table.save(QStringLiteral("x"));
    ::umask(umaskBefore);
    QVERIFY(saved);
    QVERIFY(readBytes(tablePath(dir)).startsWith("x,1000\r\n"));
    struct stat after {};
    QCOMPARE(::stat(path.constData(), &after), 0);
    QCOMPARE(int(after.st_mode & 07777), mode);
}

int main(int argc, char** argv) {
    if (argc == 3 && qstrcmp(argv[1], "--load-as-helper") == 0)
        return loadAsHelper(argv[2]);
    QCoreApplication app(argc, argv);
    TestLeaderboard test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_leaderboard.moc"
