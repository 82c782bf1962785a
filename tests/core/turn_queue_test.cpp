// Taking turns: places go ahead in the order they were taken, a place that
// leaves early lets the next one on, and a waiter gives up on stop.
#include "app/turn_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <thread>

namespace kw {
namespace {

using namespace std::chrono_literals;

TEST(TurnQueue, PlacesHaveTheirTurnInTheOrderTheyWereTaken)
{
    TurnQueue queue;
    std::optional<TurnQueue::Place> first(queue.join());
    std::optional<TurnQueue::Place> second(queue.join());
    std::optional<TurnQueue::Place> third(queue.join());
    EXPECT_TRUE(first->hasTurn());
    EXPECT_FALSE(second->hasTurn());
    EXPECT_FALSE(third->hasTurn());

    second.reset(); // leaves before its turn came
    EXPECT_TRUE(first->hasTurn());
    EXPECT_FALSE(third->hasTurn());

    first.reset();
    EXPECT_TRUE(third->hasTurn());

    third.reset();
    TurnQueue::Place later = queue.join();
    EXPECT_TRUE(later.hasTurn());
}

TEST(TurnQueue, MovingAPlaceKeepsItInLineOnce)
{
    TurnQueue queue;
    std::optional<TurnQueue::Place> first(queue.join());
    TurnQueue::Place second = queue.join();
    {
        TurnQueue::Place moved(std::move(*first));
        first.reset(); // the moved-from place must not leave on the moved place's behalf
        EXPECT_FALSE(second.hasTurn());
    }
    EXPECT_TRUE(second.hasTurn());
}

// A waiter behind a place that never leaves can only come back through its
// stop, so a result of false shows that it waited.
TEST(TurnQueue, AWaiterGivesUpWhenStopIsRequested)
{
    TurnQueue queue;
    TurnQueue::Place ahead = queue.join();
    std::stop_source stop;
    auto waited = std::async(std::launch::async, [&] {
        TurnQueue::Place mine = queue.join();
        return mine.waitForTurn(stop.get_token());
    });
    stop.request_stop();
    ASSERT_EQ(waited.wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(waited.get());
}

TEST(TurnQueue, AWaiterGoesAheadWhenThePlacesBeforeItLeave)
{
    TurnQueue queue;
    std::optional<TurnQueue::Place> first(queue.join());
    std::optional<TurnQueue::Place> second(queue.join());
    TurnQueue::Place mine = queue.join();
    std::stop_source neverStopped;
    auto waited = std::async(std::launch::async, [&] { return mine.waitForTurn(neverStopped.get_token()); });
    first.reset();
    EXPECT_FALSE(mine.hasTurn());
    second.reset();
    ASSERT_EQ(waited.wait_for(10s), std::future_status::ready);
    EXPECT_TRUE(waited.get());
    EXPECT_FALSE(neverStopped.stop_requested());
}

} // namespace
} // namespace kw
