// The filter pass on its worker thread, next to what else runs then: a
// mining run appending to the result list, the user closing FilterWindow,
// a reload that starts a second pass, and the program's shutdown.
#include "filter_window_fixture.h"

#include "support/gate.h"
#include "text/gbk_texts.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <future>
#include <optional>
#include <thread>

namespace kw {
namespace {

using namespace std::chrono_literals;
using Record = HeadlessFormModel::Record;
using Op = HeadlessFormModel::Operation;

constexpr auto Patience = 30s;

// 1, 2, ... on the threads of the passes, in the order they were started;
// 0 on every other thread.
thread_local int passNumber = 0;

// Every operation on the form model, with the pass that made it, and the
// moment the held pass was let go, in one order.
class Journal {
public:
    struct Entry {
        int pass;
        std::optional<Record> operation; // none: the gate opened here
    };

    void add(int pass, std::optional<Record> operation)
    {
        std::lock_guard lock(mutex_);
        entries_.push_back({pass, std::move(operation)});
    }

    std::vector<Entry> entries()
    {
        std::lock_guard lock(mutex_);
        return entries_;
    }

private:
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

// Starts a pass on a thread of its own whenever FilterWindow is loaded, with
// that loading's instance, as the program does.
class PassThreads final : public FormEvents {
public:
    PassThreads(FormModel& form, Globals& globals) : form_(form), globals_(globals) {}

    void formCreated(Window window, std::uint64_t instance) override
    {
        if (window != Window::FilterWindow)
            return;
        Pass& pass = passes_.emplace_back();
        const int number = static_cast<int>(passes_.size());
        pass.thread = std::jthread([this, &pass, number, instance](std::stop_token stop) {
            passNumber = number;
            pass.started.set_value();
            ResultFilter({form_, globals_, instance, stop});
            pass.ended.set_value();
        });
    }
    void buttonClick(Window, Control) override {}
    void menuCommand(MenuItem) override {}
    void trayNotify(int) override {}

    bool waitForStart(int number) { return ready(passes_.at(static_cast<std::size_t>(number - 1)).startedSeen); }
    bool waitForEnd(int number) { return ready(passes_.at(static_cast<std::size_t>(number - 1)).endedSeen); }
    void requestStop(int number) { passes_.at(static_cast<std::size_t>(number - 1)).thread.request_stop(); }

private:
    struct Pass {
        std::promise<void> started;
        std::promise<void> ended;
        std::shared_future<void> startedSeen = started.get_future().share();
        std::shared_future<void> endedSeen = ended.get_future().share();
        std::jthread thread; // last: joined before the promises go
    };

    static bool ready(const std::shared_future<void>& seen)
    {
        return seen.wait_for(Patience) == std::future_status::ready;
    }

    FormModel& form_;
    Globals& globals_;
    std::deque<Pass> passes_; // touched by the loading thread only
};

class FilterPassThreadsTest : public test::FilterWindowTest {
protected:
    FilterPassThreadsTest()
    {
        form.setEvents(&passes);
        form.setObserver([this](const Record& r) {
            journal.add(passNumber, r);
            if (passNumber != 0 && onPassOperation)
                onPassOperation(r);
        });
    }
    ~FilterPassThreadsTest() override { gate.open(); }

    // Holds pass `number` at the gate right after its `count`-th operation
    // of this kind on this control.
    void holdAt(int number, Op operation, Control control, std::size_t count)
    {
        onPassOperation = [=, this](const Record& r) {
            if (passNumber == number && r.operation == operation && r.control == control && ++heldPassMatches == count)
                gate.arriveAndWait();
        };
    }
    void holdAtAppend(int number, std::size_t count) { holdAt(number, Op::append, Control::编辑框1, count); }

    std::vector<Record> operationsOf(int number)
    {
        std::vector<Record> operations;
        for (const Journal::Entry& entry : journal.entries()) {
            if (entry.pass == number && entry.operation)
                operations.push_back(*entry.operation);
        }
        return operations;
    }

    void letTheHeldPassGo()
    {
        journal.add(0, std::nullopt);
        gate.open();
    }

    // True when pass `number` made no operation while the held pass stood
    // at the gate.
    bool stoodStillWhileHeld(int number)
    {
        for (const Journal::Entry& entry : journal.entries()) {
            if (!entry.operation)
                return true;
            if (entry.pass == number)
                return false;
        }
        return true;
    }

    Journal journal;
    test::Gate gate;
    std::function<void(const Record&)> onPassOperation; // set before the passes start
    std::atomic<std::size_t> heldPassMatches = 0;
    Text resultsSeenByPass;
    PassThreads passes{form, globals}; // last: its threads end first
};

// What a pass lists for ASCII lines: an independent account of the two
// tests, used where the lines are too many to spell out.
Text expectedListing(std::string_view results, std::string_view exclude, std::string_view include)
{
    Text listing;
    for (std::size_t start = 0; start < results.size();) {
        const std::size_t end = results.find("\r\n", start);
        const std::string_view line = results.substr(start, end - start);
        if (!exclude.empty() && line.find(exclude) == std::string_view::npos)
            listing.append(line).append("\r\n");
        if (!include.empty() && line.find(include) != std::string_view::npos)
            listing.append(line).append("\r\n");
        start = end == std::string_view::npos ? results.size() : end + 2;
    }
    return listing;
}

std::size_t lineCount(std::string_view results)
{
    std::size_t count = 0;
    for (std::size_t at = results.find("\r\n"); at != std::string_view::npos; at = results.find("\r\n", at + 2))
        ++count;
    return count;
}

TEST_F(FilterPassThreadsTest, WorksOnTheResultsAsTheyStoodWhenItReadThem)
{
    setResults(test::numberedLines("kw", 0, 20));
    setFilters("1", "2");
    onPassOperation = [this](const Record& r) {
        if (r.operation == Op::read && r.control == Control::编辑框2) {
            resultsSeenByPass = r.value;
            gate.arriveAndWait();
        }
    };
    // A mining run appends before the pass reads, while it is held just
    // after its read, and while it walks the lines.
    std::jthread mining([this](std::stop_token stop) {
        int next = 20;
        auto appendLines = [&](int count) {
            for (const int last = next + count; next < last && !stop.stop_requested(); ++next)
                form.appendText(Window::MainWindow, Control::编辑框2, test::numberedLines("kw", next, 1));
        };
        appendLines(100);
        if (!gate.waitForArrival(Patience))
            return;
        appendLines(100);
        appendLines(3000);
    });
    loadFilterWindow();
    ASSERT_TRUE(gate.waitForArrival(Patience));
    ASSERT_TRUE(
        form.waitUntil([&] { return form.appendCount(Window::MainWindow, Control::编辑框2) >= 200; }, Patience));
    letTheHeldPassGo();
    ASSERT_TRUE(passes.waitForEnd(1));
    mining.request_stop();
    mining.join();

    const Text finalResults = form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text);
    ASSERT_TRUE(finalResults.starts_with(resultsSeenByPass));
    EXPECT_GE(lineCount(finalResults), lineCount(resultsSeenByPass) + 100);
    EXPECT_EQ(shownCount(), intToText(static_cast<std::int32_t>(lineCount(resultsSeenByPass))));
    EXPECT_EQ(shownLines(), expectedListing(resultsSeenByPass, "1", "2"));
}

enum class Ending { windowClosed, stopRequested };

class FilterPassEndingTest : public FilterPassThreadsTest, public ::testing::WithParamInterface<Ending> {};

// The pass is held between its second reading of 编辑框4 for the third line
// and the append that follows. After the end it may make that one append,
// which goes nowhere when the window is gone, and nothing else.
TEST_P(FilterPassEndingTest, StopsAtOnceAndWritesNothingMore)
{
    setResults(test::numberedLines("line", 0, 1000));
    setFilters("zzz", "");
    holdAt(1, Op::read, Control::编辑框4, 6);
    loadFilterWindow();
    ASSERT_TRUE(gate.waitForArrival(Patience));

    if (GetParam() == Ending::windowClosed) {
        form.userClose(Window::FilterWindow);
        form.setEvents(nullptr); // a later loading without a pass of its own
        loadFilterWindow();
    } else {
        passes.requestStop(1);
    }
    const std::size_t operationsBefore = operationsOf(1).size();
    letTheHeldPassGo();
    ASSERT_TRUE(passes.waitForEnd(1));

    const std::vector<Record> operations = operationsOf(1);
    ASSERT_LE(operations.size(), operationsBefore + 1);
    if (operations.size() > operationsBefore) {
        EXPECT_EQ(operations.back().operation, Op::append);
    }
    if (GetParam() == Ending::windowClosed) {
        EXPECT_EQ(shownCount(), gbk::DefaultLabelCaption);
        EXPECT_EQ(shownLines(), "");
        EXPECT_EQ(form.appendCount(Window::FilterWindow, Control::编辑框1), 0u);
    } else {
        EXPECT_EQ(shownCount(), "1000");
        EXPECT_EQ(shownLines(), test::numberedLines("line", 0, 3));
    }
}

INSTANTIATE_TEST_SUITE_P(WaysAPassEnds, FilterPassEndingTest,
                         ::testing::Values(Ending::windowClosed, Ending::stopRequested), [](const auto& info) {
                             return info.param == Ending::windowClosed ? "WindowClosed" : "StopRequested";
                         });

TEST_F(FilterPassThreadsTest, AReloadWaitsForTheOldPassAndShowsOnlyItsOwnLines)
{
    setResults(test::numberedLines("old", 0, 500));
    setFilters("zzz", "");
    holdAtAppend(1, 3);
    loadFilterWindow();
    ASSERT_TRUE(gate.waitForArrival(Patience));

    form.userClose(Window::FilterWindow);
    const std::string results = test::numberedLines("new", 0, 30);
    setResults(results);
    setFilters("zzz", "new1");
    loadFilterWindow();
    ASSERT_TRUE(passes.waitForStart(2));
    letTheHeldPassGo();
    ASSERT_TRUE(passes.waitForEnd(1));
    ASSERT_TRUE(passes.waitForEnd(2));

    EXPECT_EQ(shownCount(), "30");
    const Text expected = expectedListing(results, "zzz", "new1");
    EXPECT_EQ(shownLines(), expected);
    EXPECT_EQ(form.appendCount(Window::FilterWindow, Control::编辑框1), lineCount(expected));
    EXPECT_EQ(globals.FilterLineList.count(), 30);
    EXPECT_EQ(heldPassMatches, 3u); // the old pass stopped where it was held
    EXPECT_TRUE(stoodStillWhileHeld(2));
}

TEST_F(FilterPassThreadsTest, APassWhoseWindowClosesWhileItWaitsDoesNothing)
{
    setResults(test::numberedLines("line", 0, 500));
    setFilters("zzz", "");
    holdAtAppend(1, 1);
    loadFilterWindow();
    ASSERT_TRUE(gate.waitForArrival(Patience));
    form.userClose(Window::FilterWindow);
    loadFilterWindow();
    ASSERT_TRUE(passes.waitForStart(2));
    form.userClose(Window::FilterWindow);
    loadFilterWindow();
    ASSERT_TRUE(passes.waitForStart(3));
    letTheHeldPassGo();
    for (int number : {1, 2, 3})
        ASSERT_TRUE(passes.waitForEnd(number)) << number;

    EXPECT_TRUE(operationsOf(2).empty());
    EXPECT_EQ(shownCount(), "500");
    EXPECT_EQ(shownLines(), test::numberedLines("line", 0, 500));
    EXPECT_TRUE(stoodStillWhileHeld(3));
}

// At shutdown every pass is told to stop. One still waiting for its turn
// must come back although the pass ahead of it is held and never ends.
TEST_F(FilterPassThreadsTest, AWaitingPassEndsWhenTheProgramStops)
{
    setResults(test::numberedLines("line", 0, 50));
    setFilters("zzz", "");
    holdAtAppend(1, 1);
    loadFilterWindow();
    ASSERT_TRUE(gate.waitForArrival(Patience));
    form.userClose(Window::FilterWindow);
    loadFilterWindow();
    ASSERT_TRUE(passes.waitForStart(2));
    passes.requestStop(2);
    ASSERT_TRUE(passes.waitForEnd(2));
    EXPECT_TRUE(operationsOf(2).empty());
    EXPECT_EQ(shownCount(), gbk::DefaultLabelCaption);
}

} // namespace
} // namespace kw
