#include <QProcess>
#include <QTest>

extern const char strandedExitProgram[];

class TestServiceThread : public QObject {
    Q_OBJECT
private slots:
    void aServiceThatNeverAnswersDoesNotHoldUpTheEnd();
};

// The process ends when the application object goes, although the service holds its thread and
// another of its threads holds a stream locked.
void TestServiceThread::aServiceThatNeverAnswersDoesNotHoldUpTheEnd() {
    QProcess run;
    run.start(QString::fromUtf8(strandedExitProgram), {});
    QVERIFY2(run.waitForFinished(10000), "the program did not end");
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestServiceThread)
#include "tst_servicethread.moc"
