// Plays real cues through the real audio output into a PulseAudio null sink that this test
// starts for itself, records what the sink played, and measures how long each cue sounded.
#include "cueplayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <memory>
#include <sys/prctl.h>
#include <sys/types.h>
#include <utility>

// From the build (wimbly_test_paths in tests/sound/CMakeLists.txt): a small program that plays
// every cue.
extern const char stalledExitProgram[];

namespace {

constexpr int RecordRate = 22050;
constexpr int WindowFrames = RecordRate / 100; // 10 ms
constexpr double SilenceBelow = 0.0005;        // about -66 dBFS; the null sink is exact zeros
constexpr int MergeGapWindows = 6;             // notes within a cue may leave short gaps

struct Segment {
    double start;
    double seconds;
};

// Stretches of sound in 16-bit mono samples, split at silences longer than MergeGapWindows.
QList<Segment> soundingSegments(const QByteArray& raw) {
    QList<Segment> segments;
    const qsizetype frames = raw.size() / 2;
    int sinceSound = MergeGapWindows + 1;
    int first = -1;
    int last = -1;
    for (int window = 0; qsizetype(window + 1) * WindowFrames <= frames; ++window) {
        double energy = 0.0;
        for (int i = 0; i < WindowFrames; ++i) {
            const double s =
                qFromLittleEndian<qint16>(raw.constData() + 2 * (window * WindowFrames + i)) /
                32768.0;
            energy += s * s;
        }
        if (std::sqrt(energy / WindowFrames) < SilenceBelow) {
            ++sinceSound;
            continue;
        }
        if (sinceSound > MergeGapWindows && first >= 0) {
            segments << Segment{first / 100.0, (last - first + 1) / 100.0};
            first = -1;
        }
        if (first < 0)
            first = window;
        last = window;
        sinceSound = 0;
    }
    if (first >= 0)
        segments << Segment{first / 100.0, (last - first + 1) / 100.0};
    return segments;
}

// Stops the sound server for as long as it lives, as a server that hangs would.
class ServerStop {
public:
    explicit ServerStop(const QProcess& server) : m_pid(pid_t(server.processId())) {
        ::kill(m_pid, SIGSTOP);
    }
    ~ServerStop() { ::kill(m_pid, SIGCONT); }
    ServerStop(const ServerStop&) = delete;
    ServerStop& operator=(const ServerStop&) = delete;

private:
    pid_t m_pid;
};

// How many threads of this process are cue players' audio threads.
int audioThreads() {
    int count = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "wimbly-audio")
            ++count;
    }
    return count;
}

// Kills the children of this test if the test itself dies, so that no daemon is left behind.
void dieWithParent() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

} // namespace

class TestCueSound : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachCueSoundsForItsLengthAndTheNewestCutsOffThePlayingOne();
    void aStalledSoundServerHoldsUpNeitherPlayNorTheDestructor();
    void theProgramExitsPromptlyWhileTheSoundServerIsStalled();

private:
    void startProcess(QProcess& process, const QString& program, const QStringList& arguments);
    bool serverAnswers();
    void stopAll();

    QTemporaryDir m_dir;
    QString m_socket;
    QProcess m_server;
    QProcess m_recorder;
};

void TestCueSound::startProcess(QProcess& process, const QString& program,
                                const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_dir.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + m_socket);
    process.setProcessEnvironment(env);
    process.setChildProcessModifier(dieWithParent);
    process.start(program, arguments);
}

bool TestCueSound::serverAnswers() {
    QProcess pactl;
    startProcess(pactl, QStringLiteral("pactl"), {QStringLiteral("info")});
    return pactl.waitForFinished(2000) && pactl.exitStatus() == QProcess::NormalExit &&
           pactl.exitCode() == 0;
}

void TestCueSound::initTestCase() {
    for (const char* tool : {"pulseaudio", "parec", "pactl"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    QVERIFY(m_dir.isValid());
    m_socket = m_dir.filePath(QStringLiteral("native"));
    // The player reaches only this test's server, whatever else runs on the machine.
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + m_socket).toLocal8Bit());

    startProcess(
        m_server, QStringLiteral("pulseaudio"),
        {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
         QStringLiteral("--system=false"), QStringLiteral("--use-pid-file=no"),
         QStringLiteral("-n"), QStringLiteral("--load=module-null-sink norewinds=1"),
         QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + m_socket});
    QElapsedTimer waited;
    waited.start();
    while (!serverAnswers()) {
        if (m_server.state() == QProcess::NotRunning || waited.elapsed() > 5000) {
            const QString log = QString::fromLocal8Bit(m_server.readAllStandardError());
            stopAll();
            QSKIP(qPrintable(QStringLiteral("PulseAudio could not start: ") + log.right(300)));
        }
        QTest::qWait(50);
    }
}

void TestCueSound::cleanupTestCase() {
    stopAll();
}

void TestCueSound::stopAll() {
    for (QProcess* process : {&m_recorder, &m_server}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(2000);
        }
    }
}

void TestCueSound::eachCueSoundsForItsLengthAndTheNewestCutsOffThePlayingOne() {
    startProcess(m_recorder, QStringLiteral("parec"),
                 {QStringLiteral("--device=null.monitor"), QStringLiteral("--format=s16le"),
                  QStringLiteral("--rate=%1").arg(RecordRate), QStringLiteral("--channels=1"),
                  QStringLiteral("--raw"), QStringLiteral("--latency-msec=20")});
    QVERIFY(m_recorder.waitForStarted(2000));
    QTest::qWait(300);

    // Each cue alone with a pause after it, then cue 102 started over while it plays, then
    // cue 102 cut off by cue 104.
    struct Step {
        int id;
        int pauseMs;
    };
    const QList<Step> steps{{101, 1000}, {103, 450},  {104, 850}, {105, 2150}, {102, 2350},
                            {102, 600},  {102, 2350}, {102, 600}, {104, 850}};
    const QList<double> lengths{0.63, 0.05, 0.45, 1.76, 1.94};
    QList<qint64> calledAt;
    {
        wimbly::CuePlayer player;
        QElapsedTimer clock;
        clock.start();
        for (const Step& step : steps) {
            calledAt << clock.elapsed();
            player.play(step.id);
            QVERIFY2(clock.elapsed() - calledAt.back() < 100, "play waited");
            QTest::qWait(step.pauseMs);
        }
    }

    m_recorder.kill();
    m_recorder.waitForFinished(2000);
    const QList<Segment> segments = soundingSegments(m_recorder.readAllStandardOutput());

    QString measured;
    for (const Segment& segment : segments)
        measured += QStringLiteral(" %1 s at %2 s;").arg(segment.seconds).arg(segment.start);
    qInfo("sounded:%s", qPrintable(measured));
    QCOMPARE(segments.size(), lengths.size() + 2);

    // The cues alone: each sounds for its own length, within 10% (the ends of a fading cue may
    // fall below the silence floor) and no more than 30 ms longer: the 50 ms cue sounds whole,
    // and none runs on. These lengths come from the recording alone.
    for (qsizetype i = 0; i < lengths.size(); ++i) {
        QVERIFY2(segments[i].seconds >= lengths[i] * 0.9 - 0.02 &&
                     segments[i].seconds <= lengths[i] + 0.03,
                 qPrintable(QStringLiteral("cue %1: %2 s, expected %3 s")
                                .arg(steps[i].id)
                                .arg(segments[i].seconds)
                                .arg(lengths[i])));
    }
    // The time from a call to its cue's onset varies from cue to cue with the load on the
    // machine; how much it varied for the cues alone, on the recording's clock against the
    // caller's, bounds the error of the two stretches below, which span two calls each.
    double earliest = 1e9;
    double latest = -1e9;
    for (qsizetype i = 0; i < lengths.size(); ++i) {
        const double delay = segments[i].start - (calledAt[i] - calledAt[0]) / 1000.0;
        earliest = std::min(earliest, delay);
        latest = std::max(latest, delay);
    }
    const double spread = latest - earliest + 0.02; // and a window of the analysis either side
    // A replay starts the cue over, and the cut-off cue gives way to the newest at once: each
    // pair sounds as one stretch, from the first call to the end of the second cue.
    const QList<std::pair<qsizetype, double>> pairs{{5, 1.94}, {7, 0.45}};
    for (qsizetype k = 0; k < pairs.size(); ++k) {
        const auto [first, length] = pairs[k];
        const double expected = (calledAt[first + 1] - calledAt[first]) / 1000.0 + length;
        const Segment& segment = segments[lengths.size() + k];
        QVERIFY2(segment.seconds >= expected * 0.9 - 0.02 - spread &&
                     segment.seconds <= expected + 0.03 + spread,
                 qPrintable(QStringLiteral("stretch %1: %2 s, expected %3 s give or take %4 s")
                                .arg(k)
                                .arg(segment.seconds)
                                .arg(expected)
                                .arg(spread)));
    }
}

void TestCueSound::aStalledSoundServerHoldsUpNeitherPlayNorTheDestructor() {
    QVERIFY(m_server.state() == QProcess::Running);
    qint64 playMs = 0;
    qint64 destroyMs = 0;
    {
        const ServerStop stop(m_server);
        QElapsedTimer clock;
        clock.start();
        auto player = std::make_unique<wimbly::CuePlayer>();
        for (int id = 101; id <= 105; ++id)
            player->play(id);
        playMs = clock.elapsed();
        QTest::qWait(100); // the audio thread is now stuck talking to the server
        clock.restart();
        player.reset();
        destroyMs = clock.elapsed();
        QCOMPARE(audioThreads(), 1); // left behind, still stuck
    }
    QVERIFY2(playMs < 200, qPrintable(QString::number(playMs)));
    QVERIFY2(destroyMs < 1200, qPrintable(QString::number(destroyMs)));
    // Once the server answers again, the thread left behind finishes on its own.
    QTRY_COMPARE_WITH_TIMEOUT(audioThreads(), 0, 5000);
}

void TestCueSound::theProgramExitsPromptlyWhileTheSoundServerIsStalled() {
    QVERIFY(m_server.state() == QProcess::Running);
    const ServerStop stop(m_server);
    QProcess program;
    startProcess(program, QString::fromUtf8(stalledExitProgram), {});
    QVERIFY(program.waitForStarted(2000));
    QElapsedTimer clock;
    clock.start();
    const bool ended = program.waitForFinished(5000);
    const qint64 ms = clock.elapsed();
    if (!ended)
        program.kill();
    QVERIFY2(ended, "the program hung");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(ms < 3000, qPrintable(QString::number(ms)));
}

QTEST_GUILESS_MAIN(TestCueSound)
#include "tst_cuesound.moc"
