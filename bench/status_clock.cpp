#include "bench/status_clock.h"

#include <algorithm>

namespace kw::bench {

void StatusClock::writeProperty(WindowRef window, Control control, TextProperty property, std::string_view value)
{
    ForwardingFormModel::writeProperty(window, control, property, value);
    if (window.window == Window::MainWindow && control == Control::标签1) {
        std::lock_guard lock(mutex_);
        stamps_.push_back(Clock::now());
    }
}

std::vector<Clock::time_point> StatusClock::stamps()
{
    std::lock_guard lock(mutex_);
    return stamps_;
}

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

IterationTimes iterationTimes(const std::vector<Clock::time_point>& stamps)
{
    IterationTimes times;
    if (stamps.size() < 2)
        return times;
    // Stamp k (from 0) ends iteration k's fetch; the last one is the final
    // status. Iteration 1 makes no request, so spans start at its stamp.
    times.iterations = static_cast<int>(stamps.size()) - 1;
    times.span = std::max(1, std::min(1000, times.iterations / 10));
    const auto span = static_cast<std::size_t>(times.span);
    const std::size_t last = stamps.size() - 1;
    times.firstSpan = secondsBetween(stamps[0], stamps[span]);
    times.lastSpan = secondsBetween(stamps[last - span], stamps[last]);
    return times;
}

void addRunFigures(Figures& figures, const IterationTimes& times, double wallSeconds)
{
    figures.add("wall_s", wallSeconds);
    figures.add("iterations_per_s", times.iterations / wallSeconds);
    figures.add("span", times.span);
    figures.add("first1000_s", times.firstSpan);
    figures.add("last1000_s", times.lastSpan);
    figures.add("growth", times.lastSpan / times.firstSpan);
}

} // namespace kw::bench
