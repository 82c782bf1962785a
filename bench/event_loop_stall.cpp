#include "bench/event_loop_stall.h"

#include <algorithm>

namespace kw::bench {

namespace {
constexpr int TickMs = 1;
}

EventLoopStall::EventLoopStall()
{
    ticks_.setTimerType(Qt::PreciseTimer);
    ticks_.setInterval(TickMs);
    QObject::connect(&ticks_, &QTimer::timeout, [this] {
        const qint64 now = clock_.nsecsElapsed();
        longestNs_ = std::max(longestNs_, now - lastTickNs_ - qint64{TickMs} * 1000000);
        lastTickNs_ = now;
    });
    restart();
    ticks_.start();
}

void EventLoopStall::restart()
{
    clock_.start();
    lastTickNs_ = 0;
    longestNs_ = 0;
}

} // namespace kw::bench
