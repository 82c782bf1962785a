// The program as kwtool runs it (runQtProgram with the real procedures; the
// filter pass is held after its first lines until it is told to stop),
// pointed at a server on 127.0.0.1 that accepts, reads the request and
// never answers, so that a test can end it while a fetch is stalled or a
// filter pass is under way and watch the process end.
//
// usage: kwtool_shutdown_driver SCENARIO
// It says on standard output what state it has reached, waits for a line
// "go" on standard input, then ends the program as the scenario says. Just
// before the last window goes it prints "ending at N", N being the
// monotonic clock in nanoseconds, which the test compares with the moment
// the process has ended.
#include "filter/result_filter.h"
#include "gui_support.h"
#include "support/fault_server.h"
#include "text/gbk_texts.h"
#include "ui/forwarding_form_model.h"
#include "ui/qt/menu_builder.h"
#include "ui/qt/qt_program.h"

#include <QApplication>
#include <QMenuBar>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <iostream>
#include <mutex>
#include <stop_token>
#include <string>

using namespace kw;

namespace {

void say(const std::string& line)
{
    std::cout << line << std::endl;
}

void sayEnding()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    say("ending at " + std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

QWidget* controlOf(QtProgramParts& parts, Window window, Control control)
{
    DesignedWindow* top = parts.form.widget(window);
    return top ? top->controlWidget(control) : nullptr;
}

// Runs the action once the test writes a line on standard input.
class GoSignal {
public:
    explicit GoSignal(std::function<void()> action) : action_(std::move(action))
    {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] {
            char byte = 0;
            while (::read(STDIN_FILENO, &byte, 1) == 1 && byte != '\n') {
            }
            notifier_.setEnabled(false);
            if (action_)
                std::exchange(action_, nullptr)();
        });
    }

private:
    QSocketNotifier notifier_{STDIN_FILENO, QSocketNotifier::Read};
    std::function<void()> action_;
};

std::unique_ptr<test::FaultServer> server;

// The user types a seed and clicks 开始挖掘; says "fetch stalled" once the
// run's first fetch has reached the server, which never answers.
void startMining(QtProgramParts& parts)
{
    test::userTypes(controlOf(parts, Window::MainWindow, Control::编辑框1), QStringLiteral("手机"));
    QTest::mouseClick(controlOf(parts, Window::MainWindow, Control::按钮1), Qt::LeftButton);
    auto* watch = new QTimer(QCoreApplication::instance());
    QObject::connect(watch, &QTimer::timeout, [watch] {
        if (!server->requests().empty()) {
            watch->deleteLater();
            say("fetch stalled");
        }
    });
    watch->start(5);
}

// "退出" in MainWindow's menu bar.
void chooseExitInTheMenuBar(QtProgramParts& parts)
{
    for (QAction* action : parts.form.widget(Window::MainWindow)->menuBar()->findChildren<QAction*>()) {
        if (menuItemOf(action) == MenuItem::退出) {
            action->trigger();
            return;
        }
    }
    say("no exit entry in the menu bar");
}

// "退出" in the tray icon's menu, opened by a right click on the icon.
void chooseExitInTheTrayMenu(QtProgramParts& parts)
{
    parts.tray.setNextPopupHook([](QMenu& popup) {
        for (QAction* action : popup.actions()) {
            if (menuItemOf(action) == MenuItem::退出) {
                QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.actionGeometry(action).center());
                return;
            }
        }
        popup.close();
    });
    emit parts.tray.icon()->activated(QSystemTrayIcon::Context);
}

// A long result box; every line passes the exclude test, so the pass
// keeps writing.
constexpr int LongBoxLines = 100000;
// The pass is held after this many lines until it is told to stop, so that
// the end of the program always finds it under way, however fast it runs.
constexpr int LinesBeforeTheHold = 100;

// The form model as the filter pass sees it: every operation goes to the
// program's own, but an append past the hold waits until the pass's stop is
// requested (its window closing, or the program ending).
class HoldingForm final : public ForwardingFormModel {
public:
    HoldingForm(FormModel& inner, std::stop_token stop) : ForwardingFormModel(inner), stop_(std::move(stop)) {}

    void appendText(WindowRef window, Control editBox, std::string_view text) override
    {
        ForwardingFormModel::appendText(window, editBox, text);
        if (++appends_ < LinesBeforeTheHold)
            return;
        std::mutex mutex;
        std::condition_variable_any never;
        std::unique_lock lock(mutex);
        never.wait(lock, stop_, [] { return false; });
    }

private:
    std::stop_token stop_;
    int appends_ = 0;
};

// The real pass, on the holding form model.
void heldResultFilter(const FilterPassContext& context)
{
    HoldingForm form(context.form, context.stop);
    ResultFilter({form, context.globals, context.filterWindowInstance, context.stop});
}

Text longBox()
{
    Text box;
    for (int i = 0; i < LongBoxLines; ++i)
        box += "line " + std::to_string(i) + "\r\n";
    return box;
}

// The user clicks 过滤 with a long box: FilterWindow opens modally and its
// pass fills it. Says "filtering" once the pass has written its first lines;
// on "go" the user chooses 退出 in the tray menu (MainWindow goes, the
// modal FilterWindow stays) and then closes FilterWindow, which ends the
// program while the pass still has lines to write.
void filterThenExit(QtProgramParts& parts, std::unique_ptr<GoSignal>& go)
{
    parts.form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, longBox());
    test::userTypes(controlOf(parts, Window::MainWindow, Control::编辑框4), QStringLiteral("#"));
    auto* watch = new QTimer(QCoreApplication::instance());
    QObject::connect(watch, &QTimer::timeout, [&parts, watch] {
        if (!parts.form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text).empty()) {
            watch->deleteLater();
            say("filtering");
        }
    });
    watch->start(5);
    go = std::make_unique<GoSignal>([&parts] {
        chooseExitInTheTrayMenu(parts);
        [[maybe_unused]] const bool gone =
            QTest::qWaitFor([&] { return parts.form.widget(Window::MainWindow) == nullptr; }, 5000);
        const TextList written =
            splitText(parts.form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text), "\r\n");
        say("main window gone: " + std::to_string(gone) +
            ", pass unfinished: " + std::to_string(listCount(written) < LongBoxLines));
        sayEnding();
        parts.form.widget(Window::FilterWindow)->close();
    });
    QTest::mouseClick(controlOf(parts, Window::MainWindow, Control::按钮3), Qt::LeftButton);
}

std::unique_ptr<GoSignal> go;

QtProgramOptions scenario(const std::string& name)
{
    QtProgramOptions options;
    if (name == "close-during-fetch" || name == "exit-during-fetch") {
        const bool closeButton = name == "close-during-fetch";
        options.started = [closeButton](QtProgramParts& parts) {
            startMining(parts);
            go = std::make_unique<GoSignal>([&parts, closeButton] {
                sayEnding();
                if (closeButton)
                    parts.form.widget(Window::MainWindow)->close();
                else
                    chooseExitInTheMenuBar(parts);
            });
        };
    } else if (name == "exit-during-filter-pass") {
        options.started = [](QtProgramParts& parts) { filterThenExit(parts, go); };
    } else if (name == "exit-during-fetch-and-filter-pass") {
        options.started = [](QtProgramParts& parts) {
            startMining(parts);
            filterThenExit(parts, go);
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
    QtProgramOptions options = scenario(argv[1]);
    if (!options.started)
        return 2;
    server = std::make_unique<test::FaultServer>(test::FaultServer::stayQuiet());
    const std::string prefix = server->url("/s?wd=");
    options.procedures.searchUrlPrefix = prefix;
    options.procedures.resultFilter = heldResultFilter;
    const int code = runQtProgram(std::move(options));
    go.reset();
    say("loop ended, globals released: " + std::to_string(globalsReleased()));
    say("requests received: " + std::to_string(server->requests().size()));
    server.reset();
    return code;
}
