// The offline search engine as a program: serves result pages on
// 127.0.0.1 until interrupted. Prints the bound port as the first line of
// its output.
#include "tools/offline_engine/engine_server.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void usage()
{
    std::cerr << "usage: offline_engine [--port N] [--graph-size N] [--latency-ms N] [--status N]\n"
                 "                      [--no-content-length] [--content-length TEXT] [--nul-at N]\n"
                 "                      [--break-after N] [--endless-body] [--redirects N] [--pad-to N]\n"
                 "Serves GBK result pages at http://127.0.0.1:PORT/s?wd= (port 0 picks a free one).\n";
}

} // namespace

int main(int argc, char** argv)
{
    using namespace kw::engine;
    unsigned long port = 0;
    std::size_t graphSize = 0;
    EngineOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&] { return std::stoul(value()); };
        try {
            if (option == "--port")
                port = number();
            else if (option == "--graph-size")
                graphSize = number();
            else if (option == "--latency-ms")
                options.latency = std::chrono::milliseconds(number());
            else if (option == "--status")
                options.statusCode = static_cast<int>(number());
            else if (option == "--no-content-length")
                options.sendContentLength = false;
            else if (option == "--content-length")
                options.contentLengthValue = value();
            else if (option == "--nul-at")
                options.nulAt = number();
            else if (option == "--break-after")
                options.breakAfter = number();
            else if (option == "--endless-body")
                options.endlessBody = true;
            else if (option == "--redirects")
                options.redirects = static_cast<int>(number());
            else if (option == "--pad-to")
                options.padTo = number();
            else {
                usage();
                return option == "--help" ? 0 : 2;
            }
        } catch (const std::logic_error&) {
            usage();
            return 2;
        }
    }
    if (port > 65535) {
        usage();
        return 2;
    }

    // The signals that end the engine are taken by sigwait below, in this
    // thread only: block them before any other thread starts.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    try {
        OfflineEngine engine(std::make_shared<SyntheticKeywordGraph>(graphSize), options);
        engine.start(static_cast<std::uint16_t>(port));
        std::cout << engine.port() << std::endl;
        std::cerr << "offline engine: " << engine.searchUrlPrefix() << " (stop with Ctrl-C)" << std::endl;
        int received = 0;
        sigwait(&endSignals, &received);
        engine.stop();
    } catch (const std::exception& error) {
        std::cerr << "offline engine: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}
