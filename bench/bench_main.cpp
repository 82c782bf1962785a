// The benchmark of the mining run and the filter pass against the offline
// search engine on loopback. Without a mode it runs every measurement in a
// process of its own, three times, and prints the medians; --quick does one
// round on a small graph that runs out (the test suite's check).
//
//   kw_bench [--quick]
//   kw_bench floor|headless|program --graph N [--keywords FILE]
#include "bench/bench_modes.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    using namespace kw::bench;
    // The engine is on this machine: never ask a proxy that the
    // environment may name.
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    if (argc < 2 || std::strcmp(argv[1], "--quick") == 0)
        return runAllMeasurements(argc >= 2);

    const std::string mode = argv[1];
    BenchOptions options;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--graph")
            options.graphSize = std::stoul(argv[i + 1]);
        else if (option == "--keywords")
            options.keywordFile = argv[i + 1];
    }
    Figures figures;
    if (mode == "floor")
        figures = measureFloor(options);
    else if (mode == "headless")
        figures = measureHeadless(options);
    else if (mode == "program")
        figures = measureProgram(argc, argv, options);
    else {
        std::cerr << "unknown mode " << mode << "\n";
        return 2;
    }
    figures.print(std::cout);
    return 0;
}
