// Control operations from worker threads while the GUI thread is busy in a
// nested loop: the modal FilterWindow, the save dialog, a message box. Each
// operation is whole, and the GUI thread never waits for a worker.
// moc cannot read the Chinese control names; it needs none of these.
#ifndef Q_MOC_RUN
#include "gui_support.h"
#include "support/versioned_read_contract.h"
#include "text/gbk_texts.h"
#endif

#include <QLineEdit>
#include <QMessageBox>
#include <QTextDocument>
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
                    form.appendText(Window::MainWindow, Control::编辑框2,
                                    "w" + std::to_string(w) + "-" + std::to_string(i) + "\r\n");
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
        // The user's edit leaves the box to be read through the GUI thread.
        auto* line = qobject_cast<QLineEdit*>(program.control(Window::MainWindow, Control::编辑框1));
        QTest::keyClicks(line, "typed");
        test::Counter waiting;
        std::atomic<bool> readEmpty{false};
        std::jthread worker([&] {
            waiting.add();
            // The GUI thread shuts the model down instead of serving this.
            const Text seen = form.readProperty(Window::MainWindow, Control::编辑框1, TextProperty::text);
            form.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption, "late");
            readEmpty =
                seen.empty() && form.readProperty(Window::MainWindow, Control::按钮2, TextProperty::caption).empty();
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

    // A worker's write or append is what every later read sees at once,
    // without waiting for the GUI thread, which shows it when its loop
    // turns next.
    void aReadRightAfterAWorkersWriteSeesIt()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        test::Counter done;
        Text caption;
        Text box;
        std::jthread worker([&] {
            form.writeProperty(Window::MainWindow, Control::标签1, TextProperty::caption, "status");
            caption = form.readProperty(Window::MainWindow, Control::标签1, TextProperty::caption);
            form.appendText(Window::MainWindow, Control::编辑框2, "x\r\n");
            form.appendText(Window::MainWindow, Control::编辑框2, "y\r\n");
            box = form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
            done.add();
        });
        // The GUI thread does not turn its loop meanwhile.
        QVERIFY(done.waitFor(1));
        worker.join();
        QCOMPARE(caption, Text("status"));
        QCOMPARE(box, Text("x\r\ny\r\n"));
        QCOMPARE(form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text), Text("x\r\ny\r\n"));

        auto* label = dynamic_cast<CaptionLabel*>(program.control(Window::MainWindow, Control::标签1));
        QPlainTextEdit* shownBox = program.box(Window::MainWindow, Control::编辑框2);
        QTRY_COMPARE_WITH_TIMEOUT(shownBox->toPlainText(), QStringLiteral("x\ny\n"), 5000);
        QCOMPARE(label->shownText(), QStringLiteral("status"));
        QVERIFY(form.widgetsShowEverything());
    }

    // The user edits a box between two reads of a worker, once with an
    // append of the worker still on its way to the screen: the second read
    // sees the edit. The append was made before the user's keystroke, so
    // it comes first, and takes the caret to the end as every append does.
    void aUserEditBetweenTwoReadsIsSeen()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        form.writeProperty(Window::MainWindow, Control::编辑框3, TextProperty::text, "abc");
        form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, "a\r\n");
        test::Counter firstReads;
        test::Gate edited;
        std::atomic<bool> done{false};
        Text required[2];
        Text box;
        std::jthread worker([&] {
            required[0] = form.readProperty(Window::MainWindow, Control::编辑框3, TextProperty::text);
            form.appendText(Window::MainWindow, Control::编辑框2, "b\r\n");
            firstReads.add();
            if (!edited.wait(std::stop_token()))
                return;
            required[1] = form.readProperty(Window::MainWindow, Control::编辑框3, TextProperty::text);
            box = form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
            done = true;
        });
        QVERIFY(firstReads.waitFor(1));
        // The append has not been shown yet: the loop has not turned.
        QPlainTextEdit* shownBox = program.box(Window::MainWindow, Control::编辑框2);
        QCOMPARE(shownBox->toPlainText(), QStringLiteral("a\n"));
        shownBox->moveCursor(QTextCursor::Start);
        QTest::keyClicks(shownBox, "Z");
        auto* line = qobject_cast<QLineEdit*>(program.control(Window::MainWindow, Control::编辑框3));
        line->end(false);
        QTest::keyClicks(line, "d");
        edited.open();
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 5000);
        worker.join();
        QCOMPARE(required[0], Text("abc"));
        QCOMPARE(required[1], Text("abcd"));
        QCOMPARE(box, Text("a\r\nb\r\nZ"));
        QCOMPARE(shownBox->toPlainText(), QStringLiteral("a\nb\nZ"));
    }

    // The worker's changes reach a loading that is gone before the GUI
    // thread could show them: they must not turn up in the next loading.
    void aWriteToAWindowDestroyedBeforeItWasShownDoesNothingToALaterLoading()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        const WindowRef first(Window::FilterWindow, form.loadedInstance(Window::FilterWindow));
        test::Counter done;
        std::jthread worker([&] {
            form.writeProperty(first, Control::标签1, TextProperty::caption, "9");
            form.writeProperty(first, Control::编辑框1, TextProperty::text, "");
            form.appendText(first, Control::编辑框1, "old pass\r\n");
            done.add();
        });
        QVERIFY(done.waitFor(1));
        worker.join();
        QVERIFY(!form.widgetsShowEverything());
        form.widget(Window::FilterWindow)->close();
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        QTRY_VERIFY_WITH_TIMEOUT(form.widgetsShowEverything(), 5000);
        QTest::qWait(50); // any late change would have been shown by now
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption),
                 Text(gbk::DefaultLabelCaption));
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text), Text());
        auto* label = dynamic_cast<CaptionLabel*>(program.control(Window::FilterWindow, Control::标签1));
        QCOMPARE(label->shownText(), gbkToDisplay(gbk::DefaultLabelCaption, LineBreaks::single));
        QVERIFY(program.box(Window::FilterWindow, Control::编辑框1)->toPlainText().isEmpty());
    }

    // Appends that wait together are shown as few insertions, each of a
    // bounded size, in the order they were made, and without undo records.
    void waitingAppendsAreShownInOrderInBoundedBatches()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::FilterWindow, false));
        QPlainTextEdit* box = program.box(Window::FilterWindow, Control::编辑框1);
        std::vector<int> insertions;
        QObject::connect(box->document(), &QTextDocument::contentsChange,
                         [&](int, int, int added) { insertions.push_back(added); });
        constexpr int Lines = 20000;
        test::Counter done;
        Text expected;
        std::jthread worker([&] {
            for (int i = 0; i < Lines; ++i) {
                const Text line = "line " + std::to_string(i) + "\r\n";
                form.appendText(Window::FilterWindow, Control::编辑框1, line);
                expected += line;
                form.writeProperty(Window::FilterWindow, Control::标签1, TextProperty::caption, std::to_string(i));
            }
            done.add();
        });
        QVERIFY(done.waitFor(1, std::chrono::seconds(60)));
        worker.join();
        QTRY_VERIFY_WITH_TIMEOUT(form.widgetsShowEverything(), 10000);

        QCOMPARE(displayToGbk(box->toPlainText(), LineBreaks::multi), expected);
        QCOMPARE(form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text), expected);
        auto* label = dynamic_cast<CaptionLabel*>(program.control(Window::FilterWindow, Control::标签1));
        QCOMPARE(label->shownText(), QString::number(Lines - 1));
        QVERIFY(!box->document()->isUndoAvailable());
        // About 250 KB: more than one batch, far fewer than one insertion per line.
        QVERIFY2(insertions.size() >= 4 && insertions.size() < 100, qPrintable(QString::number(insertions.size())));
        for (int added : insertions)
            QVERIFY2(added <= 64 * 1024 + 1, qPrintable(QString::number(added)));
    }

    // readPropertyIfChanged from a worker, with the user's edit and the
    // window's reload carried out on the GUI thread.
    void versionedReadsKeepEveryPromise()
    {
        QtProgramUnderTest program;
        QtFormModel& form = program.form;
        QVERIFY(form.loadWindow(Window::MainWindow, false));
        std::atomic<bool> done{false};
        std::string broken;
        std::jthread worker([&] {
            broken = test::versionedReadContract(
                form,
                [&] {
                    program.queue.run([&] {
                        QPlainTextEdit* box = program.box(Window::MainWindow, Control::编辑框2);
                        box->moveCursor(QTextCursor::End);
                        QTest::keyClicks(box, "typed");
                    });
                    return Text("a\r\nb\r\nc\r\ntyped");
                },
                [&] { program.queue.run([&] { form.widget(Window::MainWindow)->close(); }); },
                [&] { form.loadWindow(Window::MainWindow, false); });
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        worker.join();
        QVERIFY2(broken.empty(), broken.c_str());
    }
};

QTEST_MAIN(WorkerOperationsTest)
#include "worker_operations_test.moc"
