#pragma once
// Lets workers of one kind take turns with a shared global: each holds a
// place in line from its start to its end, and goes ahead only when every
// place taken before its own has been left. Waiting blocks on a condition
// variable and gives up when the waiter's stop is requested.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>
#include <stop_token>
#include <utility>

namespace kw {

class TurnQueue {
public:
    // One worker's place; its end leaves the line, whether the worker has
    // had its turn or gave up before. A moved-from place holds none.
    class Place {
    public:
        ~Place();
        Place(Place&& other) noexcept : queue_(std::exchange(other.queue_, nullptr)), number_(other.number_) {}
        Place& operator=(Place&&) = delete;

        // True when every place taken before this one has been left.
        bool hasTurn() const;
        // Blocks until hasTurn(); false when stop was requested first.
        bool waitForTurn(std::stop_token stop);

    private:
        friend class TurnQueue;
        Place(TurnQueue& queue, std::uint64_t number) : queue_(&queue), number_(number) {}

        TurnQueue* queue_;
        std::uint64_t number_;
    };

    // Takes the next place, behind every place taken so far.
    [[nodiscard]] Place join();

private:
    bool isFirstLocked(std::uint64_t number) const { return *inLine_.begin() == number; }

    std::mutex mutex_;
    std::condition_variable_any placeLeft_;
    std::uint64_t nextNumber_ = 0;
    std::set<std::uint64_t> inLine_; // taken and not yet left
};

} // namespace kw
