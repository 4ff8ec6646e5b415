#include "history.h"
#include "progresswindow.h"
#include "recorder.h"
#include "viewscale.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <memory>

using namespace wimbly;

namespace {

const QString CsvHeader =
    QStringLiteral("child,started,seconds,score,longest,turns,mistakes,pace,start_length,lives,"
                   "ended\r\n");

// A game started at a local time, as the history keeps it.
GameRecord game(const QString& child, const QDateTime& localStart, qint64 seconds, qint32 score,
                int longest) {
    GameRecord record;
    record.child = child;
    record.started = localStart.toUTC();
    record.seconds = seconds;
    record.score = score;
    record.longest = longest;
    record.turns = longest;
    record.ended = QStringLiteral("over");
    return record;
}

QDateTime local(int year, int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

// The days as "date best: longest longest...", separated by " | ".
QString describeDays(const ProgressSummary& summary) {
    QStringList days;
    for (const DayGames& day : summary.days) {
        QStringList games;
        for (int i = 0; i < day.count; ++i)
            games << QString::number(summary.longest[std::size_t(day.first + i)]);
        days << QStringLiteral("%1 %2: %3")
                    .arg(day.day.toString(Qt::ISODate))
                    .arg(day.best)
                    .arg(games.join(QLatin1Char(' ')));
    }
    return days.join(QStringLiteral(" | "));
}

// A main window that lends its zoom to the windows opened over it.
class ZoomedMainWindow : public QWidget, public ViewHost {
public:
    explicit ZoomedMainWindow(qreal factor) : m_factor(factor) {}
    qreal viewFactor() const override { return m_factor; }
    bool coversScreen() const override { return false; }

private:
    qreal m_factor;
};

// A history in a folder of its own, with two children's games around Monday 7 December 2026.
struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("history.sqlite"));
    // The game's recorder, over the history filled below.
    Recorder history{path};
    // Wednesday noon.
    QDateTime now = local(2026, 12, 9, 12, 0);

    Fixture() {
        const QString ming = QStringLiteral("小明");
        history.record(game(ming, local(2026, 11, 30, 18, 0), 300, 900, 7));
        history.record(game(ming, local(2026, 12, 6, 23, 59, 59), 600, 500, 4));
        history.record(game(ming, local(2026, 12, 7, 0, 0), 100, 300, 3));
        history.record(game(ming, local(2026, 12, 8, 9, 30), 110, 400, 5));
        history.record(game(QStringLiteral("小红"), local(2026, 12, 9, 8, 0), 45, 250, 2));
    }
};

template <typename T> T* child(QWidget* window, const char* name) {
    return window->findChild<T*>(QString::fromLatin1(name));
}

QString labelText(QWidget* window, const char* name) {
    const QLabel* label = child<QLabel>(window, name);
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

} // namespace

class TestProgress : public QObject {
    Q_OBJECT
private slots:
    void summaryGroupsDaysAndCountsTheWeek_data();
    void summaryGroupsDaysAndCountsTheWeek();
    void windowShowsTheChosenChildsFigures_data();
    void windowShowsTheChosenChildsFigures();
    void exportWritesTheCsvOrSaysItCannot_data();
    void exportWritesTheCsvOrSaysItCannot();
    void exportButtonAsksWithoutBlocking();
    void statusSaysWhenGamesAreNotRecorded_data();
    void statusSaysWhenGamesAreNotRecorded();
    void statusNamesTheDamagedFileMovedAside();
    void chartDrawsDamagedRecordsQuickly();
};

void TestProgress::summaryGroupsDaysAndCountsTheWeek_data() {
    QTest::addColumn<std::vector<GameRecord>>("games");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("days");
    QTest::addColumn<int>("weekGames");
    QTest::addColumn<qint64>("weekMinutes");
    QTest::addColumn<int>("bestScore"); // -1: none
    QTest::addColumn<int>("mostLongest");

    const QString a = QStringLiteral("a");
    const QDateTime wednesday = local(2026, 12, 9, 12, 0);
    QTest::newRow("empty history")
        << std::vector<GameRecord>{} << wednesday << QString() << 0 << qint64(0) << -1 << 0;
    QTest::newRow("Sunday 23:59:59 is last week, Monday 00:00 this week")
        << std::vector<GameRecord>{game(a, local(2026, 12, 6, 23, 59, 59), 600, 500, 4),
                                   game(a, local(2026, 12, 7, 0, 0), 90, 300, 3)}
        << wednesday << QStringLiteral("2026-12-06 4: 4 | 2026-12-07 3: 3") << 1 << qint64(2) << 500
        << 4;
    QTest::newRow("games of a day give one best, in the order played")
        << std::vector<GameRecord>{game(a, local(2026, 12, 8, 9, 0), 60, 200, 2),
                                   game(a, local(2026, 12, 8, 13, 0), 60, 700, 6),
                                   game(a, local(2026, 12, 8, 20, 0), 60, 300, 3),
                                   game(a, local(2026, 12, 9, 7, 0), 29, 100, 1)}
        << wednesday << QStringLiteral("2026-12-08 6: 2 6 3 | 2026-12-09 1: 1") << 4 << qint64(3)
        << 700 << 6;
    QTest::newRow("minutes round to the nearest, a game after now is not yet counted")
        << std::vector<GameRecord>{game(a, local(2026, 12, 7, 0, 0), 89, 100, 0),
                                   game(a, local(2026, 12, 7, 0, 1), 1000, 100, 1)}
        << local(2026, 12, 7, 0, 0, 30) << QStringLiteral("2026-12-07 1: 0 1") << 1 << qint64(1)
        << 100 << 1;
    QTest::newRow("damaged times count as none or as a week at most")
        << std::vector<GameRecord>{game(a, local(2026, 12, 7, 8, 0), -500, 100, 1),
                                   game(a, local(2026, 12, 7, 9, 0),
                                        std::numeric_limits<qint64>::max(), 100, 1),
                                   game(a, local(2026, 12, 7, 10, 0), 60, 100, 1)}
        << wednesday << QStringLiteral("2026-12-07 1: 1 1 1") << 3 << qint64(7 * 24 * 60 + 1) << 100
        << 1;
    QTest::newRow("played out of order across years")
        << std::vector<GameRecord>{game(a, local(2026, 1, 2, 10, 0), 60, 50, 2),
                                   game(a, local(2025, 12, 31, 10, 0), 60, 80, 5),
                                   game(a, local(2026, 1, 2, 11, 0), 60, 60, 1)}
        << wednesday << QStringLiteral("2025-12-31 5: 5 | 2026-01-02 2: 2 1") << 0 << qint64(0)
        << 80 << 5;
}

void TestProgress::summaryGroupsDaysAndCountsTheWeek() {
    QFETCH(std::vector<GameRecord>, games);
    QFETCH(QDateTime, now);
    const ProgressSummary summary = summarize(games, now);
    QTEST(describeDays(summary), "days");
    QTEST(summary.weekGames, "weekGames");
    QTEST(summary.weekMinutes(), "weekMinutes");
    QTEST(summary.bestScore.value_or(-1), "bestScore");
    QTEST(summary.mostLongest, "mostLongest");
}

void TestProgress::windowShowsTheChosenChildsFigures_data() {
    QTest::addColumn<qreal>("zoom");
    QTest::newRow("at 100 %") << qreal(1);
    QTest::newRow("at 200 %") << qreal(2);
}

void TestProgress::windowShowsTheChosenChildsFigures() {
    QFETCH(qreal, zoom);
    Fixture f;
    QVERIFY(f.history.isRecording());
    ZoomedMainWindow mainWindow(zoom);
    mainWindow.show();
    ProgressSetup setup;
    setup.history = &f.history;
    setup.children = {QStringLiteral("小明"), QStringLiteral("小红"), QString()};
    setup.child = QStringLiteral("小明");
    setup.now = f.now;
    ProgressWindow* window = ProgressWindow::open(setup, &mainWindow);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(!mainWindow.isEnabled());
    QCOMPARE(window->windowTitle(), QStringLiteral("进步"));
    QCOMPARE(window->size(), QSize(520, 400) * zoom);

    // Monday 00:00 and Tuesday are this week; Sunday 23:59:59 and the week before are not.
    QCOMPARE(labelText(window, "weekGames"), QStringLiteral("本周游戏：2 局"));
    QCOMPARE(labelText(window, "weekMinutes"), QStringLiteral("本周时间：4 分钟"));
    QCOMPARE(labelText(window, "bestScore"), QStringLiteral("最高分：900"));
    QCOMPARE(labelText(window, "status"), QString());

    // The chart draws the line through the days' bests in the score's red.
    QWidget* chart = child<QWidget>(window, "chart");
    QVERIFY(chart);
    const QImage shot = chart->grab().toImage();
    int red = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x)
            red += shot.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
    }
    QVERIFY2(red > 50 * zoom, qPrintable(QString::number(red)));

    auto* box = child<QComboBox>(window, "childBox");
    QVERIFY(box);
    QVERIFY(box->isEnabled());
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(2), QStringLiteral("（未选孩子）"));
    box->setCurrentIndex(1);
    QCOMPARE(window->child(), QStringLiteral("小红"));
    QCOMPARE(labelText(window, "weekGames"), QStringLiteral("本周游戏：1 局"));
    QCOMPARE(labelText(window, "weekMinutes"), QStringLiteral("本周时间：1 分钟"));
    QCOMPARE(labelText(window, "bestScore"), QStringLiteral("最高分：250"));
    box->setCurrentIndex(2);
    QCOMPARE(labelText(window, "weekGames"), QStringLiteral("本周游戏：0 局"));
    QCOMPARE(labelText(window, "bestScore"), QStringLiteral("最高分：—"));

    QSignalSpy closed(window, &ProgressWindow::closed);
    QVERIFY(window->close());
    QCOMPARE(closed.size(), 1);
    QVERIFY(mainWindow.isEnabled());
}

void TestProgress::exportWritesTheCsvOrSaysItCannot_data() {
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("written");
    QTest::newRow("a new file") << QStringLiteral("out.csv") << true;
    QTest::newRow("in a missing folder") << QStringLiteral("missing/out.csv") << false;
}

void TestProgress::exportWritesTheCsvOrSaysItCannot() {
    QFETCH(QString, relativePath);
    QFETCH(bool, written);
    Fixture f;
    QVERIFY(f.history.isRecording());
    ProgressSetup setup;
    setup.history = &f.history;
    setup.child = QStringLiteral("小明");
    setup.now = f.now;
    ProgressWindow* window = ProgressWindow::open(setup, nullptr);
    const QString path = f.dir.filePath(relativePath);
    QCOMPARE(window->exportTo(path), written);
    QFile file(path);
    if (written) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readLine()), CsvHeader);
        QCOMPARE(window->statusText(), QStringLiteral("已导出到 %1。").arg(path));
    } else {
        QVERIFY(!file.exists());
        QCOMPARE(window->statusText(), QStringLiteral("无法导出到 %1。").arg(path));
    }
    window->close();
}

// The button's dialog returns at once, offers the home folder's wimbly-history.csv and, once
// accepted, exports there.
void TestProgress::exportButtonAsksWithoutBlocking() {
    Fixture f;
    QVERIFY(f.history.isRecording());
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", f.dir.path().toUtf8());
    ProgressSetup setup;
    setup.history = &f.history;
    setup.child = QStringLiteral("小明");
    setup.now = f.now;
    ProgressWindow* window = ProgressWindow::open(setup, nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto* button = child<QPushButton>(window, "exportButton");
    QVERIFY(button && button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    qputenv("HOME", home);
    auto* dialog = window->findChild<QFileDialog*>();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    const QString offered = f.dir.filePath(QStringLiteral("wimbly-history.csv"));
    QCOMPARE(dialog->selectedFiles(), QStringList{offered});
    // As its Save button does.
    static_cast<QDialog*>(dialog)->accept();
    QFile file(offered);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readLine()), CsvHeader);
    QCOMPARE(window->statusText(), QStringLiteral("已导出到 %1。").arg(offered));
    window->close();
}

void TestProgress::statusSaysWhenGamesAreNotRecorded_data() {
    QTest::addColumn<bool>("withHistory");
    QTest::newRow("no history") << false;
    QTest::newRow("a history whose folder cannot be made") << true;
}

void TestProgress::statusSaysWhenGamesAreNotRecorded() {
    QFETCH(bool, withHistory);
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("data")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    Recorder unwritable(dir.filePath(QStringLiteral("data/history.sqlite")));
    ProgressSetup setup;
    setup.history = withHistory ? &unwritable : nullptr;
    setup.children = {QString()};
    setup.tellMovedAside = true;
    ProgressWindow* window = ProgressWindow::open(setup, nullptr);
    QCOMPARE(window->statusText(), QStringLiteral("游戏没有被记录。"));
    QCOMPARE(labelText(window, "weekGames"), QStringLiteral("本周游戏：0 局"));
    QCOMPARE(labelText(window, "bestScore"), QStringLiteral("最高分：—"));
    QVERIFY(!child<QPushButton>(window, "exportButton")->isEnabled());
    QVERIFY(!child<QComboBox>(window, "childBox")->isEnabled());
    QVERIFY(!window->exportTo(dir.filePath(QStringLiteral("out.csv"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out.csv"))));
    window->close();
}

// A file that is no history is moved aside when opened; told so, the window names the moved file
// by its name alone.
void TestProgress::statusNamesTheDamagedFileMovedAside() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    {
        QFile damaged(path);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, 'x'));
    }
    Recorder history(path);
    QVERIFY(history.isRecording());
    QVERIFY(!history.movedAside().isEmpty());
    ProgressSetup setup;
    setup.history = &history;
    setup.tellMovedAside = true;
    ProgressWindow* window = ProgressWindow::open(setup, nullptr);
    const QString name = QFileInfo(history.movedAside()).fileName();
    QVERIFY(name.startsWith(QStringLiteral("history.sqlite.damaged-")));
    QCOMPARE(window->statusText(),
             QStringLiteral("游戏记录已损坏：原文件已改名为 %1，新的记录已经开始。").arg(name));
    window->close();

    setup.tellMovedAside = false;
    window = ProgressWindow::open(setup, nullptr);
    QCOMPARE(window->statusText(), QString());
    window->close();
}

// Records a damaged file may hold, an absurd length and a game thousands of years on, still give
// a chart drawn at once, with its axis labels thinned to a few.
void TestProgress::chartDrawsDamagedRecordsQuickly() {
    const QString a = QStringLiteral("a");
    const std::vector<GameRecord> games{
        game(a, local(2026, 12, 7, 9, 0), 60, 100, 3),
        game(a, local(2026, 12, 8, 9, 0), 60, 100, std::numeric_limits<int>::max()),
        game(a, QDateTime(QDate(9000, 1, 1), QTime(12, 0)), 60, 100, 4)};
    const ProgressSummary summary = summarize(games, local(2026, 12, 9, 12, 0));
    ProgressChart chart(nullptr);
    chart.resize(488, 264);
    chart.setSummary(&summary);
    QElapsedTimer timer;
    timer.start();
    const QImage shot = chart.grab().toImage();
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(shot.pixelColor(2, 2), QColor(0, 0, 128));
}

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
