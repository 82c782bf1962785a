// Start-up and shutdown of the program, on a toolkit that records what it
// is asked to do.
#include "app/globals.h"
#include "app/program_run.h"
#include "support/fatal_capture.h"
#include "support/gate.h"
#include "text/gbk_texts.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <functional>
#include <mutex>

namespace kw {
namespace {

class RecordingShell final : public ProgramShell {
public:
    bool loadStartupWindow() override
    {
        note("load");
        if (onLoad)
            onLoad();
        return loadSucceeds;
    }
    bool anyWindowLoaded() override { return windowLoaded; }
    int runEventLoop() override
    {
        note("loop");
        if (inLoop)
            inLoop();
        note("loop ended");
        return 0;
    }
    void stopServingWorkers() override { note("stop serving"); }
    void releaseToolkit() override { note(globalsReleased() ? "toolkit released after globals" : "toolkit released"); }

    void note(std::string step)
    {
        std::lock_guard lock(mutex);
        steps.push_back(std::move(step));
    }

    bool loadSucceeds = true;
    bool windowLoaded = true;
    std::function<void()> onLoad;
    std::function<void()> inLoop;
    std::mutex mutex;
    std::vector<std::string> steps;
};

TEST(ProgramRun, StartsWithFreshGlobalsInTheProgramFolderAndADefaultFloatingPointUnit)
{
    const auto startedIn = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::fesetround(FE_UPWARD);

    RecordingShell shell;
    Workers workers;
    bool checked = false;
    shell.onLoad = [&] {
        EXPECT_EQ(std::filesystem::current_path(), programFolder());
        EXPECT_EQ(std::fegetround(), FE_TONEAREST);
        const Globals& state = globals();
        EXPECT_EQ(listCount(state.KeywordList), 0);
        EXPECT_EQ(listCount(state.FilterLineList), 0);
        EXPECT_EQ(state.IterationCounter, 0);
        EXPECT_EQ(state.FilterLineCounter, 0);
        for (const Text& slot : state.CandidateSlot)
            EXPECT_TRUE(slot.empty());
        EXPECT_FALSE(globalsReleased());
        checked = true;
    };
    EXPECT_EQ(runProgram(shell, workers), 0);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(programFolder().empty());
    std::filesystem::current_path(startedIn);
}

TEST(ProgramRun, ShutdownStopsAndWaitsForWorkersBeforeReleasingTheGlobals)
{
    RecordingShell shell;
    Workers workers;
    test::Counter running;
    shell.inLoop = [&] {
        workers.startMining([&](std::stop_token stop) {
            running.add();
            test::Gate transferInFlight;
            transferInFlight.wait(stop);
            shell.note(stop.stop_requested() ? "worker stopped" : "worker timed out");
            // Still safe: nothing has been released yet.
            listAppend(globals().KeywordList, "last");
            shell.note(globalsReleased() ? "worker saw released globals" : "worker ended");
        });
        ASSERT_TRUE(running.waitFor(1));
    };
    EXPECT_EQ(runProgram(shell, workers), 0);
    EXPECT_TRUE(globalsReleased());
    EXPECT_EQ(shell.steps, (std::vector<std::string>{"load", "loop", "loop ended", "stop serving", "worker stopped",
                                                     "worker ended", "toolkit released after globals"}));
}

TEST(ProgramRun, TheLoopDoesNotBeginWithoutALoadedWindow)
{
    RecordingShell shell;
    shell.windowLoaded = false;
    Workers workers;
    EXPECT_EQ(runProgram(shell, workers), 0);
    EXPECT_EQ(shell.steps, (std::vector<std::string>{"load", "stop serving", "toolkit released after globals"}));
}

TEST(ProgramRun, AStartupWindowThatCannotBeLoadedIsFatal)
{
    test::CaptureFatalErrors capture;
    RecordingShell shell;
    shell.loadSucceeds = false;
    Workers workers;
    try {
        runProgram(shell, workers);
        FAIL() << "no fatal error";
    } catch (const test::FatalErrorRaised& raised) {
        EXPECT_EQ(raised.text, composeFatalErrorText(0, gbk::StartupWindowFailed));
    }
    EXPECT_EQ(shell.steps, std::vector<std::string>{"load"});
    EXPECT_FALSE(globalsReleased());
}

} // namespace
} // namespace kw
