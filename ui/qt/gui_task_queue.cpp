#include "ui/qt/gui_task_queue.h"

#include <QSocketNotifier>

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

namespace kw {

GuiTaskQueue::GuiTaskQueue() : guiThread_(std::this_thread::get_id())
{
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { runQueued(); });
}

GuiTaskQueue::~GuiTaskQueue()
{
    shutdown();
    notifier_.reset();
    ::close(wakeFd_);
}

void GuiTaskQueue::wakeLocked()
{
    if (wakePending_)
        return;
    wakePending_ = true;
    const std::uint64_t one = 1;
    // The counter cannot overflow: it is reset at every wake-up. A failed
    // write leaves an earlier, still unread wake-up in place.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

bool GuiTaskQueue::run(const std::function<void()>& task)
{
    if (onGuiThread()) {
        if (isShutDown())
            return false;
        task();
        return true;
    }
    auto pending = std::make_shared<Pending>();
    pending->task = task;
    pending->waited = true;
    std::unique_lock lock(mutex_);
    if (shutDown_)
        return false;
    queue_.push_back(pending);
    wakeLocked();
    done_.wait(lock, [&] { return pending->finished || pending->dropped; });
    return pending->finished;
}

void GuiTaskQueue::post(std::function<void()> task)
{
    auto pending = std::make_shared<Pending>();
    pending->task = std::move(task);
    std::lock_guard lock(mutex_);
    if (shutDown_)
        return;
    queue_.push_back(std::move(pending));
    wakeLocked();
}

void GuiTaskQueue::runQueued()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd_, &count, sizeof count);
    std::size_t due = 0;
    {
        std::lock_guard lock(mutex_);
        wakePending_ = false;
        due = queue_.size();
    }
    // One task at a time, taken under the lock and run outside it: a task
    // may open a nested loop that comes back here. Only the tasks queued
    // before this turn are run; those queued meanwhile (they have woken the
    // loop again) wait for the next turn, so that tasks queued without end
    // cannot keep the loop from serving its other events.
    for (; due > 0; --due) {
        std::shared_ptr<Pending> pending;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty() || shutDown_)
                return;
            pending = std::move(queue_.front());
            queue_.pop_front();
        }
        pending->task();
        {
            std::lock_guard lock(mutex_);
            pending->finished = true;
        }
        if (pending->waited)
            done_.notify_all();
    }
}

void GuiTaskQueue::shutdown()
{
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        for (const auto& pending : queue_)
            pending->dropped = true;
        queue_.clear();
    }
    done_.notify_all();
}

std::size_t GuiTaskQueue::queuedCount()
{
    std::lock_guard lock(mutex_);
    return queue_.size();
}

bool GuiTaskQueue::isShutDown()
{
    std::lock_guard lock(mutex_);
    return shutDown_;
}

} // namespace kw
