#include "bench/bench_modes.h"
#include "bench/process_tools.h"
#include "bench/status_clock.h"
#include "mining/mining_run.h"
#include "text/gbk_texts.h"
#include "tools/offline_engine/engine_server.h"
#include "tools/offline_engine/gbk_encode.h"
#include "ui/headless_form_model.h"

namespace kw::bench {

Figures measureHeadless(const BenchOptions& options)
{
    engine::OfflineEngine searchEngine(std::make_shared<engine::SyntheticKeywordGraph>(options.graphSize));
    searchEngine.start(0);
    const std::string prefix = searchEngine.searchUrlPrefix();

    HeadlessFormModel form;
    form.loadWindow(Window::MainWindow, false);
    form.userSetText(Window::MainWindow, Control::编辑框1, engine::utf8ToGbk(u8"手机"));
    StatusClock clock(form);
    Globals globals;

    const auto started = Clock::now();
    MiningRun({clock, globals, prefix, {}});
    const double wall = secondsBetween(started, Clock::now());
    const IterationTimes times = iterationTimes(clock.stamps());

    // Iteration i >= 2 searched member i - 1.
    std::vector<Text> searched = globals.KeywordList.members();
    searched.resize(
        std::min<std::size_t>(searched.size(), static_cast<std::size_t>(std::max(0, times.iterations - 1))));
    writeKeywords(options.keywordFile, searched);

    const bool finished =
        form.readProperty(Window::MainWindow, Control::标签1, TextProperty::caption) == gbk::StatusFinished;
    Figures figures;
    figures.add("finished", finished ? 1 : 0);
    figures.add("iterations", times.iterations);
    figures.add("requests", static_cast<double>(searchEngine.requestCount()));
    figures.add("keywords", globals.KeywordList.count() - 1);
    figures.add("box_bytes", static_cast<double>(
                                 form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text).size()));
    addRunFigures(figures, times, wall);
    figures.add("peak_mib", peakMemoryMiB());
    return figures;
}

} // namespace kw::bench
