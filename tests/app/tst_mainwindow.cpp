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
    MainWindow form({nullptr, nullptr, {}, silence()});
    QCOMPARE(form.windowTitle(), QStringLiteral("Wimbly"));
    QCOMPARE(form.size(), QSize(551, 459));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(form.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.pos(), QPoint(133, 67));
    QVERIFY(!form.windowIcon().isNull());
    QVERIFY(form.folder().endsWith(QLatin1Char('/')));
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
    MainWindow form({nullptr, nullptr, {}, silence()});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    PictureBox* boxes[] = {&form.board(),      &form.mascot(),      &form.startButton(),
                           &form.helpButton(), &form.lifeMarker(0), &form.lifeMarker(1),
                           &form.lifeMarker(2)};
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
    MainWindow form({nullptr, nullptr, {}, silence()});
    form.show();
    QCOMPARE(form.paradeSlot(slot).pos(), topLeft);
    QVERIFY(!form.paradeSlot(slot).isVisible());
    QVERIFY(form.paradeSlot(slot).picture().isNull());
}

void TestMainWindow::scoreIsRedBoldChineseTextOnNavy() {
    MainWindow form({nullptr, nullptr, {}, silence()});
    QLabel& score = form.scoreLabel();
    QCOMPARE(score.text(), QStringLiteral("0"));
    QCOMPARE(score.geometry(), QRect(472, 400, 65, 25));
    QVERIFY(score.font().bold());
    QCOMPARE(score.font().pointSize(), 12);
    QCOMPARE(score.palette().color(QPalette::WindowText), QColor(255, 0, 0));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage shot = form.grab(QRect(472, 400, 65, 25)).toImage();
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
    MainWindow form({nullptr, nullptr, {}, silence()});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QImage shot = form.grab().toImage();
    QCOMPARE(pixelAt(shot, {520, 320}), Navy);
    QCOMPARE(pixelAt(shot, {500, 458}), Navy);
    QCOMPARE(pixelAt(shot, {200, 440}), BoardGreen);
    QCOMPARE(pixelAt(shot, {45, 190}), BoardGreen);
}

void TestMainWindow::startPressShowsMarkersScoreAndOpensTheBoardAfterTheParade() {
    ManualClock clock;
    MainWindow form({&clock, nullptr, {}, silence()});
    form.show();
    QTest::mouseClick(&form.startButton(), Qt::LeftButton);
    QCOMPARE(form.game().phase(), Game::Phase::Presenting);
    QVERIFY(form.paradeSlot(0).isVisible());
    QCOMPARE(form.paradeSlot(0).size(), QSize(36, 46));
    QVERIFY(!form.board().isVisible());
    clock.advance(2100);
    for (int i = 0; i < 3; ++i)
        QVERIFY(form.lifeMarker(i).isVisible());
    QCOMPARE(form.scoreLabel().text(), QStringLiteral("0"));
    for (int i = 0; i < 36; ++i)
        QVERIFY(!form.paradeSlot(i).isVisible());
    QVERIFY(form.board().isVisible());
    QVERIFY(form.game().state().acceptsClicks);
}

// Where the game's frame lies is the game's test; here the board paints what it is given in
// white, within the clicked cell, until the turn's end clears it.
void TestMainWindow::correctClickPaintsWhiteInsideTheClickedCellUntilTheTurnEnds() {
    ManualClock clock;
    MainWindow form({&clock, nullptr, {}, silence()});
    form.show();
    QTest::mouseClick(&form.startButton(), Qt::LeftButton);
    runUntilAnswering(clock, form.game());
    const int cell = form.game().state().order[0];
    QTest::mousePress(&form.board(), Qt::LeftButton, {}, centreOfCell(cell));
    QCOMPARE(form.scoreLabel().text(), QStringLiteral("100"));

    const QImage bare = form.board().picture().toImage().convertToFormat(QImage::Format_RGB32);
    const auto painted = [&form] {
        return form.board().grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    // Between the cell's grid lines, in device pixels.
    const qreal ratio = bare.devicePixelRatio();
    const QRect inside(qRound((38 * (cell % 9) + 1) * ratio), qRound((55 * (cell / 9) + 1) * ratio),
                       qRound(37 * ratio), qRound(54 * ratio));
    // The frame stays on the board while the turn ends, also over a repaint.
    form.board().repaint();
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
    QVERIFY(!form.board().isVisible());
    QVERIFY(!form.board().hasDrawing());
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
    MainWindow form({&clock, nullptr, {}, silence()});
    form.show();
    QTest::mouseClick(&form.startButton(), Qt::LeftButton);
    runUntilAnswering(clock, form.game());
    const int cell = form.game().state().order[0];
    QTest::mousePress(&form.board(), button, modifiers, centreOfCell((cell + 1) % 36));
    QVERIFY(!form.lifeMarker(2).isVisible());
    QTest::mousePress(&form.board(), button, modifiers, centreOfCell(cell));
    QCOMPARE(form.scoreLabel().text(), QStringLiteral("100"));
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
    MainWindow form({&clock, nullptr, {}, silence()});
    form.show();
    PictureBox& button = help ? form.helpButton() : form.startButton();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(25, 17));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, releasedAt);
    if (help) {
        QCOMPARE(form.secondaryWindow() != nullptr, clicks);
        QCOMPARE(form.isEnabled(), !clicks);
        if (QWidget* window = form.secondaryWindow())
            window->close();
    } else {
        QCOMPARE(form.game().phase(), clicks ? Game::Phase::Presenting : Game::Phase::Idle);
        QCOMPARE(form.lifeMarker(0).isVisible(), clicks);
    }
}

void TestMainWindow::helpWindowHaltsTheBoardAndBlocksTheMainWindow() {
    ManualClock clock;
    MainWindow form({&clock, nullptr, {}, silence()});
    form.show();
    QTest::mouseClick(&form.startButton(), Qt::LeftButton);
    runUntilAnswering(clock, form.game());
    QTest::mouseClick(&form.helpButton(), Qt::LeftButton);
    auto* help = qobject_cast<wimbly::HelpWindow*>(form.secondaryWindow());
    QVERIFY(help);
    QVERIFY(!form.game().state().acceptsClicks);
    QVERIFY(!form.isEnabled());
    QVERIFY2(!form.close(), "the close box does nothing while the help window is open");
    QVERIFY(form.isVisible());
    help->close();
    QVERIFY(form.isEnabled());
    const int cell = form.game().state().order[0];
    QTest::mousePress(&form.board(), Qt::LeftButton, {}, centreOfCell(cell));
    QCOMPARE(form.scoreLabel().text(), QStringLiteral("0"));
}

void TestMainWindow::wholeGameEndsWithTheScoreSavedInTheLeaderboard() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    ManualClock clock;
    MainWindow form({&clock, nullptr, folder.path(), silence()});
    form.show();
    QTest::mouseClick(&form.startButton(), Qt::LeftButton);

    // Three turns of one character at 100 points a click, then two of two at 200.
    const QStringList scores{"100", "200", "300", "500", "700", "900", "1100"};
    qsizetype shown = 0;
    for (int turn = 0; turn < 5; ++turn) {
        runUntilAnswering(clock, form.game());
        const int level = form.game().state().level;
        for (int i = 0; i <= level; ++i) {
            const int cell = form.game().state().order[i];
            QTest::mousePress(&form.board(), Qt::RightButton, Qt::ShiftModifier,
                              centreOfCell(cell));
            QCOMPARE(form.scoreLabel().text(), scores.at(shown++));
        }
    }
    QCOMPARE(shown, scores.size());
    const qint32 points = 1100;
    runUntilAnswering(clock, form.game());
    const int wrong = (form.game().state().order[0] + 1) % 36;
    for (int i = 0; i < 4; ++i)
        QTest::mousePress(&form.board(), Qt::LeftButton, {}, centreOfCell(wrong));
    QCOMPARE(form.game().phase(), Game::Phase::Over);
    QVERIFY(!form.board().isVisible());
    QVERIFY(form.mascot().isVisible());

    auto* leaderboard = qobject_cast<wimbly::LeaderboardWindow*>(form.secondaryWindow());
    QVERIFY(leaderboard);
    QCOMPARE(leaderboard->score(), points);
    QVERIFY(!form.isEnabled());
    auto* name = leaderboard->findChild<QLineEdit*>();
    QVERIFY(name && name->isVisible());
    for (const QChar c : QStringLiteral("小明"))
        QTest::sendKeyEvent(QTest::Click, name, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(name, Qt::Key_Return);
    QVERIFY(form.isEnabled());

    QFile file(folder.filePath(QStringLiteral("tavrel.tmp")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray firstLine = file.readLine();
    QCOMPARE(firstLine, QByteArray("\xD0\xA1\xC3\xF7,") + QByteArray::number(points) + "\r\n");
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
