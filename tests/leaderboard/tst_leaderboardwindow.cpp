#include "filebytes.h"
#include "leaderboardwindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

using wimbly::LeaderboardWindow;

using wimbly::test::readBytes;
using wimbly::test::writeBytes;

namespace {

const QString EnterHeading = QStringLiteral("恭喜恭喜!您上榜了。您的大名:");
const QString CannotSaveHeading = QStringLiteral("排行榜无法保存。");
const QByteArray Table = "a,900\r\nb,800\r\nc,700\r\nd,600\r\ne,500\r\n"
                         "f,400\r\ng,300\r\nh,200\r\ni,100\r\nj,50\r\n";

// A program folder holding a prepared table, and a stand-in for the main window.
struct Fixture {
    QTemporaryDir dir;
    QWidget mainWindow;
    QString folder = dir.path() + QLatin1Char('/');
    QString file = dir.filePath(QStringLiteral("tavrel.tmp"));

    explicit Fixture(const QByteArray& table = Table) {
        if (!table.isNull())
            writeBytes(file, table);
        mainWindow.show();
    }
};

template <typename T> T* child(LeaderboardWindow* window, const QString& name) {
    return window->findChild<T*>(name, Qt::FindDirectChildrenOnly);
}

// Place i's name (column 1) or score (column 2).
QLabel* row(LeaderboardWindow* window, int column, int i) {
    const QString kind = column == 1 ? QStringLiteral("name") : QStringLiteral("score");
    return child<QLabel>(window, QStringLiteral("%1_%2").arg(kind).arg(i));
}

// Types text the way a keyboard or input method delivers it, one character per key event.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TestLeaderboardWindow : public QObject {
    Q_OBJECT

private slots:
    void opensInOneOfThreeStates_data();
    void opensInOneOfThreeStates();
    void controlsSitAtTheirPlaces();
    void confirmSavesOnlyWithAName_data();
    void confirmSavesOnlyWithAName();
    void escapeDoesNothing();
    void mainWindowIsDisabledExactlyWhileOpen();
    void secondOpeningShowsTheCurrentFile();
    void chineseNameIsSavedAsGbk();
    void failedSaveKeepsTheWindowOpen();
    void twoWindowsOnOneTableKeepBothEntries();
    void tableThatCannotBeWrittenOpensForViewing_data();
    void tableThatCannotBeWrittenOpensForViewing();
    void mainWindowGoneBeforeClosing();
    void gameWithExtraLivesSeesTheTableAndLeavesItAlone_data();
    void gameWithExtraLivesSeesTheTableAndLeavesItAlone();
    void nameBoxStartsWithTheChildsName();
};

void TestLeaderboardWindow::opensInOneOfThreeStates_data() {
    QTest::addColumn<QByteArray>("table"); // null: no file
    QTest::addColumn<qint32>("score");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<bool>("nameBox");
    QTest::addColumn<QString>("firstName");
    QTest::addColumn<QString>("lastScore");

    QTest::newRow("no file: default table") << QByteArray() << 0 << EnterHeading << true << "0"
                                            << "0";
    QTest::newRow("score does not enter") << Table << 50 << "排行榜" << false << "a"
                                          << "50";
    QTest::newRow("score enters") << Table << 650 << EnterHeading << true << "a"
                                  << "50";
    QTest::newRow("short file shows empty places")
        << QByteArray("a,9\r\n") << 1 << EnterHeading << true << "a"
        << "0";
    QTest::newRow("a damaged file's huge name is cut for display")
        << QByteArray(300, 'x') + ",9\r\n"
        << 1 << EnterHeading << true << QString(256, 'x') << "0";
    QTest::newRow("markup in a name stays text")
        << QByteArray("<b>x</b>,9\r\n") << 1 << EnterHeading << true << "<b>x</b>"
        << "0";
}

void TestLeaderboardWindow::opensInOneOfThreeStates() {
    QFETCH(QByteArray, table);
    QFETCH(qint32, score);
    QFETCH(QString, heading);
    QFETCH(bool, nameBox);
    QFETCH(QString, firstName);
    QFETCH(QString, lastScore);
    Fixture fx(table);

    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, score, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->score(), score);
    QCOMPARE(child<QLabel>(window, "heading")->text(), heading);
    auto* box = child<QLineEdit>(window, "nameBox");
    QCOMPARE(box->isVisible(), nameBox);
    QCOMPARE(child<QPushButton>(window, "okButton")->isVisible(), nameBox);
    if (nameBox) {
        QVERIFY(box->text().isEmpty());
        QVERIFY(box->hasFocus());
    }
    QCOMPARE(row(window, 1, 0)->text(), firstName);
    QCOMPARE(row(window, 2, 9)->text(), lastScore);
    QCOMPARE(row(window, 1, 0)->textFormat(), Qt::PlainText);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(row(window, 1, i)->isVisible());
        QVERIFY(row(window, 2, i)->isVisible());
    }
    window->close();
}

void TestLeaderboardWindow::controlsSitAtTheirPlaces() {
    Fixture fx;
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QCOMPARE(window->windowTitle(), QStringLiteral("排行榜"));
    QCOMPARE(window->size(), QSize(328, 371));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QCOMPARE(window->palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));

    auto* heading = child<QLabel>(window, "heading");
    QCOMPARE(heading->geometry(), QRect(24, 16, 225, 25));
    QCOMPARE(heading->palette().color(QPalette::WindowText), QColor(Qt::red));
    QVERIFY(heading->font().bold());
    QCOMPARE(heading->font().pointSize(), 9);
    QCOMPARE(heading->alignment(), Qt::AlignCenter);
    QCOMPARE(child<QLineEdit>(window, "nameBox")->geometry(), QRect(24, 40, 225, 25));
    QVERIFY(child<QLineEdit>(window, "nameBox")->maxLength() > 1000000);
    auto* okButton = child<QPushButton>(window, "okButton");
    QCOMPARE(okButton->geometry(), QRect(264, 40, 41, 25));
    QCOMPARE(okButton->text(), QStringLiteral("确认"));
    QCOMPARE(child<QLineEdit>(window, "nameBox")->nextInFocusChain(), okButton);

    for (int i = 0; i < 10; ++i) {
        QCOMPARE(row(window, 1, i)->geometry(), QRect(24, 80 + 24 * i, 81, 25));
        QCOMPARE(row(window, 2, i)->geometry(), QRect(152, 80 + 24 * i, 89, 25));
        QCOMPARE(row(window, 1, i)->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(row(window, 1, i)->alignment() & Qt::AlignLeft);
    }
    // The heading's text really is drawn in red (a glyph, not a box or nothing).
    const QImage image = heading->grab().toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += QColor(image.pixel(x, y)).red() > 200 && QColor(image.pixel(x, y)).green() < 80;
    QVERIFY2(red > 100, qPrintable(QString::number(red)));
    window->close();
}

void TestLeaderboardWindow::confirmSavesOnlyWithAName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("closes");

    QTest::newRow("button, name") << "Zoe"
                                  << "button" << true << true;
    QTest::newRow("Enter, name") << "Zoe"
                                 << "enter" << true << true;
    QTest::newRow("button, empty") << ""
                                   << "button" << false << false;
    QTest::newRow("Enter, empty") << ""
                                  << "enter" << false << false;
    QTest::newRow("Enter, blanks") << "  "
                                   << "enter" << true << true;
    QTest::newRow("close box discards") << "Zoe"
                                        << "close" << false << true;
}

void TestLeaderboardWindow::confirmSavesOnlyWithAName() {
    QFETCH(QString, name);
    QFETCH(QString, action);
    QFETCH(bool, saved);
    QFETCH(bool, closes);
    Fixture fx;
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QSignalSpy closed(window, &LeaderboardWindow::closed);
    auto* nameBox = child<QLineEdit>(window, "nameBox");
    QTest::keyClicks(nameBox, name);
    if (action == "enter")
        QTest::keyClick(nameBox, Qt::Key_Return);
    else if (action == "button")
        QTest::mouseClick(child<QPushButton>(window, "okButton"), Qt::LeftButton);
    else
        QVERIFY(window->close());

    QCOMPARE(closed.size(), closes ? 1 : 0);
    QCOMPARE(fx.mainWindow.isEnabled(), closes);
    const QByteArray expected =
        saved ? Table.left(21) + name.toLatin1() + ",650\r\n" + Table.mid(21, 42) : Table;
    QCOMPARE(readBytes(fx.file), expected);
    if (closes) {
        QTRY_VERIFY(window.isNull());
    } else {
        QVERIFY(window->isVisible());
        window->close();
    }
}

void TestLeaderboardWindow::escapeDoesNothing() {
    Fixture fx;
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window, Qt::Key_Escape);
    QTest::keyClick(child<QLineEdit>(window, "nameBox"), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QVERIFY(!window.isNull() && window->isVisible());
    QVERIFY(!fx.mainWindow.isEnabled());
    window->close();
}

void TestLeaderboardWindow::mainWindowIsDisabledExactlyWhileOpen() {
    Fixture fx;
    QVERIFY(fx.mainWindow.isEnabled());
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 50, &fx.mainWindow);
    QVERIFY(!fx.mainWindow.isEnabled());
    window->close();
    QVERIFY(fx.mainWindow.isEnabled());

    // Destroying the window without closing it must not leave the main window dead either.
    window = LeaderboardWindow::open(fx.folder, 50, &fx.mainWindow);
    QVERIFY(!fx.mainWindow.isEnabled());
    delete window;
    QVERIFY(fx.mainWindow.isEnabled());
}

void TestLeaderboardWindow::secondOpeningShowsTheCurrentFile() {
    Fixture fx;
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 750, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(window));
    // The rows show the table as read, before the new entry.
    QCOMPARE(row(window, 1, 2)->text(), QStringLiteral("c"));
    QTest::keyClicks(child<QLineEdit>(window, "nameBox"), QStringLiteral("Zoe"));
    QTest::keyClick(child<QLineEdit>(window, "nameBox"), Qt::Key_Enter);
    QTRY_VERIFY(window.isNull());

    window = LeaderboardWindow::open(fx.folder, 10, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(window->findChildren<QLabel*>().size(), 1 + 2 * 10);
    QCOMPARE(row(window, 1, 2)->text(), QStringLiteral("Zoe"));
    QCOMPARE(row(window, 2, 2)->text(), QStringLiteral("750"));
    QCOMPARE(row(window, 1, 3)->text(), QStringLiteral("c"));
    QCOMPARE(row(window, 1, 9)->text(), QStringLiteral("i"));
    window->close();
}

void TestLeaderboardWindow::chineseNameIsSavedAsGbk() {
    Fixture fx(QByteArray("\xC0\xEE\xCB\xC4,900\r\n"));
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 1000, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QCOMPARE(row(window, 1, 0)->text(), QStringLiteral("李四"));
    typeText(child<QLineEdit>(window, "nameBox"), QStringLiteral("张三"));
    QTest::keyClick(child<QLineEdit>(window, "nameBox"), Qt::Key_Return);
    QCOMPARE(readBytes(fx.file), QByteArray("\xD5\xC5\xC8\xFD,1000\r\n\xC0\xEE\xCB\xC4,900\r\n") +
                                     QByteArray(",0\r\n").repeated(8));
}

void TestLeaderboardWindow::failedSaveKeepsTheWindowOpen() {
    Fixture fx;
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(window));
    // The file becomes impossible to replace while the window is open.
    QVERIFY(QFile::rename(fx.file, fx.dir.filePath(QStringLiteral("old"))));
    QVERIFY(QDir(fx.dir.path()).mkdir(QStringLiteral("tavrel.tmp")));
    QSignalSpy closed(window, &LeaderboardWindow::closed);
    QTest::keyClicks(child<QLineEdit>(window, "nameBox"), QStringLiteral("Zoe"));
    QTest::keyClick(child<QLineEdit>(window, "nameBox"), Qt::Key_Return);
    QCOMPARE(closed.size(), 0);
    QVERIFY(window->isVisible());
    QCOMPARE(child<QLabel>(window, "heading")->text(), CannotSaveHeading);
    QCOMPARE(child<QLineEdit>(window, "nameBox")->text(), QStringLiteral("Zoe"));
    QVERIFY(!fx.mainWindow.isEnabled());
    QCOMPARE(readBytes(fx.dir.filePath(QStringLiteral("old"))), Table);

    // Once the file can be written again, a second try saves.
    QVERIFY(QDir(fx.dir.path()).rmdir(QStringLiteral("tavrel.tmp")));
    QTest::mouseClick(child<QPushButton>(window, "okButton"), Qt::LeftButton);
    QCOMPARE(closed.size(), 1);
    QVERIFY(readBytes(fx.file).contains("Zoe,650\r\n"));
}

void TestLeaderboardWindow::twoWindowsOnOneTableKeepBothEntries() {
    Fixture fx;
    QWidget otherMainWindow;
    QPointer<LeaderboardWindow> a = LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow);
    QPointer<LeaderboardWindow> b = LeaderboardWindow::open(fx.folder, 750, &otherMainWindow);
    QVERIFY(QTest::qWaitForWindowExposed(b));
    // B saves first, then A, which read the table before B's entry was there.
    QTest::keyClicks(child<QLineEdit>(b, "nameBox"), QStringLiteral("Bob"));
    QTest::keyClick(child<QLineEdit>(b, "nameBox"), Qt::Key_Return);
    QTest::keyClicks(child<QLineEdit>(a, "nameBox"), QStringLiteral("Alice"));
    QTest::keyClick(child<QLineEdit>(a, "nameBox"), Qt::Key_Return);
    QTRY_VERIFY(a.isNull() && b.isNull());
    QCOMPARE(readBytes(fx.file), QByteArray("a,900\r\nb,800\r\nBob,750\r\nc,700\r\nAlice,650\r\n"
                                            "d,600\r\ne,500\r\nf,400\r\ng,300\r\nh,200\r\n"));
}

void TestLeaderboardWindow::tableThatCannotBeWrittenOpensForViewing_data() {
    QTest::addColumn<QString>("programFolder");
    QTest::newRow("program folder others can write") << "shared";
    QTest::newRow("program folder read-only") << "readonly";
}

void TestLeaderboardWindow::tableThatCannotBeWrittenOpensForViewing() {
    QFETCH(QString, programFolder);
    Fixture fx;
    // The per-user data folder cannot be made: a file stands where it would be.
    const QString blocker = fx.dir.filePath(QStringLiteral("data"));
    QVERIFY(writeBytes(blocker, "not a folder"));
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker));
    const auto restore = qScopeGuard([&] {
        if (dataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", dataHome);
    });
    const auto run = [](const QStringList& args) {
        QProcess process;
        process.start(QStringLiteral("mount"), args);
        return process.waitForFinished(20000) && process.exitCode() == 0;
    };
    bool mounted = false;
    const auto unmount = qScopeGuard([&] {
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), fx.dir.path()});
    });
    if (programFolder == "shared") {
        QVERIFY(QFile::setPermissions(fx.dir.path(), QFileDevice::Permissions(0x7777)));
    } else {
        if (geteuid() != 0 || !run({QStringLiteral("--bind"), fx.dir.path(), fx.dir.path()}))
            QSKIP("needs root to mount the folder read-only");
        mounted = true;
        QVERIFY(run({QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), fx.dir.path()}));
    }

    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(child<QLabel>(window, "heading")->text(), CannotSaveHeading);
    QVERIFY(!child<QLineEdit>(window, "nameBox")->isVisible());
    QVERIFY(!child<QPushButton>(window, "okButton")->isVisible());
    QCOMPARE(row(window, 1, 0)->text(), QStringLiteral("0"));
    window->close();
    QVERIFY(fx.mainWindow.isEnabled());
    QCOMPARE(readBytes(fx.file), Table);
}

void TestLeaderboardWindow::mainWindowGoneBeforeClosing() {
    Fixture fx;
    auto mainWindow = std::make_unique<QWidget>();
    QPointer<LeaderboardWindow> window = LeaderboardWindow::open(fx.folder, 650, mainWindow.get());
    mainWindow.reset();
    QSignalSpy closed(window, &LeaderboardWindow::closed);
    QVERIFY(window->close());
    QCOMPARE(closed.size(), 1);
    QTRY_VERIFY(window.isNull());
}

void TestLeaderboardWindow::gameWithExtraLivesSeesTheTableAndLeavesItAlone_data() {
    QTest::addColumn<QByteArray>("table"); // null: no file
    QTest::newRow("a table the score would enter") << Table;
    QTest::newRow("no table yet") << QByteArray();
}

void TestLeaderboardWindow::gameWithExtraLivesSeesTheTableAndLeavesItAlone() {
    QFETCH(QByteArray, table);
    Fixture fx(table);
    QPointer<LeaderboardWindow> window =
        LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow, {false, QStringLiteral("小明")});
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(child<QLabel>(window, "heading")->text(), QStringLiteral("多于三条命的游戏不上榜。"));
    QVERIFY(!child<QLineEdit>(window, "nameBox")->isVisible());
    QVERIFY(!child<QPushButton>(window, "okButton")->isVisible());
    QCOMPARE(row(window, 1, 0)->text(), table.isNull() ? QStringLiteral("0") : QStringLiteral("a"));
    window->confirm();
    QVERIFY(window);
    window->close();
    // Not a byte written, nor a file made: no table, no lock, no temporary.
    const QStringList files = QDir(fx.dir.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files, table.isNull() ? QStringList() : QStringList{"tavrel.tmp"});
    if (!table.isNull())
        QCOMPARE(readBytes(fx.file), table);
}

void TestLeaderboardWindow::nameBoxStartsWithTheChildsName() {
    Fixture fx;
    QPointer<LeaderboardWindow> window =
        LeaderboardWindow::open(fx.folder, 650, &fx.mainWindow, {true, QStringLiteral("小明")});
    QVERIFY(QTest::qWaitForWindowActive(window));
    auto* box = child<QLineEdit>(window, "nameBox");
    QCOMPARE(box->text(), QStringLiteral("小明"));
    // Still the player's to change: a keystroke adds to the name rather than replacing it.
    typeText(box, QStringLiteral("!"));
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY(!window);
    QVERIFY(readBytes(fx.file).startsWith("a,900\r\nb,800\r\nc,700\r\n\xD0\xA1\xC3\xF7!,650\r\n"));
}

QTEST_MAIN(TestLeaderboardWindow)
#include "tst_leaderboardwindow.moc"
