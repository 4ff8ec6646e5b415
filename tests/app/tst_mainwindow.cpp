#include "boardpoint.h"
#include "helpwindow.h"
#include "leaderboardwindow.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "silentoutput.h"

#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QtMath>

using wimbly::Game;
using wimbly::MainWindow;
using wimbly::ManualClock;
using wimbly::PictureBox;

using wimbly::test::centreOfCell;
using wimbly::test::silence;

namespace {

const QColor Navy(0, 0, 128);
const QColor BoardGreen(0, 176, 59);
const QColor GridGreen(0, 62, 21);

// The colour of logical pixel `at` of a grabbed widget, at any device pixel ratio.
QColor pixelAt(const QImage& image, QPoint at) {
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(qFloor(at.x() * ratio), qFloor(at.y() * ratio));
}

// Runs the pending sequence until the board is open for answers.
void runUntilAnswering(ManualClock& clock, const Game& game) {
    while (game.phase() != Game::Phase::Answering && clock.advanceToAlarm()) {
    }
    QCOMPARE(game.phase(), Game::Phase::Answering);
}

// Shows the window, presses the start button and runs the first parade until the board is open.
void showAndOpenTheBoard(ManualClock& clock, MainWindow& mainWindow) {
    mainWindow.show();
    QTest::mouseClick(&mainWindow.startButton(), Qt::LeftButton);
    runUntilAnswering(clock, mainWindow.game());
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void windowHasItsCaptionFrameSizeAndPlace();
    void controlsStandAtTheirPlacesAfterStartUp_data();
    void controlsStandAtTheirPlacesAfterStartUp();
    void slotsFormANineByFourGrid_data();
    void slotsFormANineByFourGrid();
    void scoreIsRedBoldChineseTextOnNavy();
    void backgroundShowsTheSceneAndTheNavyStrip();
    void startPressShowsMarkersScoreAndOpensTheBoardAfterTheParade();
    void correctClickPaintsWhiteInsideTheClickedCellUntilTheTurnEnds();
    void everyMouseButtonCountsTheSame_data();
    void everyMouseButtonCountsTheSame();
    void buttonsClickOnlyWhenReleasedOverThemselves_data();
    void buttonsClickOnlyWhenReleasedOverThemselves();
    void helpWindowHaltsTheBoardAndBlocksTheMainWindow();
    void wholeGameEndsWithTheScoreSavedInTheLeaderboard();
};

void TestMainWindow::windowHasItsCaptionFrameSizeAndPlace() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    QCOMPARE(mainWindow.windowTitle(), QStringLiteral("Wimbly"));
    QCOMPARE(mainWindow.size(), QSize(551, 459));
    QCOMPARE(mainWindow.minimumSize(), mainWindow.maximumSize());
    QVERIFY(mainWindow.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(mainWindow.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(mainWindow.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(mainWindow.pos(), QPoint(133, 67));
    QVERIFY(!mainWindow.windowIcon().isNull());
    QVERIFY(mainWindow.folder().endsWith(QLatin1Char('/')));
}

void TestMainWindow::controlsStandAtTheirPlacesAfterStartUp_data() {
    QTest::addColumn<int>("control");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("board") << 0 << QRect(50, 205, 343, 221) << false << QString();
    QTest::newRow("mascot") << 1 << QRect(130, 230, 150, 150) << false << QString();
    QTest::newRow("start") << 2 << QRect(480, 176, 50, 35) << true << QStringLiteral("开始");
    QTest::newRow("help") << 3 << QRect(480, 240, 50, 35) << true << QStringLiteral("帮助");
    QTest::newRow("marker 0") << 4 << QRect(464, 8, 16, 16) << false << QString();
    QTest::newRow("marker 1") << 5 << QRect(484, 8, 16, 16) << false << QString();
    QTest::newRow("marker 2") << 6 << QRect(504, 8, 16, 16) << false << QString();
}

void TestMainWindow::controlsStandAtTheirPlacesAfterStartUp() {
    QFETCH(int, control);
    QFETCH(QRect, geometry);
    QFETCH(bool, visible);
    QFETCH(QString, toolTip);
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    PictureBox* boxes[] = {&mainWindow.board(),       &mainWindow.mascot(),
                           &mainWindow.startButton(), &mainWindow.helpButton(),
                           &mainWindow.lifeMarker(0), &mainWindow.lifeMarker(1),
                           &mainWindow.lifeMarker(2)};
    PictureBox* box = boxes[control];
    QCOMPARE(box->geometry(), geometry);
    QCOMPARE(box->isVisible(), visible);
    QCOMPARE(box->toolTip(), toolTip);
    QVERIFY(!box->picture().isNull());
}

void TestMainWindow::slotsFormANineByFourGrid_data() {
    QTest::addColumn<int>("slot");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("first") << 0 << QPoint(50, 205);
    QTest::newRow("end of row 0") << 8 << QPoint(370, 205);
    QTest::newRow("start of row 1") << 9 << QPoint(50, 261);
    QTest::newRow("start of row 2") << 18 << QPoint(50, 317);
    QTest::newRow("start of row 3") << 27 << QPoint(50, 373);
    QTest::newRow("middle") << 22 << QPoint(210, 317);
    QTest::newRow("last") << 35 << QPoint(370, 373);
}

void TestMainWindow::slotsFormANineByFourGrid() {
    QFETCH(int, slot);
    QFETCH(QPoint, topLeft);
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    mainWindow.show();
    QCOMPARE(mainWindow.paradeSlot(slot).pos(), topLeft);
    QVERIFY(!mainWindow.paradeSlot(slot).isVisible());
    QVERIFY(mainWindow.paradeSlot(slot).picture().isNull());
}

void TestMainWindow::scoreIsRedBoldChineseTextOnNavy() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    QLabel& score = mainWindow.scoreLabel();
    QCOMPARE(score.text(), QStringLiteral("0"));
    QCOMPARE(score.geometry(), QRect(472, 400, 65, 25));
    QVERIFY(score.font().bold());
    QCOMPARE(score.font().pointSize(), 12);
    QCOMPARE(score.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    const QImage shot = mainWindow.grab(QRect(472, 400, 65, 25)).toImage();
    QCOMPARE(pixelAt(shot, {0, 0}), Navy);
    QCOMPARE(pixelAt(shot, {64, 24}), Navy);
    qsizetype red = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x)
            red += pixelAt(shot, {x, y}) == QColor(255, 0, 0);
    }
    QVERIFY(red > 0);
    QVERIFY(score.alignment() & Qt::AlignLeft);
    const QString family = QFontInfo(score.font()).family();
    QVERIFY2(family.contains(QLatin1String("CJK")) || family.contains(QLatin1String("SimSun")) ||
                 family == QStringLiteral("宋体"),
             qPrintable(family));
}

void TestMainWindow::backgroundShowsTheSceneAndTheNavyStrip() {
    MainWindow mainWindow({nullptr, nullptr, {}, silence()});
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    const QImage shot = mainWindow.grab().toImage();
    QCOMPARE(pixelAt(shot, {520, 320}), Navy);
    QCOMPARE(pixelAt(shot, {500, 458}), Navy);
    QCOMPARE(pixelAt(shot, {200, 440}), BoardGreen);
    QCOMPARE(pixelAt(shot, {45, 190}), BoardGreen);
}

void TestMainWindow::startPressShowsMarkersScoreAndOpensTheBoardAfterTheParade() {
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, {}, silence()});
    mainWindow.show();
    QTest::mouseClick(&mainWindow.startButton(), Qt::LeftButton);
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Presenting);
    QVERIFY(mainWindow.paradeSlot(0).isVisible());
    QCOMPARE(mainWindow.paradeSlot(0).size(), QSize(36, 46));
    QVERIFY(!mainWindow.board().isVisible());
    clock.advance(2100);
    for (int i = 0; i < 3; ++i)
        QVERIFY(mainWindow.lifeMarker(i).isVisible());
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("0"));
    for (int i = 0; i < 36; ++i)
        QVERIFY(!mainWindow.paradeSlot(i).isVisible());
    QVERIFY(mainWindow.board().isVisible());
    QVERIFY(mainWindow.game().state().acceptsClicks);
}

// Where the game's frame lies is the game's test; here the board paints what it is given in
// white, within the clicked cell, until the turn's end clears it.
void TestMainWindow::correctClickPaintsWhiteInsideTheClickedCellUntilTheTurnEnds() {
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, {}, silence()});
    showAndOpenTheBoard(clock, mainWindow);
    const int cell = mainWindow.game().state().order[0];
    QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {}, centreOfCell(cell));
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("100"));

    const QImage bare =
        mainWindow.board().picture().toImage().convertToFormat(QImage::Format_RGB32);
    const auto painted = [&mainWindow] {
        return mainWindow.board().grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    // Between the cell's grid lines, in device pixels.
    const qreal ratio = bare.devicePixelRatio();
    const QRect inside(qRound((38 * (cell % 9) + 1) * ratio), qRound((55 * (cell / 9) + 1) * ratio),
                       qRound(37 * ratio), qRound(54 * ratio));
    // The frame stays on the board while the turn ends, also over a repaint.
    mainWindow.board().repaint();
    const QImage framed = painted();
    QCOMPARE(framed.size(), bare.size());
    int changed = 0;
    for (int y = 0; y < bare.height(); ++y) {
        for (int x = 0; x < bare.width(); ++x) {
            if (framed.pixel(x, y) == bare.pixel(x, y))
                continue;
            ++changed;
            QVERIFY2(inside.contains(x, y), qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
            QCOMPARE(framed.pixelColor(x, y), QColor(Qt::white));
        }
    }
    QVERIFY(changed > 0);

    clock.advance(100);
    QVERIFY(!mainWindow.board().isVisible());
    QVERIFY(!mainWindow.board().hasDrawing());
    QCOMPARE(painted(), bare);
}

void TestMainWindow::everyMouseButtonCountsTheSame_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("left") << Qt::LeftButton << Qt::KeyboardModifiers();
    QTest::newRow("right") << Qt::RightButton << Qt::KeyboardModifiers();
    QTest::newRow("middle") << Qt::MiddleButton << Qt::KeyboardModifiers();
    QTest::newRow("right with shift and control")
        << Qt::RightButton << Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::ControlModifier);
}

void TestMainWindow::everyMouseButtonCountsTheSame() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, {}, silence()});
    showAndOpenTheBoard(clock, mainWindow);
    const int cell = mainWindow.game().state().order[0];
    QTest::mousePress(&mainWindow.board(), button, modifiers, centreOfCell((cell + 1) % 36));
    QVERIFY(!mainWindow.lifeMarker(2).isVisible());
    QTest::mousePress(&mainWindow.board(), button, modifiers, centreOfCell(cell));
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("100"));
}

void TestMainWindow::buttonsClickOnlyWhenReleasedOverThemselves_data() {
    QTest::addColumn<bool>("help");
    QTest::addColumn<QPoint>("releasedAt");
    QTest::addColumn<bool>("clicks");
    for (const bool help : {false, true}) {
        const char* name = help ? "help" : "start";
        QTest::addRow("%s, released in its middle", name) << help << QPoint(25, 17) << true;
        QTest::addRow("%s, released on its last pixel", name) << help << QPoint(49, 34) << true;
        QTest::addRow("%s, released just right of it", name) << help << QPoint(50, 17) << false;
        QTest::addRow("%s, released just below it", name) << help << QPoint(25, 35) << false;
        QTest::addRow("%s, released far away", name) << help << QPoint(-300, -100) << false;
    }
}

// A child who presses a button and slides off before letting go has changed their mind.
void TestMainWindow::buttonsClickOnlyWhenReleasedOverThemselves() {
    QFETCH(bool, help);
    QFETCH(QPoint, releasedAt);
    QFETCH(bool, clicks);
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, {}, silence()});
    mainWindow.show();
    PictureBox& button = help ? mainWindow.helpButton() : mainWindow.startButton();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(25, 17));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, releasedAt);
    if (help) {
        QCOMPARE(mainWindow.secondaryWindow() != nullptr, clicks);
        QCOMPARE(mainWindow.isEnabled(), !clicks);
        if (QWidget* window = mainWindow.secondaryWindow())
            window->close();
    } else {
        QCOMPARE(mainWindow.game().phase(), clicks ? Game::Phase::Presenting : Game::Phase::Idle);
        QCOMPARE(mainWindow.lifeMarker(0).isVisible(), clicks);
    }
}

void TestMainWindow::helpWindowHaltsTheBoardAndBlocksTheMainWindow() {
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, {}, silence()});
    showAndOpenTheBoard(clock, mainWindow);
    QTest::mouseClick(&mainWindow.helpButton(), Qt::LeftButton);
    auto* help = qobject_cast<wimbly::HelpWindow*>(mainWindow.secondaryWindow());
    QVERIFY(help);
    QVERIFY(!mainWindow.game().state().acceptsClicks);
    QVERIFY(!mainWindow.isEnabled());
    QVERIFY2(!mainWindow.close(), "the close box does nothing while the help window is open");
    QVERIFY(mainWindow.isVisible());
    help->close();
    QVERIFY(mainWindow.isEnabled());
    const int cell = mainWindow.game().state().order[0];
    QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {}, centreOfCell(cell));
    QCOMPARE(mainWindow.scoreLabel().text(), QStringLiteral("0"));
}

void TestMainWindow::wholeGameEndsWithTheScoreSavedInTheLeaderboard() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    ManualClock clock;
    MainWindow mainWindow({&clock, nullptr, folder.path(), silence()});
    mainWindow.show();
    QTest::mouseClick(&mainWindow.startButton(), Qt::LeftButton);

    // Three turns of one character at 100 points a click, then two of two at 200.
    const QStringList scores{"100", "200", "300", "500", "700", "900", "1100"};
    qsizetype shown = 0;
    for (int turn = 0; turn < 5; ++turn) {
        runUntilAnswering(clock, mainWindow.game());
        const int level = mainWindow.game().state().level;
        for (int i = 0; i <= level; ++i) {
            const int cell = mainWindow.game().state().order[i];
            QTest::mousePress(&mainWindow.board(), Qt::RightButton, Qt::ShiftModifier,
                              centreOfCell(cell));
            QCOMPARE(mainWindow.scoreLabel().text(), scores.at(shown++));
        }
    }
    QCOMPARE(shown, scores.size());
    const qint32 points = 1100;
    runUntilAnswering(clock, mainWindow.game());
    const int wrong = (mainWindow.game().state().order[0] + 1) % 36;
    for (int i = 0; i < 4; ++i)
        QTest::mousePress(&mainWindow.board(), Qt::LeftButton, {}, centreOfCell(wrong));
    QCOMPARE(mainWindow.game().phase(), Game::Phase::Over);
    QVERIFY(!mainWindow.board().isVisible());
    QVERIFY(mainWindow.mascot().isVisible());

    auto* leaderboard = qobject_cast<wimbly::LeaderboardWindow*>(mainWindow.secondaryWindow());
    QVERIFY(leaderboard);
    QCOMPARE(leaderboard->score(), points);
    QVERIFY(!mainWindow.isEnabled());
    auto* name = leaderboard->findChild<QLineEdit*>();
    QVERIFY(name && name->isVisible());
    for (const QChar c : QStringLiteral("小明"))
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(mainWindow.isEnabled());

    QFile file(folder.filePath(QStringLiteral("tavrel.tmp")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray firstLine = file.readLine();
    QCOMPARE(firstLine, QByteArray("\xD0\xA1\xC3\xF7,") + QByteArray::number(points) + "\r\n");
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
