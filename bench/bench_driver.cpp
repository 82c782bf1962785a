#include "bench/bench_modes.h"
#include "bench/process_tools.h"

#include <unistd.h>

#include <iostream>
#include <sstream>

namespace kw::bench {

namespace {

std::optional<Figures> measureInChild(const std::string& mode, const BenchOptions& options)
{
    std::vector<std::string> arguments{mode, "--graph", std::to_string(options.graphSize)};
    if (!options.keywordFile.empty()) {
        arguments.push_back("--keywords");
        arguments.push_back(options.keywordFile.string());
    }
    const std::optional<std::string> output = runThisProgram(arguments);
    if (!output)
        return std::nullopt;
    std::istringstream lines(*output);
    return Figures::parse(lines);
}

// Copies the figures under the prefix.
void addAll(Figures& to, const std::string& prefix, const Figures& from)
{
    for (const auto& [name, value] : from.all())
        to.add(prefix + name, value);
}

double figure(const Figures& figures, const std::string& name)
{
    return figures.find(name).value_or(0);
}

} // namespace

int runAllMeasurements(bool quick)
{
    BenchOptions options;
    options.graphSize = quick ? 300 : 0;
    options.keywordFile = std::filesystem::temp_directory_path() / ("kw_bench_keywords_" + std::to_string(::getpid()));
    const int repetitions = quick ? 1 : 3;

    std::vector<Figures> measured;
    bool consistent = true;
    for (int repetition = 1; repetition <= repetitions; ++repetition) {
        const std::optional<Figures> headless = measureInChild("headless", options);
        const std::optional<Figures> floor = measureInChild("floor", options);
        const std::optional<Figures> program = measureInChild("program", options);
        if (!headless || !floor || !program) {
            std::cerr << "a measurement failed to run\n";
            std::filesystem::remove(options.keywordFile);
            return 1;
        }
        Figures all;
        addAll(all, "floor_", *floor);
        addAll(all, "headless_", *headless);
        addAll(all, "program_", *program);
        all.add("headless/floor", figure(*headless, "wall_s") / figure(*floor, "wall_s"));
        all.add("program/floor", figure(*program, "wall_s") / figure(*floor, "wall_s"));
        all.add("growth", std::max(figure(*headless, "growth"), figure(*program, "growth")));
        all.add("gui_stall_ms", figure(*program, "gui_stall_ms"));
        all.add("filter_pass_s", figure(*program, "filter_pass_s"));
        all.add("program_peak_mib", figure(*program, "peak_mib"));

        std::cout << "run " << repetition << ": floor " << figure(*floor, "wall_s") << " s for "
                  << figure(*floor, "requests") << " requests; headless " << figure(*headless, "wall_s") << " s, "
                  << figure(*headless, "keywords") << " keywords; program " << figure(*program, "wall_s") << " s, "
                  << figure(*program, "keywords") << " keywords, filter pass " << figure(*program, "filter_pass_s")
                  << " s" << std::endl;

        // The program must find what the headless run found, and show it.
        const double keywords = figure(*headless, "keywords");
        const double lines = figure(*program, "filter_output_lines");
        consistent = consistent && figure(*headless, "finished") == 1 && figure(*program, "finished") == 1 &&
                     keywords > 0 && figure(*program, "keywords") == keywords &&
                     figure(*program, "box_lines_shown") == keywords && figure(*program, "filter_lines") == keywords &&
                     lines > 0 && figure(*program, "filter_output_lines_shown") == lines;
        measured.push_back(std::move(all));
    }
    std::filesystem::remove(options.keywordFile);

    std::cout << "medians of " << repetitions << (repetitions == 1 ? " run" : " runs") << ":\n";
    medians(measured).print(std::cout);
    if (!consistent) {
        std::cerr << "the runs disagree about what they found or showed\n";
        return 1;
    }
    return 0;
}

} // namespace kw::bench
