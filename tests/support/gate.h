#pragma once
// A gate that threads wait at until a test opens it, or until their stop
// token asks them to end; every wait has a timeout so that a fault shows as
// a failure, not as a hung test.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace kw::test {

class Gate {
public:
    void open()
    {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }

    // True when the gate opened; false on stop or timeout.
    bool wait(std::stop_token stop, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, stop, timeout, [&] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable_any changed_;
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
