// Runs the real program (runQtProgram) with procedures and actions that a
// scenario names, and prints what it saw, so that a test can watch the
// process end and its exit code.
#include "app/fatal_error.h"
#include "app/globals.h"
#include "support/gate.h"
#include "text/gbk_texts.h"
#include "ui/qt/qt_program.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <thread>

using namespace kw;

namespace {

void say(const std::string& line)
{
    std::cout << line << std::endl;
}

Text caption(FormModel& form, Control control)
{
    return form.readProperty(Window::MainWindow, control, TextProperty::caption);
}

test::Gate runGate;
test::Counter runStarted;

QtProgramOptions scenario(const std::string& name)
{
    QtProgramOptions options;
    options.procedures.miningRun = [](const MiningRunContext&) {};
    options.procedures.resultFilter = [](const FilterPassContext&) {};
    options.procedures.exportText = [](FormModel&, WindowRef) {};

    if (name == "close-main") {
        options.started = [](QtProgramParts& parts) { parts.form.widget(Window::MainWindow)->close(); };
    } else if (name == "exit-with-filter-open") {
        options.started = [](QtProgramParts& parts) {
            QTimer::singleShot(0, [&parts] {
                parts.handlers.menuCommand(MenuItem::退出);
                [[maybe_unused]] const bool gone =
                    QTest::qWaitFor([&] { return !parts.form.widget(Window::MainWindow); }, 5000);
                say("main window gone: " + std::to_string(!parts.form.widget(Window::MainWindow)));
                say("filter window open: " + std::to_string(parts.form.widget(Window::FilterWindow) != nullptr));
                say("tray icon: " + std::to_string(parts.tray.icon() != nullptr));
                parts.form.widget(Window::FilterWindow)->close();
            });
            parts.handlers.openFilterWindow();
            say("filter window closed");
        };
    } else if (name == "worker-at-shutdown") {
        options.procedures.miningRun = [](const MiningRunContext& context) {
            runStarted.add();
            // Stands for an HTTP transfer in flight: it ends when told to stop.
            const bool opened = runGate.wait(context.stop, std::chrono::seconds(20));
            context.form.appendText(Window::MainWindow, Control::编辑框2, "late\r\n");
            const Text read = context.form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
            say("run stopped: " + std::to_string(!opened && context.stop.stop_requested()) + ", late read empty: " +
                std::to_string(read.empty()) + ", globals released: " + std::to_string(globalsReleased()));
        };
        options.started = [](QtProgramParts& parts) {
            parts.handlers.startMining();
            runStarted.waitFor(1);
            say("caption: " + std::to_string(caption(parts.form, Control::按钮1) == gbk::MiningButtonCaption));
            parts.handlers.exitProgram();
        };
    } else if (name == "fatal-from-worker" || name == "fatal-on-gui") {
        const bool onWorker = name == "fatal-from-worker";
        options.procedures.miningRun = [](const MiningRunContext&) { raiseFatalError(1, gbk::IndexAboveRange); };
        options.started = [onWorker](QtProgramParts& parts) {
            parts.fatalErrors.setShownHook([&parts](QMessageBox& box) {
                say("box caption: " + box.windowTitle().toStdString());
                say("box text matches: " +
                    std::to_string(box.text() ==
                                   gbkToDisplay(composeFatalErrorText(1, gbk::IndexAboveRange), LineBreaks::multi)));
                say("box icon critical: " + std::to_string(box.icon() == QMessageBox::Critical));
                say("box buttons: " + std::to_string(box.buttons().size()) + " ok " +
                    std::to_string(box.standardButtons() == QMessageBox::Ok));
                say("box owner: " + std::to_string(box.parentWidget() != nullptr));
                // The windows stay usable: a click toggles the pause caption.
                QTest::mouseClick(parts.form.widget(Window::MainWindow)->controlWidget(Control::按钮2), Qt::LeftButton);
                say("pause toggled: " + std::to_string(caption(parts.form, Control::按钮2) == gbk::PausedCaption));
                // Another worker's operations are served meanwhile.
                std::atomic<bool> served{false};
                std::jthread other([&] { served = caption(parts.form, Control::按钮2) == gbk::PausedCaption; });
                [[maybe_unused]] const bool done = QTest::qWaitFor([&] { return served.load(); }, 5000);
                say("other worker served: " + std::to_string(served.load()));
                box.button(QMessageBox::Ok)->click();
            });
            if (onWorker)
                parts.handlers.startMining();
            else
                raiseFatalError(1, gbk::IndexAboveRange);
        };
    }
    return options;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    std::atexit([] { say("exit routines ran"); });
    const int code = runQtProgram(scenario(argv[1]));
    say("loop ended, globals released: " + std::to_string(globalsReleased()));
    say("working folder is the program folder: " +
        std::to_string(std::filesystem::current_path() ==
                       std::filesystem::path(QCoreApplication::applicationDirPath().toStdString())));
    return code;
}
