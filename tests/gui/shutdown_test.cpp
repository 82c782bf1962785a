// Ending the program under fire: closing MainWindow or choosing 退出 while
// the mining run's fetch is stalled on a server that never answers, and
// while a filter pass works through a long box. The program runs as a
// process of its own, so that its exit code, the time it takes to end, and
// any sanitizer report are seen from outside. The server that never
// answers runs inside the driver: this process starts no thread once the
// child is started, since Qt starts it with vfork semantics, which
// ThreadSanitizer takes for a fork of this process and then refuses any new
// thread here.
#include <QProcess>
#include <QtTest>

#include <chrono>
#include <optional>

namespace {

// The longest a process may take to end after its last window goes.
constexpr std::chrono::milliseconds EndWithin{2000};

} // namespace

class ShutdownTest : public QObject {
    Q_OBJECT

    // Reads the driver's output lines as they come, with a timeout.
    struct Driver {
        QProcess process;
        QStringList lines;

        bool waitForLine(const QString& wanted, int milliseconds = 20000)
        {
            QDeadlineTimer deadline(milliseconds);
            while (!lines.contains(wanted)) {
                if (process.state() == QProcess::NotRunning || deadline.hasExpired())
                    return false;
                if (!process.canReadLine())
                    process.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
                while (process.canReadLine())
                    lines << QString::fromUtf8(process.readLine()).trimmed();
            }
            return true;
        }
    };

private slots:
    void theProgramEndsAtOnceWithExitCodeZero_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<bool>("stalledFetch");
        QTest::addColumn<bool>("filterPass");
        QTest::newRow("MainWindow closed during a stalled fetch") << "close-during-fetch" << true << false;
        QTest::newRow("退出 in the menu bar during a stalled fetch") << "exit-during-fetch" << true << false;
        QTest::newRow("退出 in the tray menu during a filter pass") << "exit-during-filter-pass" << false << true;
        QTest::newRow("退出 during a stalled fetch and a filter pass")
            << "exit-during-fetch-and-filter-pass" << true << true;
    }
    void theProgramEndsAtOnceWithExitCodeZero()
    {
        QFETCH(QString, scenario);
        QFETCH(bool, stalledFetch);
        QFETCH(bool, filterPass);

        Driver driver;
        driver.process.start(QStringLiteral(KW_SHUTDOWN_DRIVER), {scenario});
        QVERIFY(driver.process.waitForStarted());

        if (stalledFetch)
            QVERIFY(driver.waitForLine("fetch stalled"));
        if (filterPass)
            QVERIFY(driver.waitForLine("filtering"));
        driver.process.write("go\n");

        QVERIFY(driver.process.waitForFinished(20000));
        const auto ended = std::chrono::steady_clock::now();
        while (driver.process.canReadLine())
            driver.lines << QString::fromUtf8(driver.process.readLine()).trimmed();
        const QString errors = QString::fromUtf8(driver.process.readAllStandardError());

        QVERIFY2(!errors.contains("Sanitizer") && !errors.contains("runtime error"), qPrintable(errors));
        QCOMPARE(driver.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(driver.process.exitCode(), 0);
        QVERIFY2(driver.lines.contains("loop ended, globals released: 1"), qPrintable(driver.lines.join('\n')));
        if (filterPass) {
            QVERIFY2(driver.lines.contains("main window gone: 1, pass unfinished: 1"),
                     qPrintable(driver.lines.join('\n')));
        }

        const QStringList ending = driver.lines.filter(QRegularExpression("^ending at \\d+$"));
        QCOMPARE(ending.size(), 1);
        const std::chrono::nanoseconds endingAt(ending.first().mid(QStringLiteral("ending at ").size()).toLongLong());
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(ended.time_since_epoch() - endingAt);
        qInfo("%s: ended %lld ms after its last window went", qPrintable(scenario),
              static_cast<long long>(took.count()));
        QVERIFY2(took < EndWithin, qPrintable(QString::number(took.count()) + " ms"));
        // The run's one request was still waiting when the program ended.
        QVERIFY2(driver.lines.contains(stalledFetch ? "requests received: 1" : "requests received: 0"),
                 qPrintable(driver.lines.join('\n')));
    }
};

QTEST_GUILESS_MAIN(ShutdownTest)
#include "shutdown_test.moc"
