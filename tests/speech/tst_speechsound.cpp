// Says names through the real speech library and a speech-dispatcher of this test's own, which
// speaks into a PulseAudio null sink that the test also starts, and records what the sink played.
#include "namespeaker.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <csignal>
#include <sys/prctl.h>

using wimbly::NameSpeaker;

namespace {

constexpr int RecordRate = 22050;

// Kills the children of this test if the test itself dies, so that no daemon is left behind.
void dieWithParent() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

// The loudest sample of 16-bit mono samples, from 0 to 1.
double peak(const QByteArray& raw) {
    int loudest = 0;
    for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
        loudest = std::max(loudest, std::abs(int(qFromLittleEndian<qint16>(raw.constData() + i))));
    return loudest / 32768.0;
}

} // namespace

class TestSpeechSound : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void eachNameIsHeardInBothLanguagesUntilTheServiceGoes();

private:
    void startProcess(QProcess& process, const QString& program, const QStringList& arguments);
    bool answers(const QString& program, const QStringList& arguments);
    void stopAll();

    QTemporaryDir m_dir;
    QProcess m_sound;
    QProcess m_speech;
    QProcess m_recorder;
};

void TestSpeechSound::startProcess(QProcess& process, const QString& program,
                                   const QStringList& arguments) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), m_dir.filePath(QStringLiteral("run")));
    process.setProcessEnvironment(env);
    process.setChildProcessModifier(dieWithParent);
    process.start(program, arguments);
}

bool TestSpeechSound::answers(const QString& program, const QStringList& arguments) {
    QProcess probe;
    startProcess(probe, program, arguments);
    return probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

void TestSpeechSound::initTestCase() {
    for (const char* tool : {"pulseaudio", "parec", "pactl", "speech-dispatcher", "spd-say"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    QVERIFY(m_dir.isValid());
    const QString sound = m_dir.filePath(QStringLiteral("native"));
    const QString speech = m_dir.filePath(QStringLiteral("speechd.sock"));
    // The library and the tools reach only this test's servers, whatever else runs.
    qputenv("PULSE_SERVER", (QStringLiteral("unix:") + sound).toLocal8Bit());
    qputenv("SPEECHD_ADDRESS", (QStringLiteral("unix_socket:") + speech).toLocal8Bit());
    // Once this test's service is gone, none is started in its place.
    qputenv("SPEECHD_CMD", "/nonexistent/speech-dispatcher");

    startProcess(
        m_sound, QStringLiteral("pulseaudio"),
        {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
         QStringLiteral("--system=false"), QStringLiteral("--use-pid-file=no"),
         QStringLiteral("-n"), QStringLiteral("--load=module-null-sink norewinds=1"),
         QStringLiteral("--load=module-native-protocol-unix auth-anonymous=1 socket=") + sound});
    QElapsedTimer waited;
    waited.start();
    while (!answers(QStringLiteral("pactl"), {QStringLiteral("info")})) {
        if (m_sound.state() == QProcess::NotRunning || waited.elapsed() > 5000) {
            stopAll();
            QSKIP("PulseAudio could not start");
        }
        QTest::qWait(50);
    }
    startProcess(m_speech, QStringLiteral("speech-dispatcher"),
                 {QStringLiteral("--run-single"), QStringLiteral("--timeout"), QStringLiteral("0"),
                  QStringLiteral("--communication-method"), QStringLiteral("unix_socket"),
                  QStringLiteral("--socket-path"), speech, QStringLiteral("--pid-file"),
                  m_dir.filePath(QStringLiteral("speechd.pid")), QStringLiteral("--log-dir"),
                  m_dir.filePath(QStringLiteral("log"))});
    waited.restart();
    while (!answers(QStringLiteral("spd-say"), {QStringLiteral("-w"), QStringLiteral(" ")})) {
        if (m_speech.state() == QProcess::NotRunning || waited.elapsed() > 10000) {
            stopAll();
            QSKIP("speech-dispatcher could not start");
        }
        QTest::qWait(100);
    }
}

void TestSpeechSound::cleanupTestCase() {
    stopAll();
}

void TestSpeechSound::stopAll() {
    for (QProcess* process : {&m_recorder, &m_speech, &m_sound}) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(2000);
        }
    }
}

void TestSpeechSound::eachNameIsHeardInBothLanguagesUntilTheServiceGoes() {
    startProcess(m_recorder, QStringLiteral("parec"),
                 {QStringLiteral("--device=null.monitor"), QStringLiteral("--format=s16le"),
                  QStringLiteral("--rate=%1").arg(RecordRate), QStringLiteral("--channels=1"),
                  QStringLiteral("--raw"), QStringLiteral("--latency-msec=20")});
    QVERIFY(m_recorder.waitForStarted(2000));
    NameSpeaker speaker;
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::Chinese, QLocale::China)}) {
        speaker.prepare(locale);
        // Connecting lists every voice of the service: seconds on a busy machine.
        QTRY_VERIFY_WITH_TIMEOUT(speaker.availability() != NameSpeaker::Availability::Unknown,
                                 30000);
        if (speaker.availability() != NameSpeaker::Availability::Available)
            QSKIP(
                qPrintable(QStringLiteral("the speech service has no voice for ") + locale.name()));
        // Whatever was said before has ended: a third of a second of silence.
        QElapsedTimer quiet;
        quiet.start();
        m_recorder.readAllStandardOutput();
        do {
            QTest::qWait(300);
        } while (peak(m_recorder.readAllStandardOutput()) >= 0.001 && quiet.elapsed() < 5000);
        QVERIFY2(quiet.elapsed() < 5000, "silence before the name");
        QElapsedTimer asked;
        asked.start();
        speaker.say(locale.language() == QLocale::English ? QStringLiteral("frog")
                                                          : QStringLiteral("青蛙"),
                    locale);
        QVERIFY2(asked.elapsed() < 50, "saying returns at once");
        QByteArray heard;
        QTRY_VERIFY_WITH_TIMEOUT((heard += m_recorder.readAllStandardOutput(), peak(heard) > 0.05),
                                 10000);
        qInfo("%s: sound %lld ms after the name was asked for", qPrintable(locale.name()),
              asked.elapsed());
    }
    // The service goes away mid-game: the next name finds it gone, and says so.
    m_speech.kill();
    m_speech.waitForFinished(2000);
    speaker.say(QStringLiteral("猫头鹰"), QLocale(QLocale::Chinese, QLocale::China));
    QTRY_COMPARE_WITH_TIMEOUT(speaker.availability(), NameSpeaker::Availability::Unavailable,
                              10000);
}

QTEST_GUILESS_MAIN(TestSpeechSound)
#include "tst_speechsound.moc"
