#include "cueplayer.h"
#include "synth.h"
#include "wave.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QMutex>
#include <QProcess>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>

// From the build (wimbly_test_paths in tests/sound/CMakeLists.txt): a small program that plays
// every cue, and the sound library.
extern const char stalledExitProgram[];
extern const char soundLibrary[];

using wimbly::CueOutput;
using wimbly::CuePlayer;
using wimbly::CueSamples;

namespace {

// What a recording output saw, shared with the test so that it outlives the output.
struct Record {
    QMutex mutex;
    QStringList events; // "start 104", "stop"
    QList<CueSamples> cues;
    QThread* outputThread = nullptr;
    bool destroyed = false;
    QThread* destroyedOn = nullptr;
    // Released each time start() is entered, before it waits at the gate or stalls.
    QSemaphore entered;
    // While set, start() waits for a release before it records; simulates a stalled server.
    std::unique_ptr<QSemaphore> gate;

    QStringList snapshot() {
        QMutexLocker lock(&mutex);
        return events;
    }
};

class RecordingOutput final : public CueOutput {
public:
    explicit RecordingOutput(std::shared_ptr<Record> record) : m_record(std::move(record)) {}
    ~RecordingOutput() override {
        QMutexLocker lock(&m_record->mutex);
        m_record->destroyed = true;
        m_record->destroyedOn = QThread::currentThread();
    }

    void start(const CueSamples& cue) override {
        m_record->entered.release();
        if (m_record->gate)
            m_record->gate->acquire();
        QMutexLocker lock(&m_record->mutex);
        m_record->events << QStringLiteral("start %1").arg(cue.id);
        m_record->cues << cue;
        m_record->outputThread = QThread::currentThread();
    }
    void stop() override {
        QMutexLocker lock(&m_record->mutex);
        m_record->events << QStringLiteral("stop");
    }

private:
    std::shared_ptr<Record> m_record;
};

qint64 msToRun(const std::function<void()>& work) {
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.elapsed();
}

} // namespace

class TestCuePlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void theNewestCueCutsOffThePlayingOne_data();
    void theNewestCueCutsOffThePlayingOne();
    void onlyTheNewestOfCuesAskedForMeanwhilePlays();
    void stopSilencesThePlayingCueAndAnyAskedForMeanwhile();
    void eachCueGoesOutWholeOffTheCallersThread_data();
    void eachCueGoesOutWholeOffTheCallersThread();
    void anIdWithoutAPlayableCuePlaysNothing_data();
    void anIdWithoutAPlayableCuePlaysNothing();
    void playCueReturnsAtOnceWhileTheOutputIsStuck();
    void destructorStopsTheCueAndFreesTheOutputOnTheAudioThread();
    void destructorReturnsPromptlyWhileTheOutputIsStuck();
    void withoutAnyAudioDeviceNothingBlocksOrFloodsTheLog();
    void withoutASafeSoundLibraryCuesAreSilentWithOneWarning_data();
    void withoutASafeSoundLibraryCuesAreSilentWithOneWarning();
};

void TestCuePlayer::initTestCase() {
    // No sound server answers here, whatever the machine has: the last test runs with no
    // audio device at all, as on a headless build machine.
    qputenv("PULSE_SERVER", "unix:/nonexistent/wimbly-test/native");
}

void TestCuePlayer::theNewestCueCutsOffThePlayingOne_data() {
    QTest::addColumn<int>("playing");
    QTest::addColumn<int>("newest");
    QTest::newRow("another cue") << 104 << 103;
    QTest::newRow("the same cue again, from its start") << 102 << 102;
}

void TestCuePlayer::theNewestCueCutsOffThePlayingOne() {
    QFETCH(int, playing);
    QFETCH(int, newest);
    auto record = std::make_shared<Record>();
    CuePlayer player(std::make_unique<RecordingOutput>(record));
    const QString first = QStringLiteral("start %1").arg(playing);
    const QString second = QStringLiteral("start %1").arg(newest);
    player.play(playing);
    QTRY_COMPARE(record->snapshot(), QStringList{first});
    player.play(newest);
    QTRY_COMPARE(record->snapshot(), (QStringList{first, "stop", second}));
    // Nothing was queued behind: the next cue follows at once.
    player.play(101);
    QTRY_COMPARE(record->snapshot(), (QStringList{first, "stop", second, "stop", "start 101"}));
    if (playing == newest) // a replay starts over with the whole cue
        QCOMPARE(record->cues.at(1).pcm, record->cues.at(0).pcm);
}

void TestCuePlayer::onlyTheNewestOfCuesAskedForMeanwhilePlays() {
    auto record = std::make_shared<Record>();
    record->gate = std::make_unique<QSemaphore>();
    CuePlayer player(std::make_unique<RecordingOutput>(record));
    player.play(101);
    record->entered.acquire(); // the audio thread now waits inside start(101)
    player.play(102);
    player.play(105);
    player.play(104);
    record->gate->release(10);
    QTRY_COMPARE(record->snapshot(), (QStringList{"start 101", "stop", "start 104"}));
    player.play(103);
    QTRY_COMPARE(record->snapshot(),
                 (QStringList{"start 101", "stop", "start 104", "stop", "start 103"}));
}

void TestCuePlayer::stopSilencesThePlayingCueAndAnyAskedForMeanwhile() {
    auto record = std::make_shared<Record>();
    record->gate = std::make_unique<QSemaphore>();
    CuePlayer player(std::make_unique<RecordingOutput>(record));
    player.play(102);
    record->entered.acquire(); // the audio thread now waits inside start(102)
    player.play(105);
    player.stop();
    record->gate->release(10);
    // 105, asked for before the stop, never starts; the playing cue is silenced once.
    QTRY_COMPARE(record->snapshot(), (QStringList{"start 102", "stop"}));
    player.stop();
    player.play(103);
    QTRY_COMPARE(record->snapshot(), (QStringList{"start 102", "stop", "start 103"}));
}

void TestCuePlayer::eachCueGoesOutWholeOffTheCallersThread_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<double>("seconds");
    QTest::newRow("101") << 101 << 0.63;
    QTest::newRow("102") << 102 << 1.94;
    QTest::newRow("103 (shortest)") << 103 << 0.05;
    QTest::newRow("104") << 104 << 0.45;
    QTest::newRow("105") << 105 << 1.76;
}

void TestCuePlayer::eachCueGoesOutWholeOffTheCallersThread() {
    QFETCH(int, id);
    QFETCH(double, seconds);
    auto record = std::make_shared<Record>();
    CuePlayer player(std::make_unique<RecordingOutput>(record));
    player.play(id);
    QTRY_COMPARE(record->snapshot().size(), 1);

    const CueSamples cue = record->cues.front();
    const QByteArray image = wimbly::sound::synthesizeCue(id);
    const auto info = wimbly::sound::parseWave(image);
    QCOMPARE(cue.id, id);
    QCOMPARE(cue.format.sampleRate, 22050);
    QCOMPARE(cue.format.channels, 1);
    QCOMPARE(cue.format.sample, wimbly::CueFormat::Sample::Int16);
    QCOMPARE(cue.pcm, image.sliced(info->dataOffset, info->dataSize));
    const double played = double(cue.pcm.size()) / 2 / 22050;
    QVERIFY2(std::abs(played - seconds) <= 0.05 * seconds, qPrintable(QString::number(played)));
    QVERIFY(record->outputThread != QThread::currentThread());
}

void TestCuePlayer::anIdWithoutAPlayableCuePlaysNothing_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("0") << 0;
    QTest::newRow("-1") << -1;
    QTest::newRow("100") << 100;
    QTest::newRow("106") << 106;
    QTest::newRow("201 (a bitmap id)") << 201;
    QTest::newRow("199 (truncated image)") << 199;
    QTest::newRow("largest int") << std::numeric_limits<int>::max();
}

void TestCuePlayer::anIdWithoutAPlayableCuePlaysNothing() {
    QFETCH(int, id);
    auto record = std::make_shared<Record>();
    CuePlayer player(std::make_unique<RecordingOutput>(record));
    player.play(103);
    QTRY_COMPARE(record->snapshot(), QStringList{"start 103"});
    player.play(id);
    QTest::qWait(100);
    // The cue that plays is left alone, and the player still plays the next good cue.
    QCOMPARE(record->snapshot(), QStringList{"start 103"});
    player.play(101);
    QTRY_COMPARE(record->snapshot(), (QStringList{"start 103", "stop", "start 101"}));
}

void TestCuePlayer::playCueReturnsAtOnceWhileTheOutputIsStuck() {
    auto record = std::make_shared<Record>();
    record->gate = std::make_unique<QSemaphore>();
    CuePlayer player(std::make_unique<RecordingOutput>(record));
    const qint64 ms = msToRun([&player] {
        for (int round = 0; round < 20; ++round)
            for (int id = 101; id <= 105; ++id)
                player.play(id);
    });
    QVERIFY2(ms < 200, qPrintable(QString::number(ms)));
    record->gate->release(10);
    // However far the audio thread got before it stalled, the newest cue is the last to start.
    QTRY_VERIFY(record->snapshot().endsWith(QStringLiteral("start 105")));
    // Nothing was queued behind it: the next cue follows at once.
    player.play(103);
    QTRY_VERIFY(record->snapshot().endsWith(QStringLiteral("start 103")));
    QVERIFY(record->snapshot().size() <= 5);
}

void TestCuePlayer::destructorStopsTheCueAndFreesTheOutputOnTheAudioThread() {
    auto record = std::make_shared<Record>();
    auto player = std::make_unique<CuePlayer>(std::make_unique<RecordingOutput>(record));
    player->play(102);
    QTRY_COMPARE(record->snapshot().size(), 1);
    const qint64 ms = msToRun([&player] { player.reset(); });
    QVERIFY2(ms < 500, qPrintable(QString::number(ms)));
    QVERIFY(record->destroyed);
    QCOMPARE(record->snapshot(), (QStringList{"start 102", "stop"}));
    QCOMPARE(record->destroyedOn, record->outputThread);
}

void TestCuePlayer::destructorReturnsPromptlyWhileTheOutputIsStuck() {
    auto record = std::make_shared<Record>();
    record->gate = std::make_unique<QSemaphore>();
    auto player = std::make_unique<CuePlayer>(std::make_unique<RecordingOutput>(record));
    player->play(105);
    record->entered.acquire(); // the audio thread is inside start() now, and stays there
    player.reset();            // returns although the output never comes back meanwhile
    QVERIFY(!record->destroyed);
    // The thread left behind finishes on its own once the output comes back, stopping the
    // cue it started and freeing the output.
    record->gate->release();
    QTRY_VERIFY_WITH_TIMEOUT(record->destroyed, 5000);
    QCOMPARE(record->snapshot(), (QStringList{"start 105", "stop"}));
}

void TestCuePlayer::withoutAnyAudioDeviceNothingBlocksOrFloodsTheLog() {
    static QStringList messages;
    QLoggingCategory::setFilterRules(QStringLiteral("wimbly.sound.warning=true"));
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { messages << text; });

    auto player = std::make_unique<CuePlayer>();
    const qint64 ms = msToRun([&player] {
        for (int round = 0; round < 10; ++round)
            for (int id = 101; id <= 105; ++id) {
                player->play(id);
                QTest::qWait(20);
            }
    });
    const qint64 destroyMs = msToRun([&player] { player.reset(); });

    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QVERIFY2(ms < 10 * 5 * 20 + 1000, qPrintable(QString::number(ms)));
    QVERIFY2(destroyMs < 1000, qPrintable(QString::number(destroyMs)));
    // At most one line from the sound server client library and one of our own, each once.
    const QString log = messages.join(QLatin1Char('\n'));
    QVERIFY2(messages.size() <= 2 && messages.removeDuplicates() == 0, qPrintable(log));
}

void TestCuePlayer::withoutASafeSoundLibraryCuesAreSilentWithOneWarning_data() {
    QTest::addColumn<bool>("libraryInPlace");
    QTest::addColumn<QString>("warning");
    QTest::newRow("none beside the program") << false << QStringLiteral("missing");
    // Another user could have put it there: a folder anyone may change, without the sticky bit.
    QTest::newRow("one in a folder anyone may change") << true << QStringLiteral("not safely");
}

void TestCuePlayer::withoutASafeSoundLibraryCuesAreSilentWithOneWarning() {
    QFETCH(bool, libraryInPlace);
    QFETCH(QString, warning);
#ifndef Q_OS_UNIX
    if (libraryInPlace)
        QSKIP("folder permissions are checked on Unix only");
#endif
    // A copy of a small program that plays all cues, in a folder of its own; the library, where
    // there is one, lies where the program looks for it.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("bin")));
    const QString program = dir.filePath(QStringLiteral("bin/player"));
    QVERIFY(QFile::copy(QString::fromUtf8(stalledExitProgram), program));
    if (libraryInPlace) {
        const QString library =
            QDir::cleanPath(dir.filePath(QStringLiteral("bin/" SOUND_LIBRARY_FROM_PROGRAM)));
        QVERIFY(QDir().mkpath(QFileInfo(library).path()));
        QVERIFY(QFile::copy(QString::fromUtf8(soundLibrary), library));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::WriteOther | QFile::ExeOther));
    }
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("WIMBLY_SOUND_LIBRARY"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("wimbly.sound.warning=true"));
    run.setProcessEnvironment(env);
    run.start(program, {});
    QVERIFY(run.waitForFinished(10000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
    const QString log = QString::fromLocal8Bit(run.readAllStandardError()).trimmed();
    QCOMPARE(log.count(QLatin1Char('\n')), 0);
    QVERIFY2(log.contains(QStringLiteral("wimbly-sound")) && log.contains(warning),
             qPrintable(log));
}

QTEST_GUILESS_MAIN(TestCuePlayer)
#include "tst_cueplayer.moc"
