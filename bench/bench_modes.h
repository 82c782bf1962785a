#pragma once
// The measurements of the benchmark. Each runs in a process of its own, so
// that its peak memory is its own, and prints its figures.

#include "bench/figures.h"

#include <cstddef>
#include <filesystem>

namespace kw::bench {

struct BenchOptions {
    // The offline engine's keyword graph: 0 is the full graph, which a
    // 10000-iteration run does not exhaust.
    std::size_t graphSize = 0;
    // The keywords the headless run searched for, in order, which the floor
    // then requests again.
    std::filesystem::path keywordFile;
};

// A bare sequential loop of fetchUrl over the keywords of the headless run.
Figures measureFloor(const BenchOptions& options);
// A full mining run on the headless form model; writes the keyword file.
Figures measureHeadless(const BenchOptions& options);
// The program on the offscreen platform: a mining run started with 按钮1,
// then a filter pass over its result box with both filter boxes set.
Figures measureProgram(int argc, char** argv, const BenchOptions& options);

// Every measurement, three times each (once when quick, on a small graph),
// with the medians at the end. Returns the exit code.
int runAllMeasurements(bool quick);

} // namespace kw::bench
