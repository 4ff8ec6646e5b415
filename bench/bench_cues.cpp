// How soon a sound cue reaches the sound server's output after what it belongs to: a character
// appearing in the parade, a correct click, a wrong click. Measured from outside the program's
// sound path on a private PulseAudio server with a null sink, against the floor of the method
// itself: a cached sample that the server plays on request.
//
//   bench_cues [rounds] [other bench_cues ...]
//
// starts its own PulseAudio (null sink, no rewinds) and its own Xvfb, both stopped by their
// process id at the end, records the sink's monitor with `parec --latency-msec=5` (which makes
// the null sink render in 5 ms blocks, the smallest latency asked of it), and runs itself as the
// game's driver under that X server and sound server, `rounds` times. Each other bench_cues
// named (for instance one built from an earlier version of the program) runs as a driver in
// turn with this one, so that both are measured in the same session.
//
// The driver plays real games on the real main window in real time: it clicks start half a
// second after the window appears, answers wrong three times and then right, through two levels,
// and prints the moments (steady clock) at which each parade character was painted and each click
// was delivered. The picture time is the slot's own paint event: the window paints into its
// backing store and flushes it to the X server in the same pass, so the picture reaches the screen
// just after that moment, and the delay measured to the sound is if anything longer than the one
// a person sees. (The X server's damage events would say the same a flush later.)
//
// The recording is timed by when each block of it arrives (the earliest arrival bounds when its
// samples were made), and every cue is found in it by its waveform, the synthesized cue itself,
// near the moment expected. The floor is measured the same way: each cue, cached in the server,
// played by the server itself on request (through the server's client library, the call that
// `pactl play-sample` makes), from the moment of the request to the onset in the recording.

#include "mainwindow.h"
#include "synth.h"
#include "wave.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace wimbly;

namespace {

constexpr int RecordRate = 22050;
constexpr double BlockMs = 5; // the null sink's blocks at the latency parec asks for
constexpr int CueParade = 101;
constexpr int CueCorrect = 103;
constexpr int CueWrong = 104;

qint64 nowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// ---- The driver: the game played in real time ----

// Prints the moment each parade slot is first painted after it is shown.
class PictureWatch : public QObject {
public:
    explicit PictureWatch(MainWindow& mainWindow) {
        for (int i = 0; i < 36; ++i)
            mainWindow.paradeSlot(i).installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            m_shown.push_back(watched);
        else if (event->type() == QEvent::Paint) {
            const auto it = std::find(m_shown.begin(), m_shown.end(), watched);
            if (it != m_shown.end()) {
                m_shown.erase(it);
                std::printf("picture %lld\n", static_cast<long long>(nowUs()));
            }
        }
        return false;
    }

private:
    std::vector<QObject*> m_shown;
};

QPoint cellCentre(int cell) {
    return wimbly::res::cellRect(cell).center();
}

void waitUntilAnswering(MainWindow& mainWindow) {
    while (mainWindow.game().phase() != Game::Phase::Answering)
        QTest::qWait(5);
}

void click(MainWindow& mainWindow, int cell, const char* what) {
    const long long at = nowUs();
    QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {}, cellCentre(cell));
    std::printf("%s %lld\n", what, at);
    QTest::mouseRelease(&mainWindow.board(), Qt::LeftButton, {}, cellCentre(cell));
}

// Answers the turn on the board right, one cell every `pauseMs`.
void answer(MainWindow& mainWindow, int pauseMs) {
    waitUntilAnswering(mainWindow);
    const int level = mainWindow.game().state().level;
    for (int i = 0; i <= level; ++i) {
        click(mainWindow, mainWindow.game().state().order[std::size_t(i)], "correct");
        QTest::qWait(pauseMs);
    }
}

int drive(int argc, char* argv[], int rounds) {
    QApplication app(argc, argv);
    QTemporaryDir folder;
    MainWindow::Setup setup;
    setup.folder = folder.path();
    MainWindow mainWindow(std::move(setup));
    PictureWatch pictures(mainWindow);
    mainWindow.show();
    if (!QTest::qWaitForWindowExposed(&mainWindow))
        return 1;
    QTest::qWait(500); // a quick first click on start
    for (int round = 0; round < rounds; ++round) {
        QTest::mouseClick(&mainWindow.startButton(), Qt::LeftButton);
        waitUntilAnswering(mainWindow);
        const int right = mainWindow.game().state().order[0];
        for (int i = 1; i <= 3; ++i) { // as many as there are spare lives
            click(mainWindow, (right + i) % 36, "wrong");
            QTest::qWait(700);
        }
        for (int turn = 0; turn < 5; ++turn) // three turns at the first level, two at the next
            answer(mainWindow, 400);
        waitUntilAnswering(mainWindow);
        std::fflush(stdout);
    }
    return 0;
}

// ---- The measurement ----

// A child process, killed by its id when this object goes, and with this program.
class Child {
public:
    Child(const QStringList& command, const QProcessEnvironment& env) {
        m_process.setProcessEnvironment(env);
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(command.front(), command.mid(1));
        m_process.waitForStarted(5000);
    }
    ~Child() {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process.processId()), SIGTERM);
            if (!m_process.waitForFinished(3000)) {
                ::kill(pid_t(m_process.processId()), SIGKILL);
                m_process.waitForFinished(3000);
            }
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
};

// Records the sink's monitor on a thread of its own, noting when each block arrives.
class Recorder {
public:
    explicit Recorder(const QProcessEnvironment& env) {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        QByteArray server = env.value(QStringLiteral("PULSE_SERVER")).toLocal8Bit();
        m_pid = ::fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::setenv("PULSE_SERVER", server.constData(), 1);
            const QByteArray rate = "--rate=" + QByteArray::number(RecordRate);
            ::execlp("parec", "parec", "--device=null.monitor", "--format=s16le", rate.constData(),
                     "--channels=1", "--raw", "--latency-msec=5", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        m_fd = fds[0];
        m_thread = std::thread([this] { read(); });
    }
    ~Recorder() { stop(); }

    void stop() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
        if (m_thread.joinable())
            m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // Samples so far, and the steady-clock time of sample 0 (earliest arrival, less its place).
    std::vector<qint16> samples() {
        std::lock_guard lock(m_mutex);
        std::vector<qint16> out(m_bytes.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = qFromLittleEndian<qint16>(m_bytes.data() + 2 * i);
        return out;
    }
    // The steady-clock time of sample 0 as the blocks that arrived within two seconds of `atUs`
    // place it: the earliest arrival of a block bounds when its samples were made. Taken near
    // each event, so that samples the recorder lost elsewhere (when it falls behind, the server
    // drops what it cannot deliver) do not shift it.
    double originNear(qint64 atUs) {
        std::lock_guard lock(m_mutex);
        double origin = 1e300;
        for (const Arrival& a : m_arrivals)
            if (std::abs(a.atUs - atUs) <= 2'000'000)
                origin = std::min(origin, double(a.atUs) - double(a.samples) * 1e6 / RecordRate);
        return origin;
    }

private:
    void read() {
        char block[4096];
        for (;;) {
            const ssize_t got = ::read(m_fd, block, sizeof block);
            const qint64 at = nowUs();
            if (got <= 0)
                return;
            std::lock_guard lock(m_mutex);
            m_bytes.insert(m_bytes.end(), block, block + got);
            m_arrivals.push_back({at, qint64(m_bytes.size() / 2)});
        }
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    std::thread m_thread;
    std::mutex m_mutex;
    struct Arrival {
        qint64 atUs;
        qint64 samples; // recorded in all by then
    };
    std::vector<char> m_bytes;
    std::vector<Arrival> m_arrivals;
};

// Asks the sound server to play a sample from its cache, through the server's own client
// library, opened at run time for the few calls this needs; notes when the request went out.
class ServerSample {
public:
    explicit ServerSample(const QByteArray& server) : m_library(QStringLiteral("pulse"), 0) {
        if (!m_library.load() || !resolve())
            return;
        m_loop = m_new();
        m_context = m_contextNew(m_getApi(m_loop), "bench_cues");
        if (m_connect(m_context, server.constData(), 0, nullptr) < 0)
            return;
        for (int state = 0; state != ContextReady; state = m_state(m_context)) {
            if (state == ContextFailed || state == ContextTerminated ||
                m_iterate(m_loop, 1, nullptr) < 0)
                return;
        }
        m_ready = true;
    }
    ~ServerSample() {
        if (m_context)
            m_disconnect(m_context);
    }
    ServerSample(const ServerSample&) = delete;
    ServerSample& operator=(const ServerSample&) = delete;

    bool ready() const { return m_ready; }

    // Plays `name` on `sink`; returns when the request was sent, or -1 if the server refused it.
    qint64 play(const char* name, const char* sink) {
        struct Reply {
            bool done = false;
            bool ok = false;
        } reply;
        const qint64 sent = nowUs();
        void* operation = m_play(
            m_context, name, sink, VolumeNormal,
            [](void*, int success, void* data) {
                auto* r = static_cast<Reply*>(data);
                r->done = true;
                r->ok = success != 0;
            },
            &reply);
        if (!operation)
            return -1;
        while (!reply.done && m_iterate(m_loop, 1, nullptr) >= 0) {
        }
        m_unref(operation);
        return reply.ok ? sent : -1;
    }

private:
    static constexpr int ContextReady = 4;
    static constexpr int ContextFailed = 5;
    static constexpr int ContextTerminated = 6;
    static constexpr quint32 VolumeNormal = 0x10000;

    template <typename F> bool get(F& f, const char* name) {
        f = reinterpret_cast<F>(m_library.resolve(name));
        return f != nullptr;
    }
    bool resolve() {
        return get(m_new, "pa_mainloop_new") && get(m_getApi, "pa_mainloop_get_api") &&
               get(m_iterate, "pa_mainloop_iterate") && get(m_contextNew, "pa_context_new") &&
               get(m_connect, "pa_context_connect") && get(m_state, "pa_context_get_state") &&
               get(m_disconnect, "pa_context_disconnect") &&
               get(m_play, "pa_context_play_sample") && get(m_unref, "pa_operation_unref");
    }

    QLibrary m_library;
    void* (*m_new)() = nullptr;
    void* (*m_getApi)(void*) = nullptr;
    int (*m_iterate)(void*, int, int*) = nullptr;
    void* (*m_contextNew)(void*, const char*) = nullptr;
    int (*m_connect)(void*, const char*, int, const void*) = nullptr;
    int (*m_state)(void*) = nullptr;
    void (*m_disconnect)(void*) = nullptr;
    void* (*m_play)(void*, const char*, const char*, quint32, void (*)(void*, int, void*),
                    void*) = nullptr;
    void (*m_unref)(void*) = nullptr;
    void* m_loop = nullptr;
    void* m_context = nullptr;
    bool m_ready = false;
};

std::vector<double> cueSamples(int id) {
    const QByteArray image = sound::synthesizeCue(id);
    const auto info = sound::parseWave(image);
    std::vector<double> out;
    for (qsizetype i = 0; i < info->dataSize / 2; ++i)
        out.push_back(qFromLittleEndian<qint16>(image.constData() + info->dataOffset + 2 * i));
    return out;
}

// Where `cue` starts in `rec`, searched from `from` over `span` samples: the place where the
// recording best matches the cue's first 30 ms, by normalised correlation. -1 when no place
// matches well enough.
qint64 findOnset(const std::vector<qint16>& rec, qint64 from, qint64 span,
                 const std::vector<double>& cue) {
    const int window = RecordRate * 30 / 1000;
    double cueEnergy = 0;
    for (int i = 0; i < window; ++i)
        cueEnergy += cue[std::size_t(i)] * cue[std::size_t(i)];
    double best = 0.8;
    qint64 bestAt = -1;
    for (qint64 at = std::max<qint64>(0, from); at < from + span; ++at) {
        if (at + window > qint64(rec.size()))
            break;
        double dot = 0, energy = 0;
        for (int i = 0; i < window; ++i) {
            const double s = rec[std::size_t(at + i)];
            dot += s * cue[std::size_t(i)];
            energy += s * s;
        }
        if (energy <= 0)
            continue;
        const double score = dot / std::sqrt(energy * cueEnergy);
        if (score > best) {
            best = score;
            bestAt = at;
        }
    }
    return bestAt;
}

struct Event {
    int cue;
    qint64 atUs;
    bool first = false; // the program's first cue
};

struct Figures {
    std::vector<double> parade, correct, wrong, first;
    int missed = 0;
};

// Delays from each event to its cue's onset, in ms.
void measure(const std::vector<Event>& events, const std::vector<qint16>& rec, Recorder& recorder,
             Figures& figures) {
    static const std::vector<double> refs[3] = {cueSamples(CueParade), cueSamples(CueCorrect),
                                                cueSamples(CueWrong)};
    for (const Event& e : events) {
        const double originUs = recorder.originNear(e.atUs);
        const int kind = e.cue == CueParade ? 0 : e.cue == CueCorrect ? 1 : 2;
        // The pop is started before its picture is painted, so its onset may come first.
        const qint64 expected = qint64((double(e.atUs) - originUs) * RecordRate / 1e6);
        const qint64 onset = findOnset(rec, expected - RecordRate / 20, RecordRate / 5, refs[kind]);
        if (onset < 0) {
            ++figures.missed;
            continue;
        }
        const double ms = (originUs + double(onset) * 1e6 / RecordRate - double(e.atUs)) / 1e3;
        (kind == 0 ? figures.parade : kind == 1 ? figures.correct : figures.wrong).push_back(ms);
        if (e.first)
            figures.first.push_back(ms);
    }
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5))];
}

void report(const char* what, const std::vector<double>& values) {
    std::printf("  %-28s median %6.1f ms   p90 %6.1f ms   n %zu\n", what, percentile(values, 0.5),
                percentile(values, 0.9), values.size());
}

bool waitForServer(const QProcessEnvironment& env) {
    for (int i = 0; i < 100; ++i) {
        QProcess pactl;
        pactl.setProcessEnvironment(env);
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        if (pactl.waitForFinished(2000) && pactl.exitCode() == 0)
            return true;
        QThread::msleep(50);
    }
    return false;
}

int run(int rounds, const QStringList& drivers) {
    for (const char* tool : {"pulseaudio", "parec", "pactl", "Xvfb"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::fprintf(stderr, "%s is not installed\n", tool);
            return 2;
        }
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("native"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + socket);
    const QString display = QStringLiteral(":%1").arg(90 + ::getpid() % 400);
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));

    Child server(
        {QStringLiteral("pulseaudio"), QStringLiteral("--daemonize=no"),
         QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--system=false"),
         QStringLiteral("--use-pid-file=no"), QStringLiteral("-n"),
         QStringLiteral("--load=module-null-sink norewinds=1"),
         QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + socket},
        env);
    Child xserver({QStringLiteral("Xvfb"), display, QStringLiteral("-screen"), QStringLiteral("0"),
                   QStringLiteral("800x600x24"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp")},
                  env);
    if (!waitForServer(env)) {
        std::fprintf(stderr, "PulseAudio did not start\n");
        return 2;
    }

    // The floor's samples: the three cues themselves, cached in the server.
    for (int id : {CueParade, CueCorrect, CueWrong}) {
        const QString file = dir.filePath(QStringLiteral("%1.wav").arg(id));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(sound::synthesizeCue(id)) <= 0)
            return 2;
        out.close();
        QProcess upload;
        upload.setProcessEnvironment(env);
        upload.start(QStringLiteral("pactl"),
                     {QStringLiteral("upload-sample"), file, QString::number(id)});
        if (!upload.waitForFinished(5000) || upload.exitCode() != 0) {
            std::fprintf(stderr, "pactl upload-sample failed\n");
            return 2;
        }
    }
    ServerSample floorSample(env.value(QStringLiteral("PULSE_SERVER")).toLocal8Bit());
    if (!floorSample.ready()) {
        std::fprintf(stderr, "cannot reach the sound server through its client library\n");
        return 2;
    }
    Recorder recorder(env);
    QThread::msleep(500);

    std::vector<Figures> figures(std::size_t(drivers.size()));
    std::vector<std::vector<Event>> events(std::size_t(drivers.size()));
    std::vector<Event> floorEvents;
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype d = 0; d < drivers.size(); ++d) {
            for (int id : {CueParade, CueCorrect, CueWrong, CueParade, CueCorrect, CueWrong}) {
                const qint64 sent = floorSample.play(QByteArray::number(id).constData(), "null");
                if (sent >= 0)
                    floorEvents.push_back({id, sent});
                QThread::msleep(700);
            }
            bool firstOfRun = true;
            QProcess driver;
            driver.setProcessEnvironment(env);
            driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            driver.start(drivers[d], {QStringLiteral("--drive"), QStringLiteral("1")});
            driver.waitForFinished(300000);
            for (const QByteArray& line : driver.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> words = line.split(' ');
                if (words.size() != 2)
                    continue;
                const int cue = words[0] == "picture"   ? CueParade
                                : words[0] == "correct" ? CueCorrect
                                : words[0] == "wrong"   ? CueWrong
                                                        : 0;
                if (cue != 0)
                    events[std::size_t(d)].push_back({cue, words[1].toLongLong(), firstOfRun});
                firstOfRun = firstOfRun && cue == 0;
            }
            QThread::msleep(2500); // the last jingle ends
        }
    }
    recorder.stop();
    const std::vector<qint16> rec = recorder.samples();

    Figures floor;
    measure(floorEvents, rec, recorder, floor);
    std::vector<double> floorAll = floor.parade;
    floorAll.insert(floorAll.end(), floor.correct.begin(), floor.correct.end());
    floorAll.insert(floorAll.end(), floor.wrong.begin(), floor.wrong.end());
    std::printf("cue onsets at the null sink's monitor, %d rounds, %.0f s recorded\n", rounds,
                double(rec.size()) / RecordRate);
    std::printf("floor: each cue cached in the server and played by it, from the request to its "
                "onset, on the recording's clock\n");
    report("pop", floor.parade);
    report("tick", floor.correct);
    report("uh-oh", floor.wrong);
    report("all: calibration floor", floorAll);
    // A sample that the server starts itself sounds from its next block: 0 to 5 ms after the
    // request, 2.5 ms at the median. Where the floor of a cue lies on the recording's clock, less
    // those 2.5 ms, is the delay of the recording and of finding that cue in it; it is taken off
    // every figure of the same cue below, which are then times from the event to the cue's
    // onset at the sink.
    auto calibrated = [](std::vector<double> values, const std::vector<double>& floorOfCue) {
        const double offset = percentile(floorOfCue, 0.5) - BlockMs / 2;
        for (double& v : values)
            v -= offset;
        return values;
    };
    for (qsizetype d = 0; d < drivers.size(); ++d) {
        measure(events[std::size_t(d)], rec, recorder, figures[std::size_t(d)]);
        const Figures& f = figures[std::size_t(d)];
        std::printf("%s", qPrintable(drivers[d]));
        if (f.missed)
            std::printf(" (%d cues not found)", f.missed);
        std::printf("\n");
        report("parade: sound after picture", calibrated(f.parade, floor.parade));
        report("correct click to its cue", calibrated(f.correct, floor.correct));
        report("wrong click to its cue", calibrated(f.wrong, floor.wrong));
        report("(the program's first pop)", calibrated(f.first, floor.parade));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 3 && QByteArray(argv[1]) == "--drive")
        return drive(1, argv, QByteArray(argv[2]).toInt());
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    QStringList drivers{QCoreApplication::applicationFilePath()};
    for (int i = 2; i < argc; ++i)
        drivers << QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath();
    return run(rounds, drivers);
}
