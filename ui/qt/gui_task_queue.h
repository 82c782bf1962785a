#pragma once
// Carries work over to the GUI thread for other threads and waits for it.
//
// A worker puts its task into the queue (a std::mutex guards it), wakes the
// GUI thread through an eventfd that a QSocketNotifier on the GUI thread
// watches, and waits on a std::condition_variable until the task has run or
// the queue has shut down. The GUI thread runs queued tasks whenever its
// event loop turns, also inside nested loops (a modal window, a dialog, a
// message box, a popup menu). The hand-off uses only std primitives and a
// file descriptor, so ThreadSanitizer sees every synchronisation; no Qt
// object crosses threads.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QSocketNotifier;

namespace kw {

class GuiTaskQueue {
public:
    // On the GUI thread.
    GuiTaskQueue();
    ~GuiTaskQueue();
    GuiTaskQueue(const GuiTaskQueue&) = delete;
    GuiTaskQueue& operator=(const GuiTaskQueue&) = delete;

    bool onGuiThread() const { return std::this_thread::get_id() == guiThread_; }

    // Runs task on the GUI thread and returns once it has run: directly when
    // called there, else through the queue. After shutdown, and for a task
    // still queued when shutdown comes, the task is dropped and the call
    // returns false at once.
    bool run(const std::function<void()>& task);
    // Queues task for the GUI thread and returns at once (also when called
    // on the GUI thread). Dropped after shutdown.
    void post(std::function<void()> task);

    // From now on every task is dropped, and every waiting caller is
    // released. Called on the GUI thread.
    void shutdown();
    bool isShutDown();

    // Runs the tasks queued so far (the GUI thread does this when woken).
    void runQueued();
    // Tasks waiting to be run.
    std::size_t queuedCount();

private:
    struct Pending {
        std::function<void()> task;
        bool finished = false;
        bool dropped = false;
        bool waited = false;
    };

    void wakeLocked();

    const std::thread::id guiThread_;
    int wakeFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;

    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<std::shared_ptr<Pending>> queue_;
    bool wakePending_ = false;
    bool shutDown_ = false;
};

} // namespace kw
