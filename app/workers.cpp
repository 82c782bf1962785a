#include "app/workers.h"

#include <system_error>
#include <utility>

namespace kw {

bool startWorker(WorkerRoutine routine, WorkerThread& handleSlot)
{
    auto finished = std::make_shared<std::atomic<bool>>(false);
    try {
        handleSlot.thread_ = std::jthread([routine = std::move(routine), finished](std::stop_token stop) {
            routine(stop);
            finished->store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        handleSlot.thread_ = std::jthread();
        return false;
    }
    handleSlot.finished_ = std::move(finished);
    return true;
}

bool Workers::startMining(WorkerRoutine routine)
{
    std::lock_guard lock(mutex_);
    if (shutDown_ || MiningThreadHandle.running())
        return false;
    MiningThreadHandle.join(); // a finished run: its thread is only waiting to be joined
    return startWorker(std::move(routine), MiningThreadHandle);
}

bool Workers::startFilterPass(WorkerRoutine routine)
{
    std::lock_guard lock(mutex_);
    if (shutDown_)
        return false;
    reapLocked();
    if (FilterThreadHandle.holdsThread())
        olderFilterPasses_.push_back(std::exchange(FilterThreadHandle, WorkerThread()));
    reapLocked();
    return startWorker(std::move(routine), FilterThreadHandle);
}

void Workers::stopFilterPasses()
{
    std::lock_guard lock(mutex_);
    FilterThreadHandle.requestStop();
    for (WorkerThread& pass : olderFilterPasses_)
        pass.requestStop();
}

bool Workers::miningActive()
{
    std::lock_guard lock(mutex_);
    return MiningThreadHandle.running();
}

std::size_t Workers::keptThreads()
{
    std::lock_guard lock(mutex_);
    reapLocked();
    return olderFilterPasses_.size() + (MiningThreadHandle.holdsThread() ? 1 : 0) +
           (FilterThreadHandle.holdsThread() ? 1 : 0);
}

void Workers::reapLocked()
{
    std::erase_if(olderFilterPasses_, [](WorkerThread& pass) {
        if (pass.running())
            return false;
        pass.join();
        return true;
    });
}

void Workers::shutdown()
{
    std::vector<WorkerThread> all;
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        all = std::move(olderFilterPasses_);
        olderFilterPasses_.clear();
        all.push_back(std::exchange(MiningThreadHandle, WorkerThread()));
        all.push_back(std::exchange(FilterThreadHandle, WorkerThread()));
    }
    // Stop is asked of every worker before any is waited for, so that the
    // waits overlap.
    for (WorkerThread& worker : all)
        worker.requestStop();
    for (WorkerThread& worker : all)
        worker.join();
}

} // namespace kw
