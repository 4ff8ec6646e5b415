#include "accessibility.h"
#include "keyboardplay.h"
#include "language.h"
#include "leaderboardwindow.h"
#include "mainwindow.h"
#include "manualclock.h"
#include "randomsource.h"
#include "silentoutput.h"

#include <QAccessible>
#include <QFile>
#include <QLineEdit>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using wimbly::Game;
using wimbly::Language;
using wimbly::MainWindow;
using wimbly::ManualClock;
using wimbly::SeededRandom;
using wimbly::test::silence;

namespace {

QAccessibleInterface* of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QString nameOf(QObject* object) {
    QAccessibleInterface* iface = of(object);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

void runUntilAnswering(ManualClock& clock, const Game& game) {
    while (game.phase() != Game::Phase::Answering && clock.advanceToAlarm()) {
    }
    QCOMPARE(game.phase(), Game::Phase::Answering);
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { wimbly::installScreenReaderSupport(); }
    void cleanup();
    void namesFollowTheLanguageAtOnce_data();
    void namesFollowTheLanguageAtOnce();
    void theRingedCellHasTheFocusAndPressesCountAsTheGameSays();
    void leaderboardRowsSayPlaceNameAndScore_data();
    void leaderboardRowsSayPlaceNameAndScore();
};

void TestAccessibility::cleanup() {
    wimbly::useLanguage(Language::Chinese);
}

void TestAccessibility::namesFollowTheLanguageAtOnce_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QStringList>("names"); // start, help, score, lives, board, first, last cell
    QTest::newRow("chinese") << Language::Chinese << QStringList{"开始", "帮助", "得分 0", "生命 3",
                                                                 "动物", "青蛙", "蜘蛛"};
    QTest::newRow("english") << Language::English
                             << QStringList{"Start",   "Help", "Score 0", "Lives 3",
                                            "Animals", "frog", "spider"};
}

void TestAccessibility::namesFollowTheLanguageAtOnce() {
    QFETCH(Language, language);
    QFETCH(QStringList, names);
    QTemporaryDir folder;
    ManualClock clock;
    SeededRandom random(7);
    MainWindow window({&clock, &random, folder.path(), silence()});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_Return);
    runUntilAnswering(clock, window.game());

    // The other language first; the names are asked for before the window has even heard of
    // the change to the row's own.
    wimbly::useLanguage(language == Language::English ? Language::Chinese : Language::English);
    QCoreApplication::processEvents();
    QCOMPARE(of(&window.board())->child(0)->text(QAccessible::Name),
             language == Language::English ? QStringLiteral("青蛙") : QStringLiteral("frog"));
    wimbly::useLanguage(language);

    QCOMPARE(of(&window.startButton())->role(), QAccessible::Button);
    QCOMPARE(of(&window.helpButton())->role(), QAccessible::Button);
    QAccessibleInterface* board = of(&window.board());
    QCOMPARE(board->childCount(), 36);
    const QStringList seen{nameOf(&window.startButton()),
                           nameOf(&window.helpButton()),
                           nameOf(&window.scoreLabel()),
                           nameOf(&window.lifeMarker(0)),
                           board->text(QAccessible::Name),
                           board->child(0)->text(QAccessible::Name),
                           board->child(35)->text(QAccessible::Name)};
    QCOMPARE(seen, names);
    QSet<QString> cells;
    for (int cell = 0; cell < 36; ++cell) {
        QAccessibleInterface* child = board->child(cell);
        QCOMPARE(child->role(), QAccessible::ListItem);
        QCOMPARE(child->parent(), board);
        QCOMPARE(board->indexOfChild(child), cell);
        cells.insert(child->text(QAccessible::Name));
    }
    QCOMPARE(cells.size(), 36);
    QVERIFY(!cells.contains(QString()));
    // The two cells a press at these board pixels would hit.
    const QRect first = board->child(0)->rect();
    QCOMPARE(board->childAt(first.center().x(), first.center().y()), board->child(0));
    const QRect last = board->child(35)->rect();
    QCOMPARE(board->childAt(last.center().x(), last.center().y()), board->child(35));
}

void TestAccessibility::theRingedCellHasTheFocusAndPressesCountAsTheGameSays() {
    QTemporaryDir folder;
    ManualClock clock;
    SeededRandom random(11);
    MainWindow window({&clock, &random, folder.path(), silence()});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QAccessibleInterface* board = of(&window.board());
    // While the board is closed its cells are hidden with it.
    QVERIFY(board->child(0)->state().invisible);

    QTest::keyClick(&window, Qt::Key_Return);
    runUntilAnswering(clock, window.game());
    QVERIFY(!board->child(0)->state().invisible);
    QCOMPARE(board->focusChild(), nullptr);
    QTest::keyClick(&window, Qt::Key_Down);
    QCOMPARE(board->focusChild(), board->child(0));
    QTest::keyClick(&window, Qt::Key_Right);
    QCOMPARE(board->focusChild(), board->child(1));
    QVERIFY(board->child(1)->state().focused);
    QVERIFY(!board->child(0)->state().focused);

    // A wrong press costs a life: the first marker says so.
    const int right = window.game().state().order[0];
    const int wrong = right == 1 ? 2 : 1;
    window.game().pressCell(wrong);
    QCOMPARE(nameOf(&window.lifeMarker(0)), QStringLiteral("生命 2"));

    // Pressed by a screen reader, the right cell scores as a click does, and the board closes.
    auto* press = board->child(right)->actionInterface();
    QVERIFY(press);
    press->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(nameOf(&window.scoreLabel()), QStringLiteral("得分 100"));
    clock.advance(100);
    QVERIFY(!window.board().isVisible());
    QCOMPARE(board->focusChild(), nullptr);
    QVERIFY(board->child(1)->state().invisible);
    QVERIFY(!board->child(1)->state().focused);

    // The start button pressed by a screen reader starts the next game as a click does.
    of(&window.startButton())
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(nameOf(&window.scoreLabel()), QStringLiteral("得分 0"));
    QCOMPARE(nameOf(&window.lifeMarker(0)), QStringLiteral("生命 3"));
}

void TestAccessibility::leaderboardRowsSayPlaceNameAndScore_data() {
    QTest::addColumn<Language>("language");
    QTest::addColumn<QStringList>("names"); // place 1, place 2's score, the name box
    QTest::newRow("chinese") << Language::Chinese
                             << QStringList{"第 1 名，小明，得分 900", "得分 40",
                                            "恭喜恭喜!您上榜了。您的大名:"};
    QTest::newRow("english") << Language::English
                             << QStringList{"Place 1, 小明, score 900", "Score 40",
                                            "You made the list! Your name:"};
}

void TestAccessibility::leaderboardRowsSayPlaceNameAndScore() {
    QFETCH(Language, language);
    QFETCH(QStringList, names);
    wimbly::useLanguage(language);
    QTemporaryDir folder;
    QFile table(folder.filePath(QStringLiteral("tavrel.tmp")));
    QVERIFY(table.open(QIODevice::WriteOnly));
    QStringEncoder gbk("GBK");
    QByteArray rows = gbk(QStringLiteral("小明,900\r\nkim,40\r\n"));
    for (int i = 2; i < 10; ++i)
        rows += "0,0\r\n";
    table.write(rows);
    table.close();

    QWidget mainWindow;
    auto* leaderboard = wimbly::LeaderboardWindow::open(folder.path(), 500, &mainWindow);
    QVERIFY(leaderboard);
    const QStringList seen{nameOf(leaderboard->findChild<QLabel*>(QStringLiteral("name_0"))),
                           nameOf(leaderboard->findChild<QLabel*>(QStringLiteral("score_1"))),
                           nameOf(leaderboard->findChild<QLineEdit*>(QStringLiteral("nameBox")))};
    QCOMPARE(seen, names);
    leaderboard->close();
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
