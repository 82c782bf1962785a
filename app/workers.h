#pragma once
// The worker threads that run the two long procedures, the mining run and
// the filter pass. Each start makes a new thread that begins at once. Every
// thread is kept (a std::jthread) so that shutdown can ask it to stop through
// its stop token and wait for it before the globals are released.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace kw {

using WorkerRoutine = std::function<void(std::stop_token)>;

// One worker thread and whether its routine has returned yet.
class WorkerThread {
public:
    bool running() const { return thread_.joinable() && !finished_->load(std::memory_order_acquire); }
    bool holdsThread() const { return thread_.joinable(); }
    void requestStop() { thread_.request_stop(); }
    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    friend bool startWorker(WorkerRoutine routine, WorkerThread& handleSlot);
    std::shared_ptr<std::atomic<bool>> finished_ = std::make_shared<std::atomic<bool>>(false);
    std::jthread thread_;
};

// Creates a thread that runs routine at once and stores it in handleSlot,
// which must hold no thread. Returns false, and leaves the slot empty, when
// no thread could be created.
bool startWorker(WorkerRoutine routine, WorkerThread& handleSlot);

class Workers {
public:
    Workers() = default;
    ~Workers() { shutdown(); }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Starts a mining run unless the previous one is still active: two runs
    // would walk the same KeywordList and CandidateSlots. True when a thread
    // was started.
    bool startMining(WorkerRoutine routine);
    // Starts a filter pass on a thread of its own. An older pass that is
    // still running is kept; the pass itself waits for it before it replaces
    // FilterLineList.
    bool startFilterPass(WorkerRoutine routine);
    // The filter window went away: every pass filling it is asked to stop.
    void stopFilterPasses();

    bool miningActive();
    // Threads started and not yet reaped, running or not (for tests).
    std::size_t keptThreads();

    // Asks every worker to stop, then waits for each. Starts after this
    // start nothing.
    void shutdown();

private:
    // Joins the kept filter passes whose routine has returned.
    void reapLocked();

    std::mutex mutex_;
    bool shutDown_ = false;
    WorkerThread MiningThreadHandle;
    WorkerThread FilterThreadHandle;
    std::vector<WorkerThread> olderFilterPasses_;
};

} // namespace kw
