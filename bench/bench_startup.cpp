// Start-up of the program against a bare Qt Widgets window of the same size, in the same run:
// time from process start to the first painted main window, resident memory after start-up, and
// CPU time used while sitting idle afterwards.
//
//   bench_startup [runs] [idle seconds]
// starts itself as a child for each measurement, alternating the two windows.

#include "form1.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace wimbly;

namespace {

qint64 monotonicMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Usage {
    long maxRssKb;
    double cpuMs;
};

Usage usage() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const double cpu = (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
                       (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
    return {u.ru_maxrss, cpu};
}

// Prints the moment of the first paint, then the memory, then idles and prints the CPU it used.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(int idleSeconds) : m_idleSeconds(idleSeconds) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Paint || m_seen)
            return false;
        m_seen = true;
        std::printf("painted %lld\n", static_cast<long long>(monotonicMicroseconds()));
        QTimer::singleShot(0, [this] {
            const Usage settled = usage();
            std::printf("rss %ld\n", settled.maxRssKb);
            QTimer::singleShot(m_idleSeconds * 1000, [settled] {
                std::printf("idle-cpu %.1f\n", usage().cpuMs - settled.cpuMs);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        });
        return false;
    }

private:
    int m_idleSeconds;
    bool m_seen = false;
};

int child(int argc, char* argv[], bool bare, int idleSeconds) {
    QApplication app(argc, argv);
    FirstPaint watch(idleSeconds);
    QTemporaryDir folder;
    std::unique_ptr<QWidget> window;
    if (bare) {
        window = std::make_unique<QWidget>();
        window->setFixedSize(Form1::ClientSize);
    } else {
        window = std::make_unique<Form1>(Form1::Setup{nullptr, nullptr, folder.path()});
    }
    window->installEventFilter(&watch);
    window->show();
    return app.exec();
}

struct Sample {
    double startMs;
    long rssKb;
    double idleCpuMs;
};

Sample measure(const QString& self, const char* kind, int idleSeconds) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 started = monotonicMicroseconds();
    process.start(
        self, {QStringLiteral("--child"), QString::fromLatin1(kind), QString::number(idleSeconds)});
    process.waitForFinished(60000);
    Sample sample{};
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 2)
            continue;
        if (words[0] == "painted")
            sample.startMs = (words[1].toLongLong() - started) / 1e3;
        else if (words[0] == "rss")
            sample.rssKb = words[1].toLong();
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
    if (argc == 4 && QByteArray(argv[1]) == "--child")
        return child(1, argv, QByteArray(argv[2]) == "bare", QByteArray(argv[3]).toInt());

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const QString self = QString::fromLocal8Bit(argv[0]);
    std::vector<double> startGame, startBare, rssGame, rssBare;
    for (int i = 0; i < runs; ++i) {
        const Sample bare = measure(self, "bare", 0);
        const Sample game = measure(self, "game", 0);
        startBare.push_back(bare.startMs);
        startGame.push_back(game.startMs);
        rssBare.push_back(bare.rssKb);
        rssGame.push_back(game.rssKb);
    }
    const Sample idleBare = measure(self, "bare", idleSeconds);
    const Sample idleGame = measure(self, "game", idleSeconds);

    std::printf("start to first paint, median of %d: game %.1f ms, bare window %.1f ms (%.2fx)\n",
                runs, median(startGame), median(startBare), median(startGame) / median(startBare));
    std::printf("resident memory after start-up: game %.0f kB, bare window %.0f kB (%.2fx)\n",
                median(rssGame), median(rssBare), median(rssGame) / median(rssBare));
    std::printf("CPU while idle for %d s: game %.1f ms, bare window %.1f ms\n", idleSeconds,
                idleGame.idleCpuMs, idleBare.idleCpuMs);
    return 0;
}
