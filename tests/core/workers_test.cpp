// The worker rules: at most one mining run at a time, a thread per filter
// pass, and a shutdown that stops and waits for every worker.
#include "app/workers.h"
#include "support/gate.h"

#include <gtest/gtest.h>

#include <atomic>

namespace kw {
namespace {

using test::Counter;
using test::Gate;

TEST(Workers, MiningStartWhileARunIsActiveStartsNothing)
{
    Gate release;
    Counter started;
    auto run = [&](std::stop_token stop) {
        started.add();
        release.wait(stop);
    };
    Workers workers; // last: its threads end before what they use goes
    ASSERT_TRUE(workers.startMining(run));
    ASSERT_TRUE(started.waitFor(1));
    EXPECT_FALSE(workers.startMining(run));
    EXPECT_TRUE(workers.miningActive());
    release.open();
    workers.shutdown();
    EXPECT_EQ(started.count(), 1);
}

TEST(Workers, MiningStartsAgainOnceThePreviousRunHasEnded)
{
    Counter ended;
    auto run = [&](std::stop_token) { ended.add(); };
    Workers workers; // last: its threads end before what they use goes
    ASSERT_TRUE(workers.startMining(run));
    ASSERT_TRUE(ended.waitFor(1));
    // The run counts as active until its routine has returned, a moment
    // after its last step.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (workers.miningActive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_TRUE(workers.startMining(run));
    ASSERT_TRUE(ended.waitFor(2));
}

TEST(Workers, EachFilterPassRunsOnAThreadOfItsOwnUntilStopped)
{
    Counter running;
    Counter stopped;
    auto pass = [&](std::stop_token stop) {
        running.add();
        Gate never;
        never.wait(stop);
        if (stop.stop_requested())
            stopped.add();
    };
    Workers workers; // last: its threads end before what they use goes
    ASSERT_TRUE(workers.startFilterPass(pass));
    ASSERT_TRUE(workers.startFilterPass(pass));
    ASSERT_TRUE(workers.startFilterPass(pass));
    // All three run at once: none waits for another to be started.
    ASSERT_TRUE(running.waitFor(3));
    EXPECT_EQ(workers.keptThreads(), 3u);

    workers.stopFilterPasses();
    ASSERT_TRUE(stopped.waitFor(3));
}

TEST(Workers, FinishedFilterPassesAreReaped)
{
    Counter ended;
    Workers workers; // last: its threads end before what they use goes
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(workers.startFilterPass([&](std::stop_token) { ended.add(); }));
    ASSERT_TRUE(ended.waitFor(5));
    // Each start reaps the passes that have returned; at most the latest is kept.
    ASSERT_TRUE(workers.startFilterPass([&](std::stop_token) { ended.add(); }));
    ASSERT_TRUE(ended.waitFor(6));
    EXPECT_LE(workers.keptThreads(), 2u);
}

TEST(Workers, ShutdownStopsEveryWorkerAndWaitsForIt)
{
    Counter running;
    std::atomic<int> finished{0};
    auto worker = [&](std::stop_token stop) {
        running.add();
        Gate never;
        never.wait(stop);
        ++finished;
    };
    Workers workers; // last: its threads end before what they use goes
    ASSERT_TRUE(workers.startMining(worker));
    ASSERT_TRUE(workers.startFilterPass(worker));
    ASSERT_TRUE(workers.startFilterPass(worker));
    ASSERT_TRUE(running.waitFor(3));

    workers.shutdown();
    // shutdown returned only after every worker had ended.
    EXPECT_EQ(finished.load(), 3);
    EXPECT_EQ(workers.keptThreads(), 0u);
    EXPECT_FALSE(workers.startMining(worker));
    EXPECT_FALSE(workers.startFilterPass(worker));
}

} // namespace
} // namespace kw
