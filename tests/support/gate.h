#pragma once
// Holds a worker at a chosen point until the test lets it go on, so that the
// test can act while the worker stands still, without sleeping.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kw::test {

class Gate {
public:
    // On the worker: reports the arrival and waits until the gate is open.
    void arriveAndWait()
    {
        std::unique_lock lock(mutex_);
        arrived_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }

    // On the test: true once a worker has arrived, false after the timeout.
    bool waitForArrival(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return arrived_; });
    }

    void open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool arrived_ = false;
    bool open_ = false;
};

} // namespace kw::test
