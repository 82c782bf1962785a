#include "app/turn_queue.h"

namespace kw {

TurnQueue::Place TurnQueue::join()
{
    std::lock_guard lock(mutex_);
    const std::uint64_t number = nextNumber_++;
    inLine_.insert(number);
    return Place(*this, number);
}

TurnQueue::Place::~Place()
{
    if (!queue_)
        return;
    {
        std::lock_guard lock(queue_->mutex_);
        queue_->inLine_.erase(number_);
    }
    // Every waiter re-checks: the one now first goes ahead, the others wait on.
    queue_->placeLeft_.notify_all();
}

bool TurnQueue::Place::hasTurn() const
{
    std::lock_guard lock(queue_->mutex_);
    return queue_->isFirstLocked(number_);
}

bool TurnQueue::Place::waitForTurn(std::stop_token stop)
{
    std::unique_lock lock(queue_->mutex_);
    return queue_->placeLeft_.wait(lock, stop, [&] { return queue_->isFirstLocked(number_); });
}

} // namespace kw
