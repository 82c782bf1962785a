// Control operations from worker threads while the GUI thread is busy in a
// nested loop: the modal FilterWindow, the save dialog, a message box. Each
// operation is whole, and the GUI thread never waits for a worker.
// moc cannot read the Chinese control names; it needs none of these.
#ifndef Q_MOC_RUN
#include "gui_support.h"
#include "text/gbk_texts.h"
#endif

#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace kw;
using test::QtProgramUnderTest;

namespace {

// What a worker saw while it read and wrote both windows.
struct WorkerReport {
    int operations = 0;
    Text mismatch; // empty when every read saw what it had to
};

// Appends numbered lines to a box and reads the box back after each, then
// toggles a caption and reads it back: a read must always show the write
// before it, whole.
WorkerReport exercise(FormModel& form, WindowRef window, Control box, Control label, int rounds)
{
    WorkerReport report;
    Text expected = form.readProperty(window, box, TextProperty::text);
    for (int i = 0; i < rounds && report.mismatch.empty(); ++i) {
        const Text line = "line " + std::to_string(i) + "\r\n";
        form.appendText(window, box, line);
        expected += line;
        const Text seen = form.readProperty(window, box, TextProperty::text);
        if (seen != expected)
            report.mismatch = "box after line " + std::to_string(i) + ": " + seen;
        const Text caption = std::to_string(i);
        form.writeProperty(window, label, TextProperty::caption, caption);
        if (form.readProperty(window, label, TextProperty::caption) != caption)
            report.mismatch = "caption " + caption;
        report.operations += 4;
    }
    return report;
}

} // namespace

class WorkerOperationsTest : public QObject {
    Q_OBJECT

private slots:
    void filterPassWorksWhileFilterWindowIsModal()
    {
        WorkerReport report;
        Text mainRead;
        Procedures procedures;
        procedures.resultFilter = [&](const FilterPassContext& context) {
            const WindowRef filter(Window::FilterWindow, context.filterWindowInstance);
            mainRead = context.form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
            report = exercise(context.form, filter, Control::编辑框1, Control::标签1, 200);
            // The pass closes its window itself: the GUI thread was in the
            // nested loop all along.
            context.form.destroyWindow(Window::FilterWindow);
        };
        QtProgramUnderTest program(procedures);
        QVERIFY(program.form.loadWindow(Window::MainWindow, false));
        program.form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, "a\r\nb\r\n");

        program.handlers->openFilterWindow();
        program.workers.shutdown();
        QVERIFY2(report.mismatch.empty(), report.mismatch.c_str());
        QCOMPARE(report.operations, 800);
        QCOMPARE(mainRead, Text("a\r\nb\r\n"));
        QVERIFY(program.form.widget(Window::MainWindow)->isEnabled());
    }

    void miningRunWorksWhileADialogOrMessageBoxIsOpen_data()
    {
        QTest::addColumn<bool>("messageBox");
        QTest::newRow("save dialog") << false;
        QTest::newRow("message box") << true;
    }
    void miningRunWorksWhileADialogOrMessageBoxIsOpen()
    {
        QFETCH(bool, messageBox);
        test::Gate dialogOpen;
        WorkerReport report;
        QDialog* openDialog = nullptr;
        Procedures procedures;
        QtProgramUnderTest* running = nullptr;
        procedures.miningRun = [&](const MiningRunContext& context) {
            if (!dialogOpen.wait(context.stop))
                return;
            report = exercise(context.form, Window::MainWindow, Control::编辑框2, Control::标签1, 100);
            // Close the dialog from here, through the GUI thread's queue.
            running->queue.post([&] { openDialog->reject(); });
        };
        QtProgramUnderTest program(procedures);
        running = &program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        program.handlers->startMining();

        DialogSeam::Hook whenOpen = [&](QDialog& dialog) {
            openDialog = &dialog;
            dialogOpen.open();
        };
        if (messageBox) {
            form.setNextMessageHook(whenOpen);
            form.showMessage(Window::FilterWindow, "caption", "text");
        } else {
            form.setNextFileDialogHook(whenOpen);
            QVERIFY(!form.showFileDialog(Window::FilterWindow, Control::通用对话框1));
        }
        program.workers.shutdown();
        QVERIFY2(report.mismatch.empty(), report.mismatch.c_str());
        QCOMPARE(report.operations, 400);
    }

    void writesFromManyWorkersAreEachWhole()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        constexpr int Workers = 4;
        constexpr int Lines = 50;
        std::atomic<int> done{0};
        std::vector<std::jthread> workers;
        for (int w = 0; w < Workers; ++w) {
            workers.emplace_back([&, w] {
                for (int i = 0; i < Lines; ++i)
                    form.appendText(Window::MainWindow, Control::编辑框2, "w" + std::to_string(w) + "-" + std::to_string(i) + "\r\n");
                ++done;
            });
        }
        QTRY_COMPARE_WITH_TIMEOUT(done.load(), Workers, 10000);
        workers.clear();
        const Text all = form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
        const TextList lines = splitText(all, "\r\n");
        QCOMPARE(listCount(lines), Workers * Lines);
        std::vector<int> next(Workers, 0);
        for (const Text& line : lines.members()) {
            const int w = line[1] - '0';
            QCOMPARE(line, "w" + std::to_string(w) + "-" + std::to_string(next[static_cast<std::size_t>(w)]++));
        }
    }

    void aWorkerReachesNothingOfAWindowThatIsGoneOrLoadedAgain()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        const std::uint64_t first = form.loadedInstance(Window::FilterWindow);
        form.widget(Window::FilterWindow)->close();
        std::atomic<int> step{0};
        test::Gate loadedAgain;
        Text readWhileGone;
        Text readOfOldLoading;
        std::jthread pass([&] {
            form.appendText({Window::FilterWindow, first}, Control::编辑框1, "gone\r\n");
            readWhileGone = form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption);
            step = 1;
            if (!loadedAgain.wait(std::stop_token()))
                return;
            form.appendText({Window::FilterWindow, first}, Control::编辑框1, "old pass\r\n");
            readOfOldLoading = form.readProperty({Window::FilterWindow, first}, Control::标签1, TextProperty::caption);
            step = 3;
        });
        QTRY_COMPARE_WITH_TIMEOUT(step.load(), 1, 10000);
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        loadedAgain.open();
        QTRY_COMPARE_WITH_TIMEOUT(step.load(), 3, 10000);
        pass.join();
        QCOMPARE(readWhileGone, Text());
        QCOMPARE(readOfOldLoading, Text());
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text), Text());
    }

    void shutdownReleasesAWaitingWorkerAndDropsItsLaterOperations()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        test::Counter waiting;
        std::atomic<bool> readEmpty{false};
        std::jthread worker([&] {
            waiting.add();
            // The GUI thread shuts the model down instead of serving this.
            const Text seen = form.readProperty(Window::MainWindow, Control::按钮2, TextProperty::caption);
            form.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption, "late");
            readEmpty = seen.empty();
        });
        QVERIFY(waiting.waitFor(1));
        // The GUI thread does not turn its loop here, so the read stays queued.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (program.queue.queuedCount() == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        QCOMPARE(program.queue.queuedCount(), std::size_t(1));
        form.shutdown();
        worker.join();
        QVERIFY(readEmpty);
        QCOMPARE(form.widget(Window::MainWindow)->controlWidget(Control::按钮2)->property("text").toString(),
                 gbkToDisplay(gbk::RunningCaption, LineBreaks::single));
    }
};

QTEST_MAIN(WorkerOperationsTest)
#include "worker_operations_test.moc"
