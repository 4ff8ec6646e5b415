#include "game.h"
#include "manualclock.h"
#include "qtclock.h"
#include "randomsource.h"
#include "recorderview.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace wimbly;

class ClockTest : public QObject {
    Q_OBJECT

private slots:
    void manualAlarmFiresAtItsDueTimeWithinTheSpan();
    void manualAlarmsSetWhileFiringFireInTheSameSpan();
    void manualAlarmAlreadyDueWaitsForTheNextAdvance();
    void manualCancelledOrReplacedAlarmNeverFires();

    void realAlarmNeverFiresEarly_data();
    void realAlarmNeverFiresEarly();
    void realAlarmAlreadyDueFiresFromTheEventLoop();
    void realCancelledOrReplacedAlarmNeverFires();
    void destroyingTheRealClockDropsItsAlarm();
    void realParadeOpensTheBoardOnTime();

    void systemDrawsStayInTheUnitRange();
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

void ClockTest::realAlarmNeverFiresEarly_data() {
    QTest::addColumn<int>("delay");
    QTest::newRow("0 ms") << 0;
    QTest::newRow("1 ms") << 1;
    QTest::newRow("17 ms") << 17;
    QTest::newRow("100 ms") << 100;
}

void ClockTest::realAlarmNeverFiresEarly() {
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
    QVERIFY(!clock.alarmPending());
}

void ClockTest::realAlarmAlreadyDueFiresFromTheEventLoop() {
    QtClock clock;
    int fired = 0;
    clock.setAlarm(clock.now() - 50, [&] { ++fired; });
    QCOMPARE(fired, 0);
    QTRY_COMPARE(fired, 1);
}

void ClockTest::realCancelledOrReplacedAlarmNeverFires() {
    QtClock clock;
    QStringList fired;
    clock.setAlarm(clock.now() + 10, [&] { fired << "replaced"; });
    clock.setAlarm(clock.now() + 20, [&] { fired << "kept"; });
    QTRY_COMPARE(fired, QStringList{"kept"});
    clock.setAlarm(clock.now() + 10, [&] { fired << "cancelled"; });
    clock.cancelAlarm();
    QVERIFY(!clock.alarmPending());
    QTest::qWait(60);
    QCOMPARE(fired, QStringList{"kept"});
}

void ClockTest::destroyingTheRealClockDropsItsAlarm() {
    int fired = 0;
    {
        auto clock = std::make_unique<QtClock>();
        clock->setAlarm(clock->now() + 10, [&] { ++fired; });
    }
    QTest::qWait(60);
    QCOMPARE(fired, 0);
}

void ClockTest::realParadeOpensTheBoardOnTime() {
    QtClock clock;
    test::RecorderView view(clock);
    SystemRandom random;
    Game game(view, clock, random);
    const qint64 start = clock.now();
    game.Picbeg_Click();
    QTRY_VERIFY_WITH_TIMEOUT(view.boardVisible, 5000);
    const auto opened = view.eventsSince(start, test::RecorderView::Kind::Board).last().time;
    QVERIFY(game.state().canclick);
    QVERIFY(opened >= start + 2100);
    // Generous: the machine running the tests may be busy.
    QVERIFY2(opened < start + 2100 + 250, qPrintable(QString::number(opened - start)));
}

void ClockTest::systemDrawsStayInTheUnitRange() {
    SystemRandom random;
    double low = 1;
    double high = 0;
    for (int i = 0; i < 100000; ++i) {
        if (i % 1000 == 0)
            random.reseed();
        const double r = random.next();
        QVERIFY(r >= 0 && r < 1);
        low = std::min(low, r);
        high = std::max(high, r);
    }
    QVERIFY(low < 0.001 && high > 0.999);
}

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
