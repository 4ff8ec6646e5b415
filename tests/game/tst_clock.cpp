#include "manualclock.h"
#include "qtclock.h"
#include "randomsource.h"

#include <QElapsedTimer>
#include <QTest>

#include <array>
#include <memory>

using namespace wimbly;

class ClockTest : public QObject {
    Q_OBJECT

private slots:
    void manualAlarmFiresAtItsDueTimeWithinTheSpan();
    void manualAlarmsSetWhileFiringFireInTheSameSpan();
    void manualAlarmAlreadyDueWaitsForTheNextAdvance();
    void manualCancelledOrReplacedAlarmNeverFires();

    void realAlarmFiresOnTimeAndNeverEarly_data();
    void realAlarmFiresOnTimeAndNeverEarly();
    void realAlarmAlreadyDueFiresFromTheEventLoop();
    void realCancelledOrReplacedAlarmNeverFires();
    void destroyingTheRealClockDropsItsAlarm();

    void systemDrawsSpreadOverTheUnitRange();
    void systemReseedsInQuickSuccessionStartDifferentSeries();
};

void ClockTest::manualAlarmFiresAtItsDueTimeWithinTheSpan() {
    ManualClock clock;
    QList<qint64> fired;
    clock.setAlarm(100, [&] { fired.append(clock.now()); });
    clock.advance(99);
    QVERIFY(fired.isEmpty());
    QVERIFY(clock.alarmPending());
    clock.advance(50);
    QCOMPARE(fired, QList<qint64>{100});
    QCOMPARE(clock.now(), 149);
    QVERIFY(!clock.alarmPending());
}

void ClockTest::manualAlarmsSetWhileFiringFireInTheSameSpan() {
    ManualClock clock;
    QList<qint64> fired;
    std::function<void()> chain = [&] {
        fired.append(clock.now());
        clock.setAlarm(clock.now() + 150, chain);
    };
    clock.setAlarm(100, chain);
    clock.advance(500);
    QCOMPARE(fired, (QList<qint64>{100, 250, 400}));
    QCOMPARE(clock.alarmDue(), 550);
    QCOMPARE(clock.now(), 500);
}

void ClockTest::manualAlarmAlreadyDueWaitsForTheNextAdvance() {
    ManualClock clock;
    clock.advance(1000);
    int fired = 0;
    clock.setAlarm(10, [&] { ++fired; });
    QCOMPARE(fired, 0);
    clock.advance(0);
    QCOMPARE(fired, 1);
    QCOMPARE(clock.now(), 1000);
}

void ClockTest::manualCancelledOrReplacedAlarmNeverFires() {
    ManualClock clock;
    QStringList fired;
    clock.setAlarm(10, [&] { fired << "first"; });
    clock.setAlarm(20, [&] { fired << "second"; });
    clock.advance(100);
    clock.setAlarm(150, [&] { fired << "third"; });
    clock.cancelAlarm();
    clock.advance(100);
    QCOMPARE(fired, QStringList{"second"});
}

void ClockTest::realAlarmFiresOnTimeAndNeverEarly_data() {
    QTest::addColumn<int>("delay");
    QTest::newRow("0 ms") << 0;
    QTest::newRow("1 ms") << 1;
    QTest::newRow("17 ms") << 17;
    QTest::newRow("100 ms") << 100;
}

// The one check against real time: the alarm waits at least its delay, measured by the clock
// and by an independent timer, and comes soon after it.
void ClockTest::realAlarmFiresOnTimeAndNeverEarly() {
    QFETCH(int, delay);
    QtClock clock;
    QElapsedTimer outside;
    outside.start();
    const qint64 due = clock.now() + delay;
    qint64 firedAt = -1;
    qint64 outsideAt = -1;
    clock.setAlarm(due, [&] {
        firedAt = clock.now();
        outsideAt = outside.elapsed();
    });
    QTRY_VERIFY_WITH_TIMEOUT(firedAt >= 0, 2000);
    QVERIFY(firedAt >= due);
    QVERIFY(outsideAt >= delay);
    // Generous: the machine running the tests may be busy.
    QVERIFY2(firedAt < due + 250, qPrintable(QString::number(firedAt - due)));
    QVERIFY(!clock.alarmPending());
}

void ClockTest::realAlarmAlreadyDueFiresFromTheEventLoop() {
    QtClock clock;
    int fired = 0;
    clock.setAlarm(clock.now() - 50, [&] { ++fired; });
    QCOMPARE(fired, 0);
    QTRY_COMPARE(fired, 1);
}

// A witness on a second clock, due after the dropped alarms, says when they would have fired.
void ClockTest::realCancelledOrReplacedAlarmNeverFires() {
    QtClock clock;
    QtClock witness;
    QStringList fired;
    clock.setAlarm(clock.now(), [&] { fired << "replaced"; });
    clock.setAlarm(clock.now() + 2, [&] { fired << "kept"; });
    QTRY_COMPARE(fired, QStringList{"kept"});
    clock.setAlarm(clock.now(), [&] { fired << "cancelled"; });
    clock.cancelAlarm();
    QVERIFY(!clock.alarmPending());
    witness.setAlarm(witness.now() + 5, [&] { fired << "witness"; });
    QTRY_COMPARE(fired, (QStringList{"kept", "witness"}));
}

void ClockTest::destroyingTheRealClockDropsItsAlarm() {
    QtClock witness;
    QStringList fired;
    {
        auto clock = std::make_unique<QtClock>();
        clock->setAlarm(clock->now(), [&] { fired << "dropped"; });
    }
    witness.setAlarm(witness.now() + 5, [&] { fired << "witness"; });
    QTRY_COMPARE(fired, QStringList{"witness"});
}

// The game shuffles and picks poses with these draws: a source stuck in part of the range
// would leave characters out of the first places of a turn.
void ClockTest::systemDrawsSpreadOverTheUnitRange() {
    SystemRandom random;
    std::array<int, 10> tenths{};
    for (int i = 0; i < 10000; ++i) {
        const double r = random.next();
        QVERIFY(r >= 0 && r < 1);
        ++tenths[std::size_t(r * 10)];
    }
    for (int count : tenths)
        QVERIFY2(count > 800 && count < 1200, qPrintable(QString::number(count)));
}

// The game reseeds before every shuffle; two reseeds within one tick of the clock must not
// repeat the series.
void ClockTest::systemReseedsInQuickSuccessionStartDifferentSeries() {
    SystemRandom random;
    QList<QList<double>> series;
    for (int s = 0; s < 3; ++s) {
        random.reseed();
        QList<double> draws;
        for (int i = 0; i < 4; ++i)
            draws.append(random.next());
        QVERIFY(!series.contains(draws));
        series.append(draws);
    }
}

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
