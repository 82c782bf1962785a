#include "bench/bench_modes.h"
#include "bench/event_loop_stall.h"
#include "bench/process_tools.h"
#include "bench/status_clock.h"
#include "mining/mining_run.h"
#include "text/gbk_texts.h"
#include "tools/offline_engine/engine_server.h"
#include "tools/offline_engine/gbk_encode.h"
#include "ui/qt/qt_program.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <atomic>
#include <memory>
#include <mutex>

namespace kw::bench {

namespace {

// What the workers report to the GUI thread: when the run and the filter
// pass ended, and what they found.
struct WorkerReports {
    std::mutex mutex;
    std::vector<Clock::time_point> statusStamps;
    Clock::time_point runEnded;
    int keywords = 0;
    Clock::time_point passEnded;
    std::atomic<bool> runDone{false};
    std::atomic<bool> passDone{false};
};

// The user's part, on the GUI thread: type the seed, click 按钮1, wait for
// the run; type both filter texts, click 按钮3, wait for the pass and close
// FilterWindow; then leave the program through its menu.
class UserSession {
public:
    UserSession(QtProgramParts& parts, WorkerReports& reports, Figures& figures)
        : parts_(parts), reports_(reports), figures_(figures)
    {
    }

    void begin()
    {
        typeInto(Control::编辑框1, u8"手机");
        stall_ = std::make_unique<EventLoopStall>();
        runStarted_ = Clock::now();
        button(Window::MainWindow, Control::按钮1)->click();
        waitFor([this] { return reports_.runDone.load() && widgetsShowEverything(); }, [this] { runEnded(); });
    }

private:
    template <typename Control_> Control_* widget(Window window, Control control)
    {
        return dynamic_cast<Control_*>(parts_.form.widget(window)->controlWidget(control));
    }
    QPushButton* button(Window window, Control control) { return widget<QPushButton>(window, control); }

    void typeInto(Control control, std::u8string_view utf8)
    {
        auto* line = widget<QLineEdit>(Window::MainWindow, control);
        line->setFocus();
        // One key event that carries the whole text, as an input method
        // hands over a composed word.
        QTest::sendKeyEvent(
            QTest::Click, line, Qt::Key_unknown,
            QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()), static_cast<qsizetype>(utf8.size())),
            Qt::NoModifier);
    }

    // Whether the widgets show every change the workers made.
    bool widgetsShowEverything() { return parts_.form.widgetsShowEverything(); }

    // Checks the condition at every turn of the event loop, then goes on.
    void waitFor(std::function<bool()> condition, std::function<void()> then)
    {
        auto* poll = new QTimer(parts_.form.widget(Window::MainWindow));
        poll->setInterval(1);
        QObject::connect(poll, &QTimer::timeout, [poll, condition = std::move(condition), then = std::move(then)] {
            if (!condition())
                return;
            poll->stop();
            poll->deleteLater();
            then();
        });
        poll->start();
    }

    void runEnded()
    {
        const auto shown = Clock::now();
        figures_.add("gui_stall_ms", stall_->longestMs());
        figures_.add("gui_stall_busy_ms", stall_->longestBusyMs());
        std::vector<Clock::time_point> stamps;
        Clock::time_point ended;
        {
            std::lock_guard lock(reports_.mutex);
            stamps = reports_.statusStamps;
            ended = reports_.runEnded;
            figures_.add("keywords", reports_.keywords);
        }
        const IterationTimes times = iterationTimes(stamps);
        const double wall = secondsBetween(runStarted_, ended);
        const Text box = parts_.form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
        figures_.add("finished", parts_.form.readProperty(Window::MainWindow, Control::标签1, TextProperty::caption) ==
                                         gbk::StatusFinished
                                     ? 1
                                     : 0);
        figures_.add("iterations", times.iterations);
        figures_.add("box_bytes", static_cast<double>(box.size()));
        figures_.add("box_lines_shown",
                     widget<QPlainTextEdit>(Window::MainWindow, Control::编辑框2)->document()->blockCount() - 1);
        addRunFigures(figures_, times, wall);
        figures_.add("shown_after_s", secondsBetween(ended, shown));
        figures_.add("run_peak_mib", peakMemoryMiB());

        typeInto(Control::编辑框4, u8"价格");
        typeInto(Control::编辑框5, u8"手机");
        // The click returns once FilterWindow is closed again; the pass is
        // watched from inside its modal loop.
        QTimer::singleShot(0, [this] {
            stall_->restart();
            waitFor([this] { return reports_.passDone.load() && widgetsShowEverything(); }, [this] { passEnded(); });
        });
        filterStarted_ = Clock::now();
        button(Window::MainWindow, Control::按钮3)->click();
        figures_.add("peak_mib", peakMemoryMiB());
        parts_.handlers.menuCommand(MenuItem::退出);
    }

    void passEnded()
    {
        figures_.add("filter_pass_s", secondsBetween(filterStarted_, Clock::now()));
        figures_.add("filter_gui_stall_ms", stall_->longestMs());
        figures_.add("filter_gui_stall_busy_ms", stall_->longestBusyMs());
        const Text count = parts_.form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption);
        figures_.add("filter_lines", std::stod(count.empty() ? "0" : count));
        figures_.add(
            "filter_output_lines",
            listCount(splitText(parts_.form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text),
                                "\r\n")));
        figures_.add("filter_output_lines_shown",
                     widget<QPlainTextEdit>(Window::FilterWindow, Control::编辑框1)->document()->blockCount() - 1);
        parts_.form.widget(Window::FilterWindow)->close();
    }

    QtProgramParts& parts_;
    WorkerReports& reports_;
    Figures& figures_;
    std::unique_ptr<EventLoopStall> stall_;
    Clock::time_point runStarted_;
    Clock::time_point filterStarted_;
};

} // namespace

Figures measureProgram(int argc, char** argv, const BenchOptions& options)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    engine::OfflineEngine searchEngine(std::make_shared<engine::SyntheticKeywordGraph>(options.graphSize));
    searchEngine.start(0);
    const std::string prefix = searchEngine.searchUrlPrefix();

    WorkerReports reports;
    Figures figures;
    std::unique_ptr<UserSession> session;
    QtProgramOptions program;
    program.procedures.searchUrlPrefix = prefix;
    program.procedures.miningRun = [&reports](const MiningRunContext& context) {
        StatusClock clock(context.form);
        MiningRun({clock, context.globals, context.searchUrlPrefix, context.stop});
        {
            std::lock_guard lock(reports.mutex);
            reports.runEnded = Clock::now();
            reports.statusStamps = clock.stamps();
            reports.keywords = context.globals.KeywordList.count() - 1;
        }
        reports.runDone = true;
    };
    program.procedures.resultFilter = [&reports](const FilterPassContext& context) {
        ResultFilter(context);
        {
            std::lock_guard lock(reports.mutex);
            reports.passEnded = Clock::now();
        }
        reports.passDone = true;
    };
    program.started = [&](QtProgramParts& parts) {
        session = std::make_unique<UserSession>(parts, reports, figures);
        session->begin();
    };
    runQtProgram(std::move(program));
    return figures;
}

} // namespace kw::bench
