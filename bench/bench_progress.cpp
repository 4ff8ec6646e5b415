// The progress window over a long history: 10,000 games of one child over about three years.
// Measures, over several openings, the time from ProgressWindow::open() to the end of the window's
// first paint (the window and its chart painted and flushed), the part of it that open() itself
// takes, reading and summing up the games, and the reading alone. The first opening also loads the
// fonts.
//
//   QT_QPA_PLATFORM=offscreen bench/bench_progress [rounds] [games]

#include "history.h"
#include "paintwatch.h"
#include "progresswindow.h"
#include "recorder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace wimbly;
using bench::Figures;
using bench::figures;
using bench::PaintWatch;
using bench::waitForPaints;

namespace {

// `count` games of one child, one to twenty a day on most days over three years, getting
// slowly better.
bool fill(History& history, int count) {
    QRandomGenerator random(2026);
    const QString child = QStringLiteral("小明");
    const int days = 3 * 365;
    const QDateTime firstDay(QDate(2023, 12, 1), QTime(8, 0));
    for (int i = 0; i < count; ++i) {
        const int day = int(qint64(i) * days / count);
        GameRecord game;
        game.child = child;
        game.started = firstDay.addDays(day).addSecs(random.bounded(13 * 3600)).toUTC();
        game.seconds = 30 + random.bounded(400);
        game.longest = std::max(0, 1 + day * 9 / days + int(random.bounded(5)) - 2);
        game.turns = game.longest + 1;
        game.score = game.longest * 100 + int(random.bounded(100));
        game.ended = QStringLiteral("over");
        if (!history.record(game))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int games = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10000;

    QTemporaryDir folder;
    History history(folder.filePath(QStringLiteral("history.sqlite")));
    QElapsedTimer timer;
    timer.start();
    if (!history.open() || !fill(history, games)) {
        std::fprintf(stderr, "cannot fill the history in %s\n", qPrintable(folder.path()));
        return 1;
    }
    std::printf("%d games recorded in %.0f ms\n", games, double(timer.nsecsElapsed()) / 1e6);

    // The window reads through the game's recorder, which the game opens once it has painted its
    // first frame, long before a grown-up asks for the progress.
    Recorder recorder(history.filePath());
    recorder.open();
    recorder.isRecording();
    ProgressSetup setup;
    setup.history = &recorder;
    setup.children = {QStringLiteral("小明")};
    setup.child = QStringLiteral("小明");

    std::vector<double> read, opened, painted;
    for (int i = 0; i < rounds; ++i) {
        timer.restart();
        const std::size_t count = history.games(setup.child).size();
        read.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (count != std::size_t(games)) {
            std::fprintf(stderr, "the history gives %zu games\n", count);
            return 1;
        }
    }
    for (int i = 0; i < rounds; ++i) {
        PaintWatch windowPaints, chartPaints;
        timer.restart();
        ProgressWindow* window = ProgressWindow::open(setup, nullptr);
        opened.push_back(double(timer.nsecsElapsed()) / 1e6);
        window->installEventFilter(&windowPaints);
        QWidget* chart = window->findChild<QWidget*>(QStringLiteral("chart"));
        chart->installEventFilter(&chartPaints);
        waitForPaints(windowPaints, 0, chartPaints, 0);
        painted.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (window->summary().gameCount() != games) {
            std::fprintf(stderr, "the window shows %d games\n", window->summary().gameCount());
            return 1;
        }
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const Figures reading = figures(read);
    const Figures open = figures(opened);
    const Figures paint = figures(painted);
    std::printf("%d openings of the progress window, %d games:\n", rounds, games);
    std::printf("  History::games()     median %6.1f ms  worst %6.1f ms  first %6.1f ms\n",
                reading.median, reading.worst, reading.first);
    std::printf("  open() returned      median %6.1f ms  worst %6.1f ms  first %6.1f ms\n",
                open.median, open.worst, open.first);
    std::printf("  first paint finished median %6.1f ms  worst %6.1f ms  first %6.1f ms\n",
                paint.median, paint.worst, paint.first);
    return 0;
}
