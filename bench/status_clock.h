#pragma once
// Stamps the time of every status write of a mining run. The run writes
// MainWindow's 标签1 once per iteration, after the iteration's fetch, and
// once more with its final status, so the stamps mark the iterations'
// boundaries. It stands between the run and the real form model and passes
// every operation on unchanged.

#include "bench/figures.h"
#include "ui/forwarding_form_model.h"

#include <chrono>
#include <mutex>
#include <vector>

namespace kw::bench {

using Clock = std::chrono::steady_clock;

class StatusClock final : public ForwardingFormModel {
public:
    explicit StatusClock(FormModel& inner) : ForwardingFormModel(inner) {}

    void writeProperty(WindowRef window, Control control, TextProperty property, std::string_view value) override;
    using ForwardingFormModel::writeProperty;

    std::vector<Clock::time_point> stamps();

private:
    std::mutex mutex_;
    std::vector<Clock::time_point> stamps_;
};

// How the iterations of one run went, in seconds, from its status stamps.
// The span is 1000 iterations, or a tenth of a shorter run.
struct IterationTimes {
    int iterations = 0;
    int span = 0;
    double firstSpan = 0;
    double lastSpan = 0;
};
IterationTimes iterationTimes(const std::vector<Clock::time_point>& stamps);

// The figures every run reports: its rate and the cost of its first and
// last spans of iterations, with their ratio.
void addRunFigures(Figures& figures, const IterationTimes& times, double wallSeconds);

double secondsBetween(Clock::time_point from, Clock::time_point to);

} // namespace kw::bench
