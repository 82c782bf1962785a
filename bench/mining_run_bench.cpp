// A full mining run on the headless form model against the offline engine
// (in-process, loopback, no latency): how long 10000 iterations take and
// how many keywords they find. Usage: mining_run_bench [graph-size]
#include "mining/mining_run.h"
#include "text/gbk_texts.h"
#include "tools/offline_engine/engine_server.h"
#include "tools/offline_engine/gbk_encode.h"
#include "ui/headless_form_model.h"

#include <chrono>
#include <cstdlib>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace kw;
    const std::size_t graphSize = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 0;
    engine::OfflineEngine searchEngine(std::make_shared<engine::SyntheticKeywordGraph>(graphSize));
    searchEngine.start(0);

    HeadlessFormModel form;
    form.loadWindow(Window::MainWindow, false);
    form.userSetText(Window::MainWindow, Control::编辑框1, engine::utf8ToGbk(u8"手机"));
    Globals globals;
    const std::string prefix = searchEngine.searchUrlPrefix();

    const auto started = std::chrono::steady_clock::now();
    MiningRun({form, globals, prefix, {}});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);

    const Text box = form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
    std::cout << "iterations: " << globals.IterationCounter - 1 << "\n"
              << "requests: " << searchEngine.requestCount() << "\n"
              << "keywords found: " << globals.KeywordList.count() - 1 << "\n"
              << "result box: " << box.size() << " bytes\n"
              << "final status is "
              << (form.readProperty(Window::MainWindow, Control::标签1, TextProperty::caption) == gbk::StatusFinished
                      ? "finished"
                      : "something else")
              << "\n"
              << "took: " << took.count() << " ms\n";
    return 0;
}
