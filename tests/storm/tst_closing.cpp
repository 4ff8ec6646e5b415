// Closing the main window at every moment of a game: the program (here a copy of the real main
// window in a child process) must leave its event loop at once with status 0, whatever sequence
// is running, and ignore the close box while the leaderboard or help window is open.

#include "boardpoint.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "silentoutput.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <optional>

using wimbly::Game;
using wimbly::MainWindow;
using wimbly::ManualClock;
using Phase = wimbly::Game::Phase;

using wimbly::test::centreOfCell;

namespace {

// Exit statuses of the child besides its event loop's own.
constexpr int ClosedOverSecondary = 3;
constexpr int PhaseNotReached = 4;

// Plays the main window up to `phase`, in real or virtual time, then closes it through its close
// box. Runs inside the child's event loop, one step per timer tick, so real timers run between.
class Driver : public QObject {
public:
    Driver(MainWindow& mainWindow, ManualClock* clock, QString phase)
        : m_mainWindow(mainWindow), m_clock(clock), m_phase(std::move(phase)) {
        m_elapsed.start();
        connect(&m_tick, &QTimer::timeout, this, &Driver::tick);
        m_tick.start(5);
    }

private:
    Game& game() { return m_mainWindow.game(); }

    // Lets time pass: the pending alarm fires at once in virtual time, by itself in real time.
    void wait() {
        if (m_clock)
            m_clock->advanceToAlarm();
    }

    bool reach(Phase phase) {
        if (game().phase() == phase)
            return true;
        wait();
        return game().phase() == phase;
    }

    void tick() {
        if (m_elapsed.elapsed() > 20000) {
            std::fprintf(stderr, "phase %s not reached; at %d\n", qPrintable(m_phase),
                         int(game().phase()));
            QCoreApplication::exit(PhaseNotReached);
            return;
        }
        if (!m_started && m_phase != QLatin1String("idle")) {
            QTest::mouseClick(&m_mainWindow.startButton(), Qt::LeftButton);
            m_started = true;
            return;
        }
        if (m_phase == QLatin1String("idle") || m_phase == QLatin1String("parade")) {
            // A few hundred milliseconds into the parade in real time.
            if (m_clock || m_elapsed.elapsed() > 300)
                closeMain();
        } else if (m_phase == QLatin1String("answering")) {
            if (reach(Phase::Answering))
                closeMain();
        } else if (m_phase == QLatin1String("turn end") ||
                   m_phase == QLatin1String("celebration")) {
            const Phase wanted =
                m_phase == QLatin1String("turn end") ? Phase::TurnEnd : Phase::Celebrating;
            if (game().phase() == Phase::Answering)
                QTest::mousePress(&m_mainWindow.board(), Qt::LeftButton, {},
                                  centreOfCell(game().state().order[0]));
            else if (reach(wanted))
                closeMain();
        } else if (m_phase == QLatin1String("game over") || m_phase == QLatin1String("help")) {
            playToSecondaryWindow();
        }
    }

    // Opens the leaderboard (by losing) or the help window, tries the main close box while it is
    // open, closes the secondary window, then the main window.
    void playToSecondaryWindow() {
        if (m_secondaryClosed) {
            // A later event than the secondary window's closing, as a player's click would be.
            closeMain();
            return;
        }
        if (QWidget* secondary = m_mainWindow.secondaryWindow()) {
            if (!secondary->isVisible())
                return;
            std::printf("attempt\n");
            std::fflush(stdout);
            if (m_mainWindow.close() || !m_mainWindow.isVisible()) {
                QCoreApplication::exit(ClosedOverSecondary);
                return;
            }
            secondary->close();
            m_secondaryClosed = true;
            return;
        }
        if (!reach(Phase::Answering))
            return;
        if (m_phase == QLatin1String("help")) {
            QTest::mouseClick(&m_mainWindow.helpButton(), Qt::LeftButton);
            return;
        }
        const int wrong =
            (game().state().order[0] + 1) % (wimbly::res::BoardColumns * wimbly::res::BoardRows);
        QTest::mousePress(&m_mainWindow.board(), Qt::LeftButton, {}, centreOfCell(wrong));
    }

    void closeMain() {
        m_tick.stop();
        std::printf("closing\n");
        std::fflush(stdout);
        // What the window system's close box does.
        m_mainWindow.close();
    }

    MainWindow& m_mainWindow;
    ManualClock* m_clock;
    QString m_phase;
    QTimer m_tick;
    QElapsedTimer m_elapsed;
    bool m_started = false;
    bool m_secondaryClosed = false;
};

int runChild(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString phase = QString::fromLocal8Bit(argv[2]);
    const bool virtualTime = qstrcmp(argv[3], "virtual") == 0;
    std::optional<ManualClock> clock;
    if (virtualTime)
        clock.emplace();
    MainWindow mainWindow({clock ? &*clock : nullptr, nullptr, QString::fromLocal8Bit(argv[4]),
                           wimbly::test::silence()});
    mainWindow.show();
    Driver driver(mainWindow, clock ? &*clock : nullptr, phase);
    return app.exec();
}

} // namespace

class TestClosing : public QObject {
    Q_OBJECT
private slots:
    void closingInEveryPhaseExitsAtOnce_data();
    void closingInEveryPhaseExitsAtOnce();
};

void TestClosing::closingInEveryPhaseExitsAtOnce_data() {
    QTest::addColumn<QString>("phase");
    QTest::addColumn<QString>("time");
    for (const char* time : {"virtual", "real"}) {
        for (const char* phase :
             {"idle", "parade", "answering", "turn end", "celebration", "game over", "help"})
            QTest::addRow("%s, %s time", phase, time) << phase << time;
    }
}

void TestClosing::closingInEveryPhaseExitsAtOnce() {
    QFETCH(QString, phase);
    QFETCH(QString, time);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), phase, time, folder.path()});
    QVERIFY(child.waitForStarted());

    QByteArray said;
    while (!said.contains("closing\n") && child.waitForReadyRead(30000))
        said += child.readAllStandardOutput();
    QElapsedTimer sinceClose;
    sinceClose.start();
    const bool finished = child.waitForFinished(5000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    said += child.readAllStandardOutput();
    QVERIFY2(said.contains("closing\n"), said.constData());
    QVERIFY2(finished, "the program went on after its window closed");
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    // Leaving includes the audio thread's end (half a second at most) and, in a sanitizer build,
    // the leak check.
    QVERIFY2(sinceClose.elapsed() < 4000, qPrintable(QString::number(sinceClose.elapsed())));
    qInfo("exited %lld ms after the close box", sinceClose.elapsed());
    const bool secondary = phase == QLatin1String("game over") || phase == QLatin1String("help");
    QCOMPARE(said.contains("attempt\n"), secondary);
}

int main(int argc, char** argv) {
    if (argc == 5 && qstrcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestClosing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_closing.moc"
