// The end of the program as a process: its exit code and what ran before
// it, for the normal end and for a fatal error.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class ProgramTest : public QObject {
    Q_OBJECT

    struct Outcome {
        int exitCode = -1000;
        QStringList lines;
    };

    Outcome run(const QString& scenario)
    {
        QTemporaryDir elsewhere; // started from another folder than its own
        QProcess driver;
        driver.setWorkingDirectory(elsewhere.path());
        driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        driver.start(QStringLiteral(KW_PROGRAM_DRIVER), {scenario});
        Outcome outcome;
        if (!driver.waitForFinished(30000)) {
            driver.kill();
            driver.waitForFinished();
            return outcome;
        }
        if (driver.exitStatus() == QProcess::NormalExit)
            outcome.exitCode = driver.exitCode();
        outcome.lines = QString::fromUtf8(driver.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        return outcome;
    }

private slots:
    void normalEndsExitWithZeroAfterTheExitRoutine_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QStringList>("expected");
        const QStringList end{"loop ended, globals released: 1", "working folder is the program folder: 1",
                              "exit routines ran"};
        QTest::newRow("close MainWindow") << "close-main" << end;
        QTest::newRow("exit while FilterWindow is open")
            << "exit-with-filter-open"
            << QStringList{"main window gone: 1", "filter window open: 1", "tray icon: 0", "filter window closed"} +
                   end;
        QTest::newRow("a run in flight at the end")
            << "worker-at-shutdown"
            << QStringList{"caption: 1", "run stopped: 1, late read empty: 1, globals released: 0"} + end;
    }
    void normalEndsExitWithZeroAfterTheExitRoutine()
    {
        QFETCH(QString, scenario);
        QFETCH(QStringList, expected);
        const Outcome outcome = run(scenario);
        QCOMPARE(outcome.lines, expected);
        QCOMPARE(outcome.exitCode, 0);
    }

    void fatalErrorEndsWithMinusOneWithoutTheExitRoutine_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("raised on a worker") << "fatal-from-worker";
        QTest::newRow("raised on the GUI thread") << "fatal-on-gui";
    }
    void fatalErrorEndsWithMinusOneWithoutTheExitRoutine()
    {
        QFETCH(QString, scenario);
        const Outcome outcome = run(scenario);
        QCOMPARE(outcome.lines,
                 (QStringList{QStringLiteral("box caption: 错误"), "box text matches: 1", "box icon critical: 1",
                              "box buttons: 1 ok 1", "box owner: 0", "pause toggled: 1", "other worker served: 1"}));
        QCOMPARE(outcome.exitCode, 255);
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "program_test.moc"
