#include "namespeaker.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using wimbly::NameSpeaker;

namespace {

// What reached a speech output, shared with the test.
struct SpeechLog {
    QMutex mutex;
    QStringList said;
    QSemaphore saying;  // released as each name is said
    QSemaphore entered; // released as the speech thread asks the service for a language
    QSemaphore gate{0}; // a stalled service holds the speech thread until this is released
    bool stalled = false;

    QStringList snapshot() {
        QMutexLocker lock(&mutex);
        return said;
    }
};

class StallingOutput final : public wimbly::SpeechOutput {
public:
    explicit StallingOutput(std::shared_ptr<SpeechLog> log) : m_log(std::move(log)) {}
    bool useLanguage(const QLocale&) override {
        m_log->entered.release();
        if (m_log->stalled)
            m_log->gate.acquire();
        return true;
    }
    bool say(const QString& text) override {
        {
            QMutexLocker lock(&m_log->mutex);
            m_log->said << text;
        }
        m_log->saying.release();
        return true;
    }
    void stop() override {}

private:
    std::shared_ptr<SpeechLog> m_log;
};

} // namespace

class TestNameSpeaker : public QObject {
    Q_OBJECT
private slots:
    void withoutLibraryOrServiceNamesAreNotAvailableAndNothingWaits_data();
    void withoutLibraryOrServiceNamesAreNotAvailableAndNothingWaits();
    void aStalledServiceHoldsUpNeitherTheCallerNorTheEndAndOnlyTheNewestNameFollows();
};

void TestNameSpeaker::withoutLibraryOrServiceNamesAreNotAvailableAndNothingWaits_data() {
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("service");
    QTest::newRow("no speech service") << QString() << QStringLiteral("unix_socket:/nonexistent/s");
    QTest::newRow("no speech library")
        << QStringLiteral("/nonexistent/libwimbly-speech.so") << QString();
}

void TestNameSpeaker::withoutLibraryOrServiceNamesAreNotAvailableAndNothingWaits() {
    QFETCH(QString, library);
    QFETCH(QString, service);
    const QByteArray installed = qgetenv("WIMBLY_SPEECH_LIBRARY");
    if (!library.isEmpty())
        qputenv("WIMBLY_SPEECH_LIBRARY", library.toLocal8Bit());
    // Where speech-dispatcher is installed its client would start it: not here.
    qputenv("SPEECHD_ADDRESS",
            service.isEmpty() ? QByteArray("unix_socket:/nonexistent/s") : service.toLocal8Bit());
    qputenv("SPEECHD_CMD", "/nonexistent/speech-dispatcher");
    {
        NameSpeaker speaker;
        QSignalSpy found(&speaker, &NameSpeaker::availabilityChanged);
        QCOMPARE(speaker.availability(), NameSpeaker::Availability::Unknown);
        QElapsedTimer calls;
        calls.start();
        speaker.prepare(QLocale(QLocale::Chinese, QLocale::China));
        speaker.say(QStringLiteral("青蛙"), QLocale(QLocale::Chinese, QLocale::China));
        QVERIFY2(calls.elapsed() < 50, "asking returns at once");
        QTRY_COMPARE(speaker.availability(), NameSpeaker::Availability::Unavailable);
        QCOMPARE(found.size(), 1);
        // Still none after an English name: the same one report.
        speaker.say(QStringLiteral("frog"), QLocale(QLocale::English));
        QTest::qWait(100);
        QCOMPARE(speaker.availability(), NameSpeaker::Availability::Unavailable);
        QCOMPARE(found.size(), 1);
    }
    qputenv("WIMBLY_SPEECH_LIBRARY", installed);
    qunsetenv("SPEECHD_ADDRESS");
    qunsetenv("SPEECHD_CMD");
}

void TestNameSpeaker::aStalledServiceHoldsUpNeitherTheCallerNorTheEndAndOnlyTheNewestNameFollows() {
    auto log = std::make_shared<SpeechLog>();
    log->stalled = true;
    QElapsedTimer calls;
    {
        NameSpeaker speaker(std::make_unique<StallingOutput>(log));
        calls.start();
        speaker.prepare(QLocale(QLocale::English));
        QVERIFY(log->entered.tryAcquire(1, 5000));
        for (const char* name : {"frog", "owl", "cat"})
            speaker.say(QString::fromLatin1(name), QLocale(QLocale::Chinese));
        QVERIFY2(calls.elapsed() < 50, "asking returns at once");
        // The service answers: of the names asked for meanwhile only the newest is said, in
        // the language it was asked in.
        log->gate.release();
        QVERIFY(log->entered.tryAcquire(1, 5000));
        log->gate.release();
        QVERIFY(log->saying.tryAcquire(1, 5000));
        QTest::qWait(100);
        QCOMPARE(log->snapshot(), QStringList{QStringLiteral("cat")});
        QCOMPARE(speaker.availability(), NameSpeaker::Availability::Available);

        // Stalled again while the speaker is destroyed: it does not wait for the service.
        speaker.say(QStringLiteral("dog"), QLocale(QLocale::English));
        QVERIFY(log->entered.tryAcquire(1, 5000));
        calls.restart();
    }
    QVERIFY2(calls.elapsed() < 1500, "the end waits for the service at most half a second");
    // The thread left behind ends as soon as the service answers.
    log->gate.release(10);
    QTest::qWait(100);
}

QTEST_GUILESS_MAIN(TestNameSpeaker)
#include "tst_namespeaker.moc"
