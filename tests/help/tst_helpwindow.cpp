#include "helpwindow.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

using wimbly::HelpWindow;

class TestHelpWindow : public QObject {
    Q_OBJECT
private slots:
    void windowHasItsTitleSizePlaceAndText_data();
    void windowHasItsTitleSizePlaceAndText();
    void secondParagraphWrapsToTheLabelWidth();
    void mainWindowIsDisabledExactlyWhileOpen_data();
    void mainWindowIsDisabledExactlyWhileOpen();
};

void TestHelpWindow::windowHasItsTitleSizePlaceAndText_data() {
    QTest::addColumn<QPoint>("mainWindowAt");
    QTest::newRow("main window at the origin") << QPoint(0, 0);
    QTest::newRow("main window moved") << QPoint(300, 200);
}

// Wherever the main window stands, the help window opens at the same place on the screen.
void TestHelpWindow::windowHasItsTitleSizePlaceAndText() {
    QFETCH(QPoint, mainWindowAt);
    QWidget mainWindow;
    mainWindow.move(mainWindowAt);
    mainWindow.show();
    HelpWindow* help = HelpWindow::open(&mainWindow);
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QCOMPARE(help->windowTitle(), QStringLiteral("帮助"));
    QCOMPARE(help->size(), QSize(324, 303));
    QCOMPARE(help->minimumSize(), help->maximumSize());
    QVERIFY(!(help->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(help->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(help->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(help->pos(), QPoint(147, 133));
    QCOMPARE(help->text().geometry(), QRect(16, 40, 297, 249));
    // Two paragraphs with a blank line between them, and full-width colons and comma.
    QCOMPARE(help->text().text(),
             QStringLiteral("游戏目的：锻炼孩子的记忆力和观察能力\r\n\r\n"
                            "游戏方法：点击三角按钮开始游戏。游戏开始后会播放单一的数码宝贝，"
                            "你要在随后播放的所有数码宝贝中将它找出来。"));
    const QImage shot = help->grab().toImage();
    QCOMPARE(shot.pixelColor(5, 5), QColor(Qt::white));
    help->close();
}

void TestHelpWindow::secondParagraphWrapsToTheLabelWidth() {
    QWidget mainWindow;
    HelpWindow* help = HelpWindow::open(&mainWindow);
    QLabel& label = help->text();
    const int lineHeight = QFontMetrics(label.font()).lineSpacing();
    const int needed = label.heightForWidth(label.width());
    // The first paragraph, a blank line and at least two lines of the second.
    QVERIFY2(needed >= 4 * lineHeight, qPrintable(QString::number(needed)));
    QVERIFY(needed <= label.height());
    help->close();
}

void TestHelpWindow::mainWindowIsDisabledExactlyWhileOpen_data() {
    QTest::addColumn<bool>("closed");
    QTest::newRow("closed by its close box") << true;
    QTest::newRow("destroyed without closing") << false;
}

// However the window goes, the main window takes input again.
void TestHelpWindow::mainWindowIsDisabledExactlyWhileOpen() {
    QFETCH(bool, closed);
    QWidget mainWindow;
    mainWindow.show();
    HelpWindow* help = HelpWindow::open(&mainWindow);
    QSignalSpy closedSpy(help, &HelpWindow::closed);
    QVERIFY(!mainWindow.isEnabled());
    if (closed) {
        QVERIFY(help->close());
        QCOMPARE(closedSpy.size(), 1);
    } else {
        delete help;
    }
    QVERIFY(mainWindow.isEnabled());
}

QTEST_MAIN(TestHelpWindow)
#include "tst_helpwindow.moc"
