// The game history on the real disk: what recording a game costs, directly and through the game's
// recorder, once the history holds 10,000 games, how long opening such a history and loading one
// child's 10,000 games take. The folder is a new one under the system's temporary folder, or under
// the folder given as the first argument (the user's data folder, say, for the disk the program
// really uses).

#include "history.h"
#include "recorder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace wimbly;

namespace {

constexpr int FilledGames = 10000;
constexpr int OtherGames = 1000;
// Enough games for the write-ahead log to fill several times over (a game adds a few pages).
constexpr int TimedRecords = 1000;
// What a record may cost the UI thread.
constexpr qint64 BudgetNs = 5000000;
constexpr int Loads = 5;

GameRecord game(const QString& child, int i) {
    GameRecord game;
    game.child = child;
    // A game every minute from the start of a year, as a child playing a lot might.
    game.started = QDateTime(QDate(2026, 1, 1), QTime(8, 0), Qt::UTC).addSecs(qint64(i) * 60);
    game.seconds = 60 + i % 300;
    game.score = i % 5000;
    game.longest = i % 36;
    game.turns = i % 40;
    game.mistakes = i % 7;
    game.ended = QStringLiteral("over");
    return game;
}

double ms(qint64 nanoseconds) {
    return double(nanoseconds) / 1e6;
}

double median(std::vector<qint64> values) {
    std::sort(values.begin(), values.end());
    return ms(values[values.size() / 2]);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QTemporaryDir folder(root.isEmpty() ? QDir::tempPath() + QStringLiteral("/bench_history-XXXXXX")
                                        : root + QStringLiteral("/bench_history-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot make a folder: %s\n", qPrintable(folder.errorString()));
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("history.sqlite"));
    const QString child = QStringLiteral("Mia");
    {
        History history(path);
        if (!history.open()) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
            return 1;
        }
        for (int i = 0; i < FilledGames; ++i)
            history.record(game(child, i));
        for (int i = 0; i < OtherGames; ++i)
            history.record(game(QStringLiteral("Bo"), i));
    }

    // A new start of the program on the full history.
    History history(path);
    QElapsedTimer timer;
    timer.start();
    if (!history.open()) {
        std::fprintf(stderr, "cannot open %s again\n", qPrintable(path));
        return 1;
    }
    const qint64 opened = timer.nsecsElapsed();

    std::vector<qint64> records;
    records.reserve(TimedRecords);
    for (int i = 0; i < TimedRecords; ++i) {
        const GameRecord played = game(QStringLiteral("Bo"), OtherGames + i);
        timer.restart();
        if (!history.record(played)) {
            std::fprintf(stderr, "record failed\n");
            return 1;
        }
        records.push_back(timer.nsecsElapsed());
    }

    std::vector<qint64> loads;
    size_t loaded = 0;
    for (int i = 0; i < Loads; ++i) {
        timer.restart();
        loaded = history.games(child).size();
        loads.push_back(timer.nsecsElapsed());
    }

    QBuffer csv;
    csv.open(QIODevice::WriteOnly);
    timer.restart();
    history.exportCsv(csv);
    const qint64 exported = timer.nsecsElapsed();

    // The game records through its recorder, which writes on a thread of its own: what the UI
    // thread pays is handing the game over.
    std::vector<qint64> handed;
    handed.reserve(TimedRecords);
    qint64 written = 0;
    {
        Recorder recorder(path);
        recorder.open();
        recorder.isRecording();
        for (int i = 0; i < TimedRecords; ++i) {
            const GameRecord played = game(QStringLiteral("Cy"), i);
            timer.restart();
            recorder.record(played);
            handed.push_back(timer.nsecsElapsed());
        }
        timer.restart();
        recorder.lastGame(QStringLiteral("Cy"));
        written = timer.nsecsElapsed();
    }

    std::printf("history of %d games in %s\n", FilledGames + OtherGames, qPrintable(path));
    std::printf("open (quick_check included): %.3f ms\n", ms(opened));
    std::printf("record: median %.3f ms, worst %.3f ms, %lld over 5 ms, over %d games\n",
                median(records), ms(*std::max_element(records.begin(), records.end())),
                static_cast<long long>(std::count_if(records.begin(), records.end(),
                                                     [](qint64 ns) { return ns > BudgetNs; })),
                TimedRecords);
    std::printf("recorder, on the UI thread: median %.4f ms, worst %.3f ms, %lld over 5 ms, over "
                "%d games; all written %.1f ms after the last\n",
                median(handed), ms(*std::max_element(handed.begin(), handed.end())),
                static_cast<long long>(std::count_if(handed.begin(), handed.end(),
                                                     [](qint64 ns) { return ns > BudgetNs; })),
                TimedRecords, ms(written));
    std::printf("games(child) of %zu games: first %.3f ms, median %.3f ms over %d loads\n", loaded,
                ms(loads.front()), median(loads), Loads);
    std::printf("exportCsv of %d games (%lld bytes): %.3f ms\n",
                FilledGames + OtherGames + TimedRecords, static_cast<long long>(csv.size()),
                ms(exported));
    return 0;
}
