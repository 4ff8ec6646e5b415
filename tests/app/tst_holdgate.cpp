#include "holdgate.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "parentsmenu.h"
#include "silentoutput.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using wimbly::Game;
using wimbly::HoldGate;
using wimbly::MainWindow;
using wimbly::ManualClock;
using wimbly::ParentsMenu;
using wimbly::test::silence;

namespace {

enum class Input { Mouse, Touch, TouchAsMouse };
// What happens one second into the hold.
enum class Meanwhile { Nothing, Move8, Move16, SecondFinger, Disabled };

// The first navy column is 458; the scene right of the background picture is the side panel.
constexpr QPoint PanelPoint(520, 100);
// Where the start button stands, at 100 %.
constexpr QPoint StartButtonPoint(505, 193);

// A main window with its grown-ups' menu, shown, whose hold gate reads a time the test sets.
struct Bench {
    ManualClock clock;
    MainWindow window{{&clock, nullptr, {}, silence()}};
    ParentsMenu parents{window, nullptr};
    qint64 now = 0;

    Bench() {
        parents.holdGate().setClock([this] { return now; });
        window.show();
    }
    ~Bench() {
        if (parents.menu())
            parents.menu()->close();
    }
    HoldGate& gate() { return parents.holdGate(); }
    // Moves the gate's time on to `ms` after the press and lets it look.
    void at(qint64 ms) {
        now = ms;
        gate().tick();
    }
    bool ringShown() const {
        const QWidget* ring = const_cast<Bench*>(this)->gate().ring();
        return ring && ring->isVisible();
    }
};

QPointingDevice* touchScreen() {
    static std::unique_ptr<QPointingDevice> device(QTest::createTouchDevice());
    return device.get();
}

// A mouse event such as Qt makes from a touch that no widget took.
void sendTouchAsMouse(QWidget& window, QEvent::Type type, QPoint pos) {
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, pos, window.mapToGlobal(pos), Qt::LeftButton, buttons, {},
                      Qt::MouseEventSynthesizedByQt, touchScreen());
    QCoreApplication::sendEvent(&window, &event);
}

// The left mouse button or a finger (id 0) on the window; a second finger is id 1.
class Pointer {
public:
    Pointer(QWidget& window, Input input)
        : m_window(window), m_input(input),
          m_touch(QTest::touchEvent(&window, touchScreen(), false)) {}

    void press(QPoint pos) {
        switch (m_input) {
        case Input::Mouse:
            // QTest gives a widget's mouse events to that widget: to the one under the point,
            // as the window system would, and the rest of the press to the same one.
            m_pressed = m_window.childAt(pos);
            if (!m_pressed)
                m_pressed = &m_window;
            QTest::mousePress(m_pressed, Qt::LeftButton, {}, m_pressed->mapFrom(&m_window, pos));
            break;
        case Input::Touch:
            m_touch.press(0, pos, &m_window).commit();
            break;
        case Input::TouchAsMouse:
            sendTouchAsMouse(m_window, QEvent::MouseButtonPress, pos);
            break;
        }
    }
    void move(QPoint pos) {
        switch (m_input) {
        case Input::Mouse:
            QTest::mouseMove(m_pressed, m_pressed->mapFrom(&m_window, pos));
            break;
        case Input::Touch:
            m_touch.move(0, pos, &m_window).commit();
            break;
        case Input::TouchAsMouse:
            sendTouchAsMouse(m_window, QEvent::MouseMove, pos);
            break;
        }
    }
    void release(QPoint pos) {
        switch (m_input) {
        case Input::Mouse:
            QTest::mouseRelease(m_pressed, Qt::LeftButton, {}, m_pressed->mapFrom(&m_window, pos));
            break;
        case Input::Touch:
            m_touch.release(0, pos, &m_window).commit();
            break;
        case Input::TouchAsMouse:
            sendTouchAsMouse(m_window, QEvent::MouseButtonRelease, pos);
            break;
        }
    }
    void pressSecondFinger(QPoint pos) { m_touch.stationary(0).press(1, pos, &m_window).commit(); }
    void releaseSecondFinger(QPoint pos) {
        m_touch.stationary(0).release(1, pos, &m_window).commit();
    }

private:
    QWidget& m_window;
    Input m_input;
    QWidget* m_pressed = nullptr;
    QTest::QTouchEventWidgetSequence m_touch;
};

// A point of the navy margin that full screen puts around the scene.
QPoint marginPoint(const MainWindow& window) {
    const QRect scene = window.view().rect(QRect(QPoint(0, 0), MainWindow::ClientSize));
    if (scene.left() > 0)
        return {scene.left() / 2, window.height() / 2};
    return {window.width() / 2, scene.top() / 2};
}

} // namespace

Q_DECLARE_METATYPE(Input)
Q_DECLARE_METATYPE(Meanwhile)

class TestHoldGate : public QObject {
    Q_OBJECT
private slots:
    void holdOpensTheMenuAtThePoint_data();
    void holdOpensTheMenuAtThePoint();
    void ringShowsFromHalfASecondAroundThePoint_data();
    void ringShowsFromHalfASecondAroundThePoint();
    void shortPressOnTheStartButtonStartsAGame_data();
    void shortPressOnTheStartButtonStartsAGame();
};

void TestHoldGate::holdOpensTheMenuAtThePoint_data() {
    QTest::addColumn<Input>("input");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<QPoint>("at"); // design pixels; (-1, -1): the full-screen margin
    QTest::addColumn<Meanwhile>("meanwhile");
    QTest::addColumn<int>("releasedAt"); // ms, or -1: held to the end
    QTest::addColumn<bool>("opens");
    const QPoint margin(-1, -1);
    for (const Input input : {Input::Mouse, Input::Touch}) {
        const char* by = input == Input::Mouse ? "mouse" : "touch";
        QTest::addRow("%s, 2 s on the panel", by)
            << input << false << PanelPoint << Meanwhile::Nothing << -1 << true;
        QTest::addRow("%s, 1.9 s on the panel", by)
            << input << false << PanelPoint << Meanwhile::Nothing << 1900 << false;
        QTest::addRow("%s, 2 s on the scene", by)
            << input << false << QPoint(200, 100) << Meanwhile::Nothing << -1 << false;
        QTest::addRow("%s, 2 s on the board area", by)
            << input << false << QPoint(200, 300) << Meanwhile::Nothing << -1 << false;
        QTest::addRow("%s, 2 s on the start button", by)
            << input << false << StartButtonPoint << Meanwhile::Nothing << -1 << false;
        QTest::addRow("%s, moved 8 px", by)
            << input << false << PanelPoint << Meanwhile::Move8 << -1 << true;
        QTest::addRow("%s, moved 16 px", by)
            << input << false << PanelPoint << Meanwhile::Move16 << -1 << false;
        QTest::addRow("%s, window disabled", by)
            << input << false << PanelPoint << Meanwhile::Disabled << -1 << false;
        QTest::addRow("%s, full-screen margin", by)
            << input << true << margin << Meanwhile::Nothing << -1 << true;
        QTest::addRow("%s, full-screen panel", by)
            << input << true << PanelPoint << Meanwhile::Nothing << -1 << true;
        QTest::addRow("%s, full-screen scene", by)
            << input << true << QPoint(200, 100) << Meanwhile::Nothing << -1 << false;
    }
    QTest::newRow("touch, a second finger")
        << Input::Touch << false << PanelPoint << Meanwhile::SecondFinger << -1 << false;
    // Counted by its touch events alone: the mouse events made of a touch count for nothing.
    QTest::newRow("touch made into mouse events")
        << Input::TouchAsMouse << false << PanelPoint << Meanwhile::Nothing << -1 << false;
}

void TestHoldGate::holdOpensTheMenuAtThePoint() {
    QFETCH(Input, input);
    QFETCH(bool, fullScreen);
    QFETCH(QPoint, at);
    QFETCH(Meanwhile, meanwhile);
    QFETCH(int, releasedAt);
    QFETCH(bool, opens);
    Bench bench;
    MainWindow& window = bench.window;
    window.setFullScreenMode(fullScreen);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint pos = at == QPoint(-1, -1) ? marginPoint(window) : window.view().point(at);
    QSignalSpy held(&bench.gate(), &HoldGate::held);
    Pointer pointer(window, input);

    pointer.press(pos);
    bench.at(1000);
    const QPoint off(0, qRound(window.view().factor() * (meanwhile == Meanwhile::Move8 ? 8 : 16)));
    switch (meanwhile) {
    case Meanwhile::Nothing:
        break;
    case Meanwhile::Move8:
    case Meanwhile::Move16:
        pointer.move(pos + off);
        break;
    case Meanwhile::SecondFinger:
        pointer.pressSecondFinger(pos + off);
        break;
    case Meanwhile::Disabled:
        window.setEnabled(false);
        bench.at(1500);
        window.setEnabled(true);
        break;
    }
    if (releasedAt >= 0) {
        bench.at(releasedAt);
        pointer.release(pos);
        bench.at(5000);
    } else {
        bench.at(2000);
    }
    QCOMPARE(held.size(), opens ? 1 : 0);
    QCOMPARE(bench.parents.menu() != nullptr, opens);
    if (opens) {
        QCOMPARE(held.at(0).at(0).toPoint(), window.mapToGlobal(pos));
        QTRY_VERIFY(bench.parents.menu()->isVisible());
    }
    QVERIFY(!bench.ringShown());
    // The rest of the press opens nothing more.
    if (meanwhile == Meanwhile::SecondFinger)
        pointer.releaseSecondFinger(pos + off);
    if (releasedAt < 0)
        pointer.release(pos);
    bench.at(9000);
    QCOMPARE(held.size(), opens ? 1 : 0);
}

void TestHoldGate::ringShowsFromHalfASecondAroundThePoint_data() {
    QTest::addColumn<Input>("input");
    QTest::addColumn<qreal>("zoom");
    QTest::newRow("mouse at 100 %") << Input::Mouse << 1.0;
    QTest::newRow("touch at 100 %") << Input::Touch << 1.0;
    QTest::newRow("touch at 200 %") << Input::Touch << 2.0;
}

void TestHoldGate::ringShowsFromHalfASecondAroundThePoint() {
    QFETCH(Input, input);
    QFETCH(qreal, zoom);
    Bench bench;
    MainWindow& window = bench.window;
    window.setZoom(zoom);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint pos = window.view().point(PanelPoint);
    const QRect around(pos - QPoint(20, 20) * zoom, QSize(40, 40) * zoom);
    const QImage before = window.grab(around).toImage();
    const auto goldPixels = [&] {
        const QImage now = window.grab(around).toImage();
        int gold = 0;
        for (int y = 0; y < now.height(); ++y) {
            for (int x = 0; x < now.width(); ++x) {
                const QColor c = now.pixelColor(x, y);
                if (c.red() > 200 && c.green() > 150 && c.blue() < 100)
                    ++gold;
            }
        }
        return gold;
    };

    Pointer pointer(window, input);
    pointer.press(pos);
    bench.at(490);
    QVERIFY(!bench.ringShown());
    QCOMPARE(window.grab(around).toImage(), before);

    bench.at(1000);
    QVERIFY(bench.ringShown());
    const QRect ring = bench.gate().ring()->geometry();
    QVERIFY2(ring.width() >= 24 * zoom && ring.width() <= 32 * zoom,
             qPrintable(QString::number(ring.width())));
    QCOMPARE(ring.height(), ring.width());
    QVERIFY((ring.center() - pos).manhattanLength() <= 2);
    const int third = goldPixels();
    QVERIFY(third > 0);
    // It fills as the hold goes on.
    bench.at(1900);
    QVERIFY(goldPixels() > 2 * third);

    pointer.release(pos);
    QVERIFY(!bench.ringShown());
    QCOMPARE(window.grab(around).toImage(), before);
    QVERIFY(!bench.parents.menu());
}

void TestHoldGate::shortPressOnTheStartButtonStartsAGame_data() {
    QTest::addColumn<Input>("input");
    QTest::newRow("mouse click") << Input::Mouse;
    QTest::newRow("finger tap") << Input::Touch;
}

void TestHoldGate::shortPressOnTheStartButtonStartsAGame() {
    QFETCH(Input, input);
    Bench bench;
    MainWindow& window = bench.window;
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.game().phase(), Game::Phase::Idle);
    Pointer pointer(window, input);
    pointer.press(StartButtonPoint);
    bench.at(100);
    pointer.release(StartButtonPoint);
    QTRY_VERIFY(window.game().phase() != Game::Phase::Idle);
    QVERIFY(!bench.parents.menu());
}

QTEST_MAIN(TestHoldGate)
#include "tst_holdgate.moc"
