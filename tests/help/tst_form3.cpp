#include "form3.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

using wimbly::Form3;

class TestForm3 : public QObject {
    Q_OBJECT
private slots:
    void helpTextHasTwoParagraphsWithFullWidthPunctuation();
    void windowHasItsTitleSizeAndPlace();
    void secondParagraphWrapsToTheLabelWidth();
    void mainWindowIsDisabledExactlyWhileOpen();
    void everyOpeningStandsAtTheSameScreenPosition();
};

void TestForm3::helpTextHasTwoParagraphsWithFullWidthPunctuation() {
    const QString text = Form3::HelpText;
    const QStringList paragraphs = text.split(QStringLiteral("\r\n\r\n"));
    QCOMPARE(paragraphs.size(), 2);
    QCOMPARE(paragraphs[0], QStringLiteral("游戏目的：锻炼孩子的记忆力和观察能力"));
    QVERIFY(paragraphs[1].startsWith(QStringLiteral("游戏方法：点击三角按钮开始游戏。")));
    QVERIFY(paragraphs[1].endsWith(QStringLiteral("将它找出来。")));
    QVERIFY(!paragraphs[1].contains(QLatin1Char('\n')));
    QCOMPARE(text.count(QChar(0xFF1A)), 2);
    QCOMPARE(text.count(QChar(0xFF0C)), 1);
}

void TestForm3::windowHasItsTitleSizeAndPlace() {
    QWidget mainWindow;
    Form3* help = Form3::open(&mainWindow);
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QCOMPARE(help->windowTitle(), QStringLiteral("帮助"));
    QCOMPARE(help->size(), Form3::ClientSize);
    QCOMPARE(help->minimumSize(), help->maximumSize());
    QVERIFY(!(help->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(help->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(help->windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(help->pos(), Form3::ScreenPosition);
    QCOMPARE(help->text().geometry(), Form3::TextGeometry);
    QCOMPARE(help->text().text(), Form3::HelpText);
    const QImage shot = help->grab().toImage();
    QCOMPARE(shot.pixelColor(5, 5), QColor(Qt::white));
    help->close();
}

void TestForm3::secondParagraphWrapsToTheLabelWidth() {
    QWidget mainWindow;
    Form3* help = Form3::open(&mainWindow);
    QLabel& label = help->text();
    const int lineHeight = QFontMetrics(label.font()).lineSpacing();
    const int needed = label.heightForWidth(label.width());
    // The first paragraph, a blank line and at least two lines of the second.
    QVERIFY2(needed >= 4 * lineHeight, qPrintable(QString::number(needed)));
    QVERIFY(needed <= label.height());
    help->close();
}

void TestForm3::mainWindowIsDisabledExactlyWhileOpen() {
    QWidget mainWindow;
    mainWindow.show();
    Form3* help = Form3::open(&mainWindow);
    QSignalSpy closed(help, &Form3::closed);
    QVERIFY(!mainWindow.isEnabled());
    help->close();
    QCOMPARE(closed.size(), 1);
    QVERIFY(mainWindow.isEnabled());
}

void TestForm3::everyOpeningStandsAtTheSameScreenPosition() {
    QWidget mainWindow;
    mainWindow.show();
    for (const QPoint mainAt : {QPoint(0, 0), QPoint(300, 200)}) {
        mainWindow.move(mainAt);
        Form3* help = Form3::open(&mainWindow);
        QCOMPARE(help->pos(), Form3::ScreenPosition);
        help->close();
    }
}

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
