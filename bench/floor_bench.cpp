#include "bench/bench_modes.h"
#include "bench/process_tools.h"
#include "bench/status_clock.h"
#include "mining/fetch.h"
#include "mining/search_url.h"
#include "tools/offline_engine/engine_server.h"

namespace kw::bench {

Figures measureFloor(const BenchOptions& options)
{
    engine::OfflineEngine searchEngine(std::make_shared<engine::SyntheticKeywordGraph>(options.graphSize));
    searchEngine.start(0);
    const std::string prefix = searchEngine.searchUrlPrefix();
    std::vector<std::string> urls;
    for (const Text& keyword : readKeywords(options.keywordFile))
        urls.push_back(searchUrl(prefix, keyword));

    std::size_t bodyBytes = 0;
    std::vector<Clock::time_point> stamps;
    stamps.reserve(urls.size() + 1);
    stamps.push_back(Clock::now());
    for (const std::string& url : urls) {
        bodyBytes += fetchUrl(url).size();
        stamps.push_back(Clock::now());
    }
    const double wall = secondsBetween(stamps.front(), stamps.back());
    const IterationTimes times = iterationTimes(stamps);

    Figures figures;
    figures.add("requests", static_cast<double>(urls.size()));
    figures.add("body_mib", static_cast<double>(bodyBytes) / (1024.0 * 1024.0));
    figures.add("wall_s", wall);
    figures.add("requests_per_s", static_cast<double>(urls.size()) / wall);
    figures.add("first1000_s", times.firstSpan);
    figures.add("last1000_s", times.lastSpan);
    return figures;
}

} // namespace kw::bench
