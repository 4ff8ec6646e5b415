// Several copies of the program saving into one table at the same moment, and copies killed in
// the middle of a save. Each copy is this test program started again in a helper mode.

#include "filebytes.h"
#include "leaderboard.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using wimbly::Leaderboard;
using wimbly::test::readBytes;
using wimbly::test::writeBytes;

namespace {

using Entry = std::pair<QByteArray, qint32>;

QByteArray fileOf(const std::vector<Entry>& entries) {
    QByteArray bytes;
    for (const auto& [name, score] : entries)
        bytes += name + ',' + QByteArray::number(score) + "\r\n";
    return bytes;
}

// Helper: loads, says so, waits for a line on its input, then ranks and saves one entry. Exits
// with 0 when the table holds what it should, 1 when the save failed.
int saveOne(const char* folder, const char* name, const char* score) {
    Leaderboard table(QString::fromLocal8Bit(folder));
    table.load();
    std::puts("loaded");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 2;
    // A score that does not enter the table as loaded has nothing to save.
    if (table.rank(QByteArray(score).toInt()) < 0)
        return 0;
    return table.save(QString::fromLatin1(name)) ? 0 : 1;
}

// Helper: saves ever higher scores from `start` on until it is killed, reporting each save.
int saveForever(const char* folder, const char* start) {
    for (qint32 i = QByteArray(start).toInt();; ++i) {
        Leaderboard table(QString::fromLocal8Bit(folder));
        table.load();
        table.rank(i);
        if (!table.save(QStringLiteral("k%1").arg(i)))
            return 1;
        std::printf("%d\n", i);
        std::fflush(stdout);
    }
}

// A file this program wrote: ten lines "name,score" with CR LF, nothing torn.
bool wholeTable(const QByteArray& bytes) {
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() != Leaderboard::Places + 1 || !lines.last().isEmpty())
        return false;
    for (int i = 0; i < Leaderboard::Places; ++i) {
        const QByteArray& line = lines[i];
        const qsizetype comma = line.lastIndexOf(',');
        bool number = false;
        line.mid(comma + 1).chopped(1).toInt(&number);
        if (!line.endsWith('\r') || comma < 0 || !number)
            return false;
    }
    return true;
}

} // namespace

class TestTableStress : public QObject {
    Q_OBJECT

private slots:
    void eightCopiesSavingAtOnceKeepTheTopTen();
    void killedSavesNeverTearTheTableNorLeaveFilesBehind();
    void saveGivesUpOnALockThatStaysHeld();
};

void TestTableStress::eightCopiesSavingAtOnceKeepTheTopTen() {
    QTemporaryDir dir;
    std::vector<Entry> table;
    for (int i = 0; i < Leaderboard::Places; ++i)
        table.emplace_back("p" + QByteArray::number(i), 900 - 100 * i);
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("tavrel.tmp")), fileOf(table)));

    constexpr int Copies = 8;
    // Every round the eight new scores interleave with the table's: some enter, some do not.
    for (int round = 0; round < 4; ++round) {
        std::vector<std::unique_ptr<QProcess>> copies;
        for (int c = 0; c < Copies; ++c) {
            const QByteArray name = "r" + QByteArray::number(round) + "c" + QByteArray::number(c);
            const qint32 score = 150 + 150 * c + round;
            auto process = std::make_unique<QProcess>();
            process->start(QCoreApplication::applicationFilePath(),
                           {QStringLiteral("--save-one"), dir.path(), QString::fromLatin1(name),
                            QString::number(score)});
            table.emplace_back(name, score);
            copies.push_back(std::move(process));
        }
        // All eight have read the same table before any of them saves.
        for (auto& process : copies) {
            QVERIFY(process->waitForStarted());
            while (!process->canReadLine())
                QVERIFY(process->waitForReadyRead(10000));
            QCOMPARE(process->readLine(), QByteArray("loaded\n"));
        }
        for (auto& process : copies)
            process->write("go\n");
        for (auto& process : copies) {
            QVERIFY(process->waitForFinished(10000));
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
            QCOMPARE(process->exitCode(), 0);
        }
        // Higher scores first; of equal ones the older entry stays above.
        std::stable_sort(table.begin(), table.end(),
                         [](const Entry& a, const Entry& b) { return a.second > b.second; });
        table.resize(Leaderboard::Places);
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("tavrel.tmp"))), fileOf(table));
    }
}

void TestTableStress::killedSavesNeverTearTheTableNorLeaveFilesBehind() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavrel.tmp"));
    for (int kill = 0; kill < 25; ++kill) {
        QProcess process;
        process.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--save-forever"), dir.path(), QString::number(1000 * (kill + 1))});
        QVERIFY(process.waitForStarted());
        // Killed after a varying number of saves, so at varying points of one.
        const int saves = 1 + int(QRandomGenerator::global()->bounded(5));
        int seen = 0;
        while (seen < saves) {
            QVERIFY(process.waitForReadyRead(10000));
            while (process.canReadLine()) {
                process.readLine();
                ++seen;
            }
        }
        process.kill();
        QVERIFY(process.waitForFinished(10000));
        QVERIFY2(wholeTable(readBytes(path)), readBytes(path).constData());
    }

    // A leftover of the kind an interrupted save leaves, next to files that only look like one.
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("tavrel.tmp.Ab3xYz")), "k1,5\r\n"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("tavrel.tmp.notes")), "keep"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("tavrel.tmp.x-y_z1")), "keep"));
    QStringList kept{QStringLiteral("tavrel.tmp"), QStringLiteral("tavrel.tmp.lock"),
                     QStringLiteral("tavrel.tmp.notes"), QStringLiteral("tavrel.tmp.x-y_z1")};
    if (geteuid() == 0) {
        // One that belongs to another user is not the player's to remove.
        const QString foreign = dir.filePath(QStringLiteral("tavrel.tmp.Other1"));
        QVERIFY(writeBytes(foreign, "keep"));
        QCOMPARE(chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        kept.append(QStringLiteral("tavrel.tmp.Other1"));
    }
    kept.sort();

    // The lock of the killed copy never blocks the next save.
    Leaderboard table(dir.path());
    table.load();
    QVERIFY(table.rank(1 << 30) == 0);
    QVERIFY(table.save(QStringLiteral("last")));
    QVERIFY(wholeTable(readBytes(path)));
    QVERIFY(readBytes(path).startsWith("last,1073741824\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name),
             kept);
}

void TestTableStress::saveGivesUpOnALockThatStaysHeld() {
    QTemporaryDir dir;
    const QByteArray table = fileOf({{"a", 900}, {"b", 800}});
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("tavrel.tmp")), table));
    Leaderboard first(dir.path());
    first.load();
    QCOMPARE(first.rank(850), 1);

    // Another copy that has stopped in the middle of its save: it holds the lock and never lets
    // go. A lock of its own open file, so this process counts as that other copy.
    const int held = open(QFile::encodeName(dir.filePath(QStringLiteral("tavrel.tmp.lock"))),
                          O_RDWR | O_CLOEXEC);
    QVERIFY(held >= 0);
    QCOMPARE(flock(held, LOCK_EX | LOCK_NB), 0);
    QVERIFY(!first.save(QStringLiteral("late")));
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("tavrel.tmp"))), table);

    // Once the holder is gone, the same table saves.
    close(held);
    QVERIFY(first.save(QStringLiteral("late")));
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("tavrel.tmp"))),
             fileOf({{"a", 900}, {"late", 850}, {"b", 800}}) + QByteArray(",0\r\n").repeated(7));
}

int main(int argc, char** argv) {
    if (argc == 5 && qstrcmp(argv[1], "--save-one") == 0)
        return saveOne(argv[2], argv[3], argv[4]);
    if (argc == 4 && qstrcmp(argv[1], "--save-forever") == 0)
        return saveForever(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    TestTableStress test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_tablestress.moc"
