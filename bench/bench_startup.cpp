// Start-up of the program against a bare Qt Widgets window of the same size, in the same run:
// time from process start to the first painted main window, resident memory and threads then and
// two seconds later, and CPU time used while sitting idle after that.
//
//   bench_startup [runs] [idle seconds]
// starts itself and bench_bare_window as children, alternating them. A second floor, the bare
// window holding only a score label, shows what the Chinese fonts alone cost.

#include "firstpaint.h"
#include "form1.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace wimbly;
using namespace wimbly::bench;

namespace {

// The program as it starts, with its probe.
int child(int argc, char* argv[], int idleSeconds) {
    QApplication app(argc, argv);
    FirstPaint watch(idleSeconds);
    QTemporaryDir folder;
    Form1::Setup setup;
    setup.folder = folder.path();
    Form1 window(std::move(setup));
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}

struct Sample {
    double startMs;
    long rssKb;
    long threads;
    long settledRssKb;
    long settledThreads;
    double idleCpuMs;
};

Sample measure(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 started = monotonicMicroseconds();
    process.start(program, arguments);
    process.waitForFinished(60000);
    Sample sample{};
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue;
        if (words[0] == "painted")
            sample.startMs = double(words[1].toLongLong() - started) / 1e3;
        else if (words[0] == "rss")
            sample.rssKb = words[1].toLong();
        else if (words[0] == "threads")
            sample.threads = words[1].toLong();
        else if (words[0] == "settled-rss")
            sample.settledRssKb = words[1].toLong();
        else if (words[0] == "settled-threads")
            sample.settledThreads = words[1].toLong();
        else if (words[0] == "idle-cpu")
            sample.idleCpuMs = words[1].toDouble();
    }
    return sample;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return child(1, argv, QByteArray(argv[2]).toInt());

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString bare =
        QDir(QFileInfo(self).absolutePath()).filePath(QStringLiteral("bench_bare_window"));
    auto game = [&](int idle) {
        return measure(self, {QStringLiteral("--child"), QString::number(idle)});
    };
    auto floor = [&](int idle) { return measure(bare, {QString::number(idle)}); };
    auto floorWithText = [&] {
        return measure(bare, {QStringLiteral("0"), QStringLiteral("label")});
    };

    std::vector<double> startGame, startBare, startText, rssGame, rssBare, rssText;
    std::vector<double> threadsGame, threadsText, settledGame, settledText, settledThreadsGame,
        settledThreadsText;
    for (int i = 0; i < runs; ++i) {
        const Sample b = floor(0);
        const Sample t = floorWithText();
        const Sample g = game(0);
        startBare.push_back(b.startMs);
        startText.push_back(t.startMs);
        startGame.push_back(g.startMs);
        rssBare.push_back(double(b.rssKb));
        rssText.push_back(double(t.rssKb));
        rssGame.push_back(double(g.rssKb));
        threadsGame.push_back(double(g.threads));
        threadsText.push_back(double(t.threads));
        settledGame.push_back(double(g.settledRssKb));
        settledText.push_back(double(t.settledRssKb));
        settledThreadsGame.push_back(double(g.settledThreads));
        settledThreadsText.push_back(double(t.settledThreads));
    }
    const Sample idleBare = floor(idleSeconds);
    const Sample idleGame = game(idleSeconds);

    std::printf("start to first paint, median of %d: game %.1f ms, bare window %.1f ms (%.2fx)\n",
                runs, median(startGame), median(startBare), median(startGame) / median(startBare));
    std::printf("resident memory after start-up: game %.0f kB, bare window %.0f kB (%.2fx)\n",
                median(rssGame), median(rssBare), median(rssGame) / median(rssBare));
    std::printf("the bare window with only the score label: %.1f ms (game %.2fx), %.0f kB (game "
                "%.2fx)\n",
                median(startText), median(startGame) / median(startText), median(rssText),
                median(rssGame) / median(rssText));
    std::printf("threads at first paint: game %.0f, bare window with the label %.0f\n",
                median(threadsGame), median(threadsText));
    std::printf("two seconds after first paint: game %.0f kB and %.0f threads, bare window with "
                "the label %.0f kB and %.0f threads\n",
                median(settledGame), median(settledThreadsGame), median(settledText),
                median(settledThreadsText));
    std::printf("CPU while idle for %d s: game %.1f ms, bare window %.1f ms\n", idleSeconds,
                idleGame.idleCpuMs, idleBare.idleCpuMs);
    return 0;
}
