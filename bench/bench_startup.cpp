// Start-up of the program against a bare Qt Widgets window of the same size, in the same run:
// time from process start to the first painted main window, the CPU time, resident memory and
// threads then, memory and threads two seconds later, and CPU time used while sitting idle after
// that.
//
//   bench_startup [rounds] [idle seconds] [other bench_startup ...]
// starts itself and bench_bare_window as children. Each round starts the bare window, the bare
// window holding only a score label (what the Chinese fonts alone cost) and the program, one
// after the other, each ending at its first paint: start-up times spread by several
// milliseconds from one start to the next, so only the medians of many rounds compare. Three
// more rounds let each live on to settle, and one start of each idles. Other builds of this
// benchmark named on the command line take their turns in the same rounds, so two versions of
// the program are compared in one session.

#include "accessibility.h"
#include "firstpaint.h"
#include "mainwindow.h"
#include "parentsmenu.h"
#include "settings.h"

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

// The program as it starts, with its probe: the steps of its main(), with the leaderboard and
// the settings in a folder of their own, so the user's are neither read nor written.
int child(int argc, char* argv[], int idleSeconds) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("wimbly"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.wimbly.Wimbly"));
    installScreenReaderSupport();
    FirstPaint watch(idleSeconds);
    QTemporaryDir folder;
    SettingsStore settings(folder.filePath(QStringLiteral("wimbly.ini")));
    MainWindow::Setup setup;
    setup.folder = folder.path();
    MainWindow window(std::move(setup));
    ParentsMenu parentsMenu(window, &settings);
    Preferences preferences = settings.load();
    // WIMBLY_BENCH_SPEAK=1: as with the names said, whose library must wait for the first paint.
    preferences.speak = qEnvironmentVariableIntValue("WIMBLY_BENCH_SPEAK") != 0;
    parentsMenu.apply(preferences);
    window.installEventFilter(&watch);
    window.show();
    return app.exec();
}

struct Sample {
    double startMs;
    double cpuMs;
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
        else if (words[0] == "cpu")
            sample.cpuMs = words[1].toDouble();
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

// One program measured over the rounds: its arguments are `before`, its idle time, `after`.
struct Subject {
    QString program;
    QStringList before, after;
    std::vector<Sample> quick, settled;

    Sample run(int idleSeconds) const {
        return measure(program, before + QStringList{QString::number(idleSeconds)} + after);
    }
    template <typename F> double median(F field, bool settledRounds = false) const {
        std::vector<double> values;
        for (const Sample& sample : settledRounds ? settled : quick)
            values.push_back(double(field(sample)));
        return ::median(values);
    }
};

constexpr int SettledRounds = 3;
constexpr int QuitAtFirstPaint = -1;

double startMs(const Sample& s) {
    return s.startMs;
}
double cpuMs(const Sample& s) {
    return s.cpuMs;
}
double rssKb(const Sample& s) {
    return double(s.rssKb);
}
double threadCount(const Sample& s) {
    return double(s.threads);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return child(1, argv, QByteArray(argv[2]).toInt());

    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 101;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    const QString self = QString::fromLocal8Bit(argv[0]);
    const QString bareProgram =
        QDir(QFileInfo(self).absolutePath()).filePath(QStringLiteral("bench_bare_window"));
    Subject bare{bareProgram, {}, {}, {}, {}};
    Subject label{bareProgram, {}, {QStringLiteral("label")}, {}, {}};
    Subject game{self, {QStringLiteral("--child")}, {}, {}, {}};
    std::vector<Subject> others;
    for (int i = 3; i < argc; ++i)
        others.push_back(
            {QString::fromLocal8Bit(argv[i]), {QStringLiteral("--child")}, {}, {}, {}});
    std::vector<Subject*> subjects{&bare, &label, &game};
    for (Subject& other : others)
        subjects.push_back(&other);

    for (int i = 0; i < rounds; ++i) {
        for (Subject* subject : subjects)
            subject->quick.push_back(subject->run(QuitAtFirstPaint));
    }
    for (int i = 0; i < SettledRounds; ++i) {
        for (Subject* subject : {&label, &game})
            subject->settled.push_back(subject->run(0));
    }
    const Sample idleBare = bare.run(idleSeconds);
    const Sample idleGame = game.run(idleSeconds);

    std::printf("start to first paint, median of %d: game %.1f ms, bare window %.1f ms (%.2fx)\n",
                rounds, game.median(startMs), bare.median(startMs),
                game.median(startMs) / bare.median(startMs));
    std::printf("resident memory at first paint: game %.0f kB, bare window %.0f kB (%.2fx)\n",
                game.median(rssKb), bare.median(rssKb), game.median(rssKb) / bare.median(rssKb));
    std::printf("the bare window with only the score label: %.1f ms (game %.2fx), %.0f kB (game "
                "%.2fx)\n",
                label.median(startMs), game.median(startMs) / label.median(startMs),
                label.median(rssKb), game.median(rssKb) / label.median(rssKb));
    std::printf("CPU time to first paint: game %.1f ms, bare window with the label %.1f ms "
                "(%.2fx)\n",
                game.median(cpuMs), label.median(cpuMs), game.median(cpuMs) / label.median(cpuMs));
    std::printf("threads at first paint: game %.0f, bare window with the label %.0f\n",
                game.median(threadCount), label.median(threadCount));
    std::printf("two seconds after first paint: game %.0f kB and %.0f threads, bare window with "
                "the label %.0f kB and %.0f threads\n",
                game.median([](const Sample& s) { return s.settledRssKb; }, true),
                game.median([](const Sample& s) { return s.settledThreads; }, true),
                label.median([](const Sample& s) { return s.settledRssKb; }, true),
                label.median([](const Sample& s) { return s.settledThreads; }, true));
    std::printf("CPU while idle for %d s: game %.1f ms, bare window %.1f ms\n", idleSeconds,
                idleGame.idleCpuMs, idleBare.idleCpuMs);
    for (const Subject& other : others) {
        std::printf("%s: %.1f ms (%.2fx the bare window with the label), CPU %.1f ms (%.2fx), "
                    "%.0f kB (%.2fx), %.0f threads at first paint\n",
                    qPrintable(other.program), other.median(startMs),
                    other.median(startMs) / label.median(startMs), other.median(cpuMs),
                    other.median(cpuMs) / label.median(cpuMs), other.median(rssKb),
                    other.median(rssKb) / label.median(rssKb), other.median(threadCount));
    }
    return 0;
}
