#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

// From the build (wimbly_test_paths in tests/app/CMakeLists.txt): the program.
extern const char wimblyProgram[];

namespace {

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the built program with `arguments` and no display at all: a program that tried to open
// a window would fail to connect, and say so.
Outcome run(const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // A data folder of the test's own, where no game has been recorded.
    static const QTemporaryDir data;
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    process.setProcessEnvironment(environment);
    process.start(QString::fromUtf8(wimblyProgram), arguments);
    Outcome outcome;
    outcome.finished = process.waitForFinished(30000);
    if (!outcome.finished) {
        process.kill();
        process.waitForFinished();
        return outcome;
    }
    outcome.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    outcome.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    outcome.err = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void helpAndVersionPrintAndEndWithoutAWindow_data();
    void helpAndVersionPrintAndEndWithoutAWindow();
    void invalidValuesAreRefusedWithoutAWindow_data();
    void invalidValuesAreRefusedWithoutAWindow();
};

void TestCommandLine::helpAndVersionPrintAndEndWithoutAWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("printed");
    const QStringList help{"Usage: wimbly", "--scale <factor>",  "0.5 to 4", "--fullscreen",
                           "--mute",        "--lang <language>", "zh",       "en"};
    QTest::newRow("--help") << QStringList{"--help"} << help;
    QTest::newRow("-h") << QStringList{"-h"} << help;
    QTest::newRow("--help after valid options")
        << QStringList{"--scale", "2", "--mute", "--help"} << help;
    QTest::newRow("--version") << QStringList{"--version"} << QStringList{"wimbly 1.0.0\n"};
    QTest::newRow("--export-history with no game recorded")
        << QStringList{"--export-history", "-"}
        << QStringList{"child,started,seconds,score,longest,turns,mistakes,pace,start_length,"
                       "lives,ended\r\n"};
}

void TestCommandLine::helpAndVersionPrintAndEndWithoutAWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, printed);
    const Outcome outcome = run(arguments);
    QVERIFY(outcome.finished);
    QCOMPARE(outcome.exitCode, 0);
    QCOMPARE(outcome.err, QString());
    for (const QString& text : printed)
        QVERIFY2(outcome.out.contains(text), qPrintable(outcome.out));
    if (printed.size() == 1)
        QCOMPARE(outcome.out, printed.first());
}

void TestCommandLine::invalidValuesAreRefusedWithoutAWindow_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("said");
    const QStringList scale{"--scale", "banana", "0.5", "4"};
    QTest::newRow("scale not a number") << QStringList{"--scale", "banana"} << scale;
    QTest::newRow("scale too large")
        << QStringList{"--scale", "9"} << QStringList{"--scale", "'9'", "0.5", "4"};
    QTest::newRow("scale just above 4")
        << QStringList{"--scale=4.01"} << QStringList{"--scale", "4.01", "0.5", "4"};
    QTest::newRow("scale just below 0.5")
        << QStringList{"--scale", "0.49"} << QStringList{"--scale", "0.49", "0.5", "4"};
    QTest::newRow("scale without a value") << QStringList{"--scale"} << QStringList{"scale"};
    QTest::newRow("unknown language")
        << QStringList{"--lang", "xx"} << QStringList{"--lang", "xx", "zh", "en"};
    QTest::newRow("scanning between off and the slowest")
        << QStringList{"--scan", "0.4"} << QStringList{"--scan", "0.4", "0 (off)", "0.5", "5"};
    QTest::newRow("pace too quick")
        << QStringList{"--pace", "399"} << QStringList{"--pace", "399", "400", "3000"};
    QTest::newRow("pace in seconds")
        << QStringList{"--pace", "1.5"} << QStringList{"--pace", "1.5", "whole", "3000"};
    QTest::newRow("start length past the board")
        << QStringList{"--start-length", "37"} << QStringList{"--start-length", "1", "36"};
    QTest::newRow("no lives") << QStringList{"--lives", "0"} << QStringList{"--lives", "1", "9"};
    QTest::newRow("ten lives") << QStringList{"--lives=10"} << QStringList{"--lives", "'10'"};
    QTest::newRow("child's name too long") << QStringList{"--child", QString(33, QLatin1Char('a'))}
                                           << QStringList{"--child", "1 to 32"};
    QTest::newRow("child without a name") << QStringList{"--child="} << QStringList{"--child"};
    QTest::newRow("unknown option") << QStringList{"--colour"} << QStringList{"colour"};
    QTest::newRow("a stray word") << QStringList{"play"} << QStringList{"play"};
}

void TestCommandLine::invalidValuesAreRefusedWithoutAWindow() {
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, said);
    const Outcome outcome = run(arguments);
    QVERIFY(outcome.finished);
    QVERIFY2(outcome.exitCode > 0, qPrintable(QString::number(outcome.exitCode)));
    QCOMPARE(outcome.out, QString());
    for (const QString& text : said)
        QVERIFY2(outcome.err.contains(text), qPrintable(outcome.err));
    QVERIFY2(!outcome.err.contains(QLatin1String("display")), qPrintable(outcome.err));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
