#pragma once
// Holds a worker at a chosen point until the test lets it go on, so that the
// test can act while the worker stands still, without sleeping. Every wait on
// the test's side has a timeout, so a fault shows as a failure, not as a hung
// test; a worker's wait also ends when its stop token asks it to.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

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

    // On the worker: true when the gate opened; false on stop or timeout.
    bool wait(std::stop_token stop, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, stop, timeout, [&] { return open_; });
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
    std::condition_variable_any changed_;
    bool arrived_ = false;
    bool open_ = false;
};

// Counts events and lets a test wait for a number of them.
class Counter {
public:
    void add()
    {
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }
    int count()
    {
        std::lock_guard lock(mutex_);
        return count_;
    }
    bool waitFor(int atLeast, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return count_ >= atLeast; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

} // namespace kw::test
