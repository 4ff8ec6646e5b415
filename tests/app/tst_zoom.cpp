#include "artwork.h"
#include "catalogue.h"
#include "helpwindow.h"
#include "leaderboardwindow.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "pictureloader.h"
#include "silentoutput.h"

#include <QPointingDevice>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

#include <cmath>
#include <memory>

// From the build (wimbly_test_paths in tests/app/CMakeLists.txt): the folder of the drawings.
extern const char artFolder[];

using wimbly::Game;
using wimbly::MainWindow;
using wimbly::ManualClock;
using wimbly::PictureBox;
using wimbly::ViewScale;
using wimbly::test::silence;

namespace {

const QColor Navy(0, 0, 128);

// Runs the pending sequence until the board is open for answers.
void runUntilAnswering(ManualClock& clock, const Game& game) {
    while (game.phase() != Game::Phase::Answering && clock.advanceToAlarm()) {
    }
    QCOMPARE(game.phase(), Game::Phase::Answering);
}

// The screen pixels of a board of `width` x `height` pixels whose centres fall in board cell
// `cell` (38 x 55 board pixels a cell, nine to a row, the board 343 x 221).
QRect cellOnScreen(int cell, int width, int height) {
    const qreal kx = width / 343.0, ky = height / 221.0;
    const int left = 38 * (cell % 9), top = 55 * (cell / 9);
    const int x0 = qCeil(left * kx - 0.5), x1 = qCeil((left + 38) * kx - 0.5);
    const int y0 = qCeil(top * ky - 0.5), y1 = qCeil((top + 55) * ky - 0.5);
    return {x0, y0, x1 - x0, y1 - y0};
}

QImage rgb(const QImage& image) {
    return image.convertToFormat(QImage::Format_RGB32);
}

// Mean difference per channel of two images of one size.
double meanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

class TestZoom : public QObject {
    Q_OBJECT
private slots:
    void keysStepTheZoom_data();
    void keysStepTheZoom();
    void boardPressesCountInTheCellOnScreen_data();
    void boardPressesCountInTheCellOnScreen();
    void wholeTurnAtEveryFactor_data();
    void wholeTurnAtEveryFactor();
    void picturesAreRenderedForTheFactor_data();
    void picturesAreRenderedForTheFactor();
    void fullScreenCentresTheSceneOnNavy();
    void fullScreenChosenBeforeShowing();
    void secondaryWindowsOpenAtTheFactor();

private:
    // The touch screen the taps come from; made once, freed with the test object.
    std::unique_ptr<QPointingDevice> m_touchScreen;
};

void TestZoom::keysStepTheZoom_data() {
    QTest::addColumn<qreal>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<qreal>("to");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    const int plus = Qt::Key_Plus, equal = Qt::Key_Equal, minus = Qt::Key_Minus, zero = Qt::Key_0;
    const Qt::KeyboardModifiers ctrl(Qt::ControlModifier);
    // Plus is Shift+= on a US layout, and the keypad's keys come with the keypad modifier.
    const Qt::KeyboardModifiers shifted(Qt::ControlModifier | Qt::ShiftModifier);
    const Qt::KeyboardModifiers keypad(Qt::ControlModifier | Qt::KeypadModifier);
    QTest::newRow("1 in, US layout") << 1.0 << plus << true << 1.25 << shifted;
    QTest::newRow("1 in by Shift+=") << 1.0 << equal << true << 1.25 << shifted;
    QTest::newRow("1.5 in, keypad") << 1.5 << plus << true << 1.75 << keypad;
    QTest::newRow("1.5 out, keypad") << 1.5 << minus << true << 1.25 << keypad;
    QTest::newRow("1 in") << 1.0 << plus << true << 1.25 << ctrl;
    QTest::newRow("1.75 in by =") << 1.75 << equal << true << 2.0 << ctrl;
    QTest::newRow("2 in") << 2.0 << plus << true << 2.5 << ctrl;
    QTest::newRow("3 in") << 3.0 << plus << true << 4.0 << ctrl;
    QTest::newRow("4 in stays") << 4.0 << plus << true << 4.0 << ctrl;
    QTest::newRow("between steps in") << 2.2 << plus << true << 2.5 << ctrl;
    QTest::newRow("below 1 in") << 0.6 << plus << true << 1.0 << ctrl;
    QTest::newRow("2.5 out") << 2.5 << minus << true << 2.0 << ctrl;
    QTest::newRow("1.25 out") << 1.25 << minus << true << 1.0 << ctrl;
    QTest::newRow("1 out stays") << 1.0 << minus << true << 1.0 << ctrl;
    QTest::newRow("below 1 out stays") << 0.5 << minus << true << 0.5 << ctrl;
    QTest::newRow("3 back to 1") << 3.0 << zero << true << 1.0 << ctrl;
    QTest::newRow("disabled window") << 1.5 << plus << false << 1.5 << ctrl;
}

void TestZoom::keysStepTheZoom() {
    QFETCH(qreal, from);
    QFETCH(int, key);
    QFETCH(bool, enabled);
    QFETCH(qreal, to);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    mainWindow.setZoom(from);
    QCOMPARE(mainWindow.zoom(), from);
    mainWindow.setEnabled(enabled);
    if (!enabled)
        QTest::ignoreMessage(QtWarningMsg, "Keyboard event not accepted by receiving widget");
    QSignalSpy changed(&mainWindow, &MainWindow::viewChanged);
    QTest::keyClick(&mainWindow, Qt::Key(key), modifiers);
    QCOMPARE(mainWindow.zoom(), to);
    QCOMPARE(changed.count(), from == to ? 0 : 1);
    QCOMPARE(mainWindow.size(), QSize(qRound(551 * to), qRound(459 * to)));
}

// The board alone, as the main window places it: presses at the first and last screen pixels
// of cell 10 (column 1, row 1) count as that cell, their neighbours outside as the next cells,
// and the last screen pixels of the board fall on its outer grid lines.
void TestZoom::boardPressesCountInTheCellOnScreen_data() {
    QTest::addColumn<qreal>("factor");
    QTest::addColumn<QSize>("boardSize");
    QTest::addColumn<QRect>("cell10");
    QTest::newRow("100 %") << 1.0 << QSize(343, 221) << QRect(QPoint(38, 55), QPoint(75, 109));
    QTest::newRow("150 %") << 1.5 << QSize(515, 331) << QRect(QPoint(57, 82), QPoint(113, 164));
    QTest::newRow("200 %") << 2.0 << QSize(686, 442) << QRect(QPoint(76, 110), QPoint(151, 219));
    QTest::newRow("300 %") << 3.0 << QSize(1029, 663) << QRect(QPoint(114, 165), QPoint(227, 329));
}

void TestZoom::boardPressesCountInTheCellOnScreen() {
    QFETCH(qreal, factor);
    QFETCH(QSize, boardSize);
    QFETCH(QRect, cell10);
    QWidget window;
    PictureBox board(&window);
    board.place({50, 205});
    board.setBitmap(wimbly::res::Board);
    board.setView(ViewScale(factor));
    QCOMPARE(board.size(), boardSize);
    QSignalSpy pressed(&board, &PictureBox::mousePressed);
    const auto cellAt = [&](QPoint screen) {
        QTest::mousePress(&board, Qt::LeftButton, {}, screen);
        QTest::mouseRelease(&board, Qt::LeftButton, {}, screen);
        const QPointF at = pressed.takeLast().at(2).toPointF();
        if (at.x() >= 342 || at.y() >= 220)
            return -1; // on the outer grid lines
        return 9 * int(at.y() / 55) + int(at.x() / 38);
    };
    QCOMPARE(cellAt(cell10.topLeft()), 10);
    QCOMPARE(cellAt(cell10.bottomRight()), 10);
    QCOMPARE(cellAt(cell10.topLeft() - QPoint(1, 0)), 9);
    QCOMPARE(cellAt(cell10.topLeft() - QPoint(0, 1)), 1);
    QCOMPARE(cellAt(cell10.bottomRight() + QPoint(1, 0)), 11);
    QCOMPARE(cellAt(cell10.bottomRight() + QPoint(0, 1)), 19);
    QCOMPARE(cellAt({boardSize.width() - 1, cell10.top()}), -1);
    QCOMPARE(cellAt({cell10.left(), boardSize.height() - 1}), -1);
    QCOMPARE(cellAt({1, 1}), 0);
}

void TestZoom::wholeTurnAtEveryFactor_data() {
    QTest::addColumn<qreal>("factor");
    QTest::addColumn<QSize>("clientSize");
    QTest::addColumn<QSize>("boardSize");
    QTest::addColumn<bool>("touch");
    QTest::newRow("100 %") << 1.0 << QSize(551, 459) << QSize(343, 221) << false;
    QTest::newRow("150 %") << 1.5 << QSize(827, 689) << QSize(515, 331) << false;
    QTest::newRow("200 %") << 2.0 << QSize(1102, 918) << QSize(686, 442) << false;
    QTest::newRow("200 % by touch") << 2.0 << QSize(1102, 918) << QSize(686, 442) << true;
    QTest::newRow("300 %") << 3.0 << QSize(1653, 1377) << QSize(1029, 663) << false;
}

// A turn played at the factor: presses on the outer grid lines are ignored, a press on the
// expected cell's corner pixel scores, and the white frame lies inside that cell on screen, as
// thick as the factor, until the turn ends.
void TestZoom::wholeTurnAtEveryFactor() {
    QFETCH(qreal, factor);
    QFETCH(QSize, clientSize);
    QFETCH(QSize, boardSize);
    QFETCH(bool, touch);
    ManualClock clock;
    QTemporaryDir folder;
    MainWindow mainWindow({&clock, nullptr, folder.path(), silence()});
    mainWindow.setZoom(factor);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QCOMPARE(mainWindow.size(), clientSize);
    QTest::mouseClick(&mainWindow.startButton(), Qt::LeftButton, {},
                      mainWindow.startButton().rect().center());
    runUntilAnswering(clock, mainWindow.game());
    QCOMPARE(mainWindow.board().size(), boardSize);

    for (QPoint line : {QPoint(boardSize.width() - 1, boardSize.height() / 2),
                        QPoint(boardSize.width() / 2, boardSize.height() - 1)})
        QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {}, line);
    QCOMPARE(mainWindow.game().state().lives, 3);
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("0"));

    const QImage bare = rgb(mainWindow.board().grab().toImage());
    const int cell = mainWindow.game().state().order[0];
    const QRect onScreen = cellOnScreen(cell, boardSize.width(), boardSize.height());
    // QTest takes the point (0, 0) for the widget's middle: cell 0 is pressed at its far corner.
    const QPoint corner = cell % 2 || cell == 0 ? onScreen.bottomRight() : onScreen.topLeft();
    if (touch) {
        if (!m_touchScreen)
            m_touchScreen.reset(QTest::createTouchDevice());
        QPointingDevice* screen = m_touchScreen.get();
        const QPoint at = mainWindow.board().mapTo(&mainWindow, corner);
        QTest::touchEvent(&mainWindow, screen).press(0, at, &mainWindow);
        QTest::touchEvent(&mainWindow, screen).release(0, at, &mainWindow);
    } else {
        QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {}, corner);
    }
    QTRY_COMPARE(mainWindow.scoreLabel().text(), QStringLiteral("100"));

    const QImage framed = rgb(mainWindow.board().grab().toImage());
    QRect white;
    for (int y = 0; y < bare.height(); ++y) {
        for (int x = 0; x < bare.width(); ++x) {
            if (framed.pixel(x, y) == bare.pixel(x, y))
                continue;
            QVERIFY2(onScreen.contains(x, y), qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
            QCOMPARE(framed.pixelColor(x, y), QColor(Qt::white));
            white |= QRect(x, y, 1, 1);
        }
    }
    // The frame's lines lie one board pixel inside the cell's left and top grid lines and
    // on its last column and row: at the factor, within a screen pixel of those places.
    const int left = 38 * (cell % 9), top = 55 * (cell / 9);
    const qreal kx = boardSize.width() / 343.0, ky = boardSize.height() / 221.0;
    QVERIFY(std::abs(white.left() - (left + 1) * kx) <= 1);
    QVERIFY(std::abs(white.top() - (top + 1) * ky) <= 1);
    QVERIFY(std::abs(white.right() + 1 - (left + 38) * kx) <= 1);
    QVERIFY(std::abs(white.bottom() + 1 - (top + 55) * ky) <= 1);
    int thickness = 0;
    while (framed.pixelColor(white.left() + thickness, white.center().y()) == Qt::white)
        ++thickness;
    QVERIFY2(thickness >= qFloor(factor) && thickness <= qCeil(factor),
             qPrintable(QString::number(thickness)));

    clock.advance(100);
    QVERIFY(!mainWindow.board().isVisible());
    QVERIFY(!mainWindow.board().hasDrawing());
}

void TestZoom::picturesAreRenderedForTheFactor_data() {
    QTest::addColumn<qreal>("factor");
    QTest::addColumn<QSize>("slotSize");
    QTest::newRow("150 %") << 1.5 << QSize(54, 69);
    QTest::newRow("300 %") << 3.0 << QSize(108, 138);
}

// A presentation slot at the factor matches its drawing rendered at that size far better than
// the 100 % picture enlarged to it.
void TestZoom::picturesAreRenderedForTheFactor() {
    QFETCH(qreal, factor);
    QFETCH(QSize, slotSize);
    wimbly::resgen::Artwork art(QString::fromUtf8(artFolder));
    QString error;
    QVERIFY2(art.load(&error), qPrintable(error));

    ManualClock clock;
    QTemporaryDir folder;
    MainWindow mainWindow({&clock, nullptr, folder.path(), silence()});
    mainWindow.setZoom(factor);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QTest::mouseClick(&mainWindow.startButton(), Qt::LeftButton, {},
                      mainWindow.startButton().rect().center());
    QVERIFY(mainWindow.paradeSlot(0).isVisible());
    QCOMPARE(mainWindow.paradeSlot(0).size(), slotSize);
    const int character = mainWindow.game().state().order[0];

    const QImage shown = rgb(mainWindow.paradeSlot(0).grab().toImage());
    QCOMPARE(shown.size(), slotSize * mainWindow.devicePixelRatio());
    const QImage drawn = rgb(art.characterAt(character, shown.size()));
    const QImage enlarged =
        rgb(wimbly::res::loadPicture(wimbly::res::characterBitmap(character), {36, 46})->toImage())
            .scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double crisp = meanDifference(shown, drawn);
    const double blurred = meanDifference(enlarged, drawn);
    QVERIFY2(crisp * 2 < blurred, qPrintable(QStringLiteral("%1 vs %2").arg(crisp).arg(blurred)));
}

// The offscreen screen is 800 x 800: the scene is scaled by 800 / 551 to 800 x 666 and stands
// 67 pixels from the top; leaving full screen gives back the zoom, the size and the place.
void TestZoom::fullScreenCentresTheSceneOnNavy() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    mainWindow.setZoom(1.25);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QCOMPARE(mainWindow.screen()->geometry(), QRect(0, 0, 800, 800));
    const QPoint place = mainWindow.pos();
    QSignalSpy changed(&mainWindow, &MainWindow::viewChanged);
    QTest::keyClick(&mainWindow, Qt::Key_F11);
    QVERIFY(mainWindow.isFullScreenMode());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(mainWindow.geometry(), QRect(0, 0, 800, 800));
    QCOMPARE(mainWindow.startButton().geometry(), QRect(QPoint(697, 323), QPoint(769, 372)));
    QCOMPARE(mainWindow.board().geometry(), QRect(QPoint(73, 365), QPoint(570, 685)));
    QCOMPARE(mainWindow.zoom(), 1.25);

    const QImage shot = rgb(mainWindow.grab().toImage());
    const qreal ratio = shot.devicePixelRatio();
    const auto at = [&](int x, int y) {
        return shot.pixelColor(qFloor(x * ratio), qFloor(y * ratio));
    };
    QCOMPARE(at(400, 30), Navy);
    QCOMPARE(at(400, 770), Navy);
    QCOMPARE(at(755, 532), Navy);               // the strip beside the background
    QCOMPARE(at(290, 706), QColor(0, 176, 59)); // the background's green play area
    QCOMPARE(at(65, 343), QColor(0, 176, 59));

    // The help window opens at the scene's factor, centred on the screen and above the window.
    QTest::mouseClick(&mainWindow.helpButton(), Qt::LeftButton, {},
                      mainWindow.helpButton().rect().center());
    QWidget* help = mainWindow.secondaryWindow();
    QVERIFY(help);
    QCOMPARE(help->size(), QSize(470, 440));
    const QPoint offCentre = help->geometry().center() - QPoint(400, 400);
    QVERIFY2(offCentre.manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    QVERIFY(help->windowFlags() & Qt::WindowStaysOnTopHint);
    help->close();

    QTest::keyClick(&mainWindow, Qt::Key_F11);
    QVERIFY(!mainWindow.isFullScreenMode());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(mainWindow.zoom(), 1.25);
    QCOMPARE(mainWindow.size(), QSize(689, 574));
    QCOMPARE(mainWindow.pos(), place);
}

// Full screen chosen before the window is first shown: it opens covering the screen.
void TestZoom::fullScreenChosenBeforeShowing() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    mainWindow.setFullScreenMode(true);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QCOMPARE(mainWindow.geometry(), QRect(0, 0, 800, 800));
    QCOMPARE(mainWindow.board().geometry(), QRect(QPoint(73, 365), QPoint(570, 685)));
}

// At 200 % the help window is 648 x 606 at twice its place, and the leaderboard 656 x 742 with
// its rows 48 pixels apart; both with fonts twice as large.
void TestZoom::secondaryWindowsOpenAtTheFactor() {
    QTemporaryDir folder;
    MainWindow mainWindow({nullptr, nullptr, folder.path(), silence()});
    mainWindow.setZoom(2);
    mainWindow.show();
    const qreal basePoints = QApplication::font().pointSizeF();

    QTest::mouseClick(&mainWindow.helpButton(), Qt::LeftButton, {},
                      mainWindow.helpButton().rect().center());
    auto* help = qobject_cast<wimbly::HelpWindow*>(mainWindow.secondaryWindow());
    QVERIFY(help);
    QCOMPARE(help->size(), QSize(648, 606));
    QCOMPARE(help->pos(), QPoint(294, 266));
    QCOMPARE(help->text().geometry(), QRect(32, 80, 594, 498));
    QCOMPARE(help->text().font().pointSizeF(), basePoints * 2);
    help->close();
    QVERIFY(mainWindow.isEnabled());

    auto* board = wimbly::LeaderboardWindow::open(mainWindow.folder(), 0, &mainWindow);
    QCOMPARE(board->size(), QSize(656, 742));
    auto* heading = board->findChild<QLabel*>(QStringLiteral("heading"));
    QCOMPARE(heading->geometry(), QRect(48, 32, 450, 50));
    QCOMPARE(heading->font().pointSizeF(), 18.0);
    QCOMPARE(board->findChild<QLabel*>(QStringLiteral("name_0"))->geometry(),
             QRect(48, 160, 162, 50));
    QCOMPARE(board->findChild<QLabel*>(QStringLiteral("score_9"))->geometry(),
             QRect(304, 160 + 48 * 9, 178, 50));
    board->close();
}

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
