#include "bench/event_loop_stall.h"

#include <algorithm>
#include <ctime>

namespace kw::bench {

namespace {

constexpr int TickMs = 1;

qint64 threadBusyNs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64{now.tv_sec} * 1000000000 + now.tv_nsec;
}

} // namespace

EventLoopStall::EventLoopStall()
{
    ticks_.setTimerType(Qt::PreciseTimer);
    ticks_.setInterval(TickMs);
    QObject::connect(&ticks_, &QTimer::timeout, [this] {
        const qint64 now = clock_.nsecsElapsed();
        const qint64 busy = threadBusyNs();
        const qint64 stall = now - lastTickNs_ - qint64{TickMs} * 1000000;
        if (stall > longestNs_) {
            longestNs_ = stall;
            longestBusyNs_ = busy - lastTickBusyNs_;
        }
        lastTickNs_ = now;
        lastTickBusyNs_ = busy;
    });
    restart();
    ticks_.start();
}

void EventLoopStall::restart()
{
    clock_.start();
    lastTickNs_ = 0;
    lastTickBusyNs_ = threadBusyNs();
    longestNs_ = 0;
    longestBusyNs_ = 0;
}

} // namespace kw::bench
