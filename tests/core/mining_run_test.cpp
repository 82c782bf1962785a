// The mining run on the headless form model against the offline engine.
#include "mining/mining_run.h"
#include "support/engine_fixture.h"
#include "support/fault_server.h"
#include "support/gbk.h"
#include "support/test_graphs.h"
#include "text/gbk_texts.h"
#include "ui/headless_form_model.h"

#include <gtest/gtest.h>

#include <iostream>
#include <thread>

namespace kw {
namespace {

using namespace std::chrono_literals;
using engine::EngineOptions;
using engine::KeywordGraph;
using engine::TableKeywordGraph;
using test::EverNewGraph;
using test::gbk;
using Record = HeadlessFormModel::Record;

const std::string CRLF = "\r\n";

// A chain: the seed's page brings two new keywords and every later page
// one, among five that fail the required text "k". The list thus stays one
// member ahead of the walk for ever, and the result box stays small.
class ChainGraph final : public KeywordGraph {
public:
    std::optional<std::vector<std::string>> relatedSearches(std::string_view query) const override
    {
        std::vector<std::string> related(6, "x");
        if (!query.starts_with("k")) {
            related[0] = "k1";
            related[1] = "k2";
        } else {
            related[2] = "k" + std::to_string(std::stoi(std::string(query.substr(1))) + 2);
        }
        return related;
    }
};

class MiningRunTest : public ::testing::Test {
protected:
    MiningRunTest() { form.loadWindow(Window::MainWindow, false); }

    void serve(std::shared_ptr<const KeywordGraph> graph, EngineOptions options = {})
    {
        engine.emplace(std::move(graph), options);
        prefix = (*engine)->searchUrlPrefix();
    }

    MiningRunContext context(std::stop_token stop = {}) { return {form, globals, prefix, stop}; }

    void runWith(std::string_view seed, std::string_view required = {})
    {
        form.userSetText(Window::MainWindow, Control::编辑框1, seed);
        form.userSetText(Window::MainWindow, Control::编辑框3, required);
        MiningRun(context());
    }

    Text read(Control control, TextProperty property = TextProperty::text)
    {
        return form.readProperty(Window::MainWindow, control, property);
    }
    Text status() { return read(Control::标签1, TextProperty::caption); }
    bool resultBoxDisabled() { return form.readProperty(Window::MainWindow, Control::编辑框2, FlagProperty::disabled); }
    std::vector<Text> keywords() { return globals.KeywordList.members(); }

    // What togglePause does when 按钮2 is clicked during a run.
    void clickPause()
    {
        form.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption, gbk::PausedCaption);
    }

    // The queries the engine was asked for, in order.
    std::vector<std::string> queries()
    {
        std::vector<std::string> asked;
        for (const engine::EngineRequest& request : (*engine)->requests())
            asked.push_back(request.query.value_or("(not a search)"));
        return asked;
    }

    // Records each status line as it is written.
    void recordStatusLines(std::function<void(const Text&)> onStatus = {})
    {
        form.setObserver([this, onStatus](const Record& record) {
            if (record.operation == HeadlessFormModel::Operation::write && record.control == Control::标签1) {
                {
                    std::lock_guard lock(statusMutex);
                    statusLines.push_back(record.value);
                }
                if (onStatus)
                    onStatus(record.value);
            }
        });
    }
    std::vector<Text> writtenStatusLines()
    {
        std::lock_guard lock(statusMutex);
        return statusLines;
    }

    static Text statusLine(std::string_view keyword, int iteration, int members)
    {
        return concatTexts(gbk::StatusKeyword, keyword, gbk::StatusIteration, intToText(iteration),
                           gbk::StatusMemberCount, intToText(members));
    }
    static std::string iterationMark(int iteration)
    {
        return concatTexts(gbk::StatusIteration, intToText(iteration), gbk::StatusMemberCount);
    }

    HeadlessFormModel form;
    Globals globals;
    std::optional<test::RunningEngine> engine;
    std::string prefix;
    std::mutex statusMutex;
    std::vector<Text> statusLines;
};

TEST_F(MiningRunTest, WalksTheListBreadthFirstFromTheSeed)
{
    serve(std::make_shared<EverNewGraph>());
    // Pause once iteration 3 has begun, so that it is the last one.
    recordStatusLines([this](const Text& line) {
        if (line.find(iterationMark(3)) != Text::npos)
            clickPause();
    });
    runWith("s");

    // Iteration 1 searches the empty keyword, which makes no request;
    // iteration 2 searches the seed and brings six members; iteration 3
    // searches member 2 with its line break.
    const std::vector<Text> lines = writtenStatusLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], statusLine("", 1, 1));
    EXPECT_EQ(lines[1], statusLine("s", 2, 1));
    EXPECT_EQ(lines[2], statusLine("sa\r\n", 3, 7));
    EXPECT_EQ(lines[3], gbk::StatusPaused);
    EXPECT_EQ(queries(), (std::vector<std::string>{"s", "sa"}));

    const std::vector<Text> expected = {"s",       "sa\r\n",  "sb\r\n",  "sc\r\n",  "sd\r\n",  "se\r\n", "sf\r\n",
                                        "saa\r\n", "sab\r\n", "sac\r\n", "sad\r\n", "sae\r\n", "saf\r\n"};
    EXPECT_EQ(keywords(), expected);
    EXPECT_EQ(read(Control::编辑框2), "sa\r\nsb\r\nsc\r\nsd\r\nse\r\nsf\r\nsaa\r\nsab\r\nsac\r\nsad\r\nsae\r\nsaf\r\n");
    EXPECT_EQ(globals.IterationCounter, 4);
    for (std::size_t j = 0; j < 6; ++j)
        EXPECT_EQ(globals.CandidateSlot[j], "sa" + std::string(1, static_cast<char>('a' + j)) + CRLF);
    EXPECT_TRUE(resultBoxDisabled());
}

TEST_F(MiningRunTest, ExhaustedAtTwoWhenTheSeedBringsOneKeyword)
{
    const std::string keyword = gbk(u8"手机价格");
    serve(std::make_shared<TableKeywordGraph>(TableKeywordGraph::Table{
        {gbk(u8"手机"), std::vector<std::string>(6, keyword)},
    }));
    form.writeProperty(Window::MainWindow, Control::编辑框2, FlagProperty::disabled, false);
    runWith(gbk(u8"手机"));

    EXPECT_EQ(status(), gbk::StatusFinished);
    EXPECT_FALSE(resultBoxDisabled());
    EXPECT_EQ(keywords(), (std::vector<Text>{gbk(u8"手机"), keyword + CRLF}));
    EXPECT_EQ(read(Control::编辑框2), keyword + CRLF);
    EXPECT_EQ(globals.IterationCounter, 2);
    // The accepted keyword is never searched for.
    EXPECT_EQ(queries(), (std::vector<std::string>{gbk(u8"手机")}));
    const std::string head = (*engine)->requests()[0].head;
    EXPECT_TRUE(head.starts_with("GET /s?wd=%CA%D6%BB%FA HTTP/1.0\r\n")) << head;
}

TEST_F(MiningRunTest, APauseDuringIterationFiveEndsItAfterItsCandidates)
{
    serve(std::make_shared<EverNewGraph>());
    recordStatusLines([this](const Text& line) {
        if (line.find(iterationMark(5)) != Text::npos)
            clickPause();
    });
    std::jthread worker([this] { runWith("s"); });
    ASSERT_TRUE(form.waitUntil([this] { return status() == gbk::StatusPaused; }, 10s));
    worker.join();

    EXPECT_TRUE(resultBoxDisabled());
    EXPECT_EQ(globals.IterationCounter, 6);
    // Iterations 2 to 5 searched the seed and members 2 to 4, and all six
    // candidates of iteration 5 were taken.
    EXPECT_EQ(queries(), (std::vector<std::string>{"s", "sa", "sb", "sc"}));
    EXPECT_EQ(keywords().size(), 1u + 4 * 6);
    EXPECT_EQ(globals.CandidateSlot[5], "scf\r\n");
    EXPECT_EQ(keywords().back(), "scf\r\n");
}

TEST_F(MiningRunTest, APauseWhileAFetchWaitsEndsTheRunWhenThatIterationIsDone)
{
    EngineOptions slow;
    slow.latency = 300ms;
    serve(std::make_shared<EverNewGraph>(), slow);
    form.userSetText(Window::MainWindow, Control::编辑框1, "s");
    const auto started = std::chrono::steady_clock::now();
    std::jthread worker([this] { MiningRun(context()); });
    ASSERT_TRUE((*engine)->waitForRequests(1, 5s));
    clickPause();
    ASSERT_TRUE(form.waitUntil([this] { return status() == gbk::StatusPaused; }, 10s));
    worker.join();
    const auto took = std::chrono::steady_clock::now() - started;

    // The fetch under way was completed and its page used; nothing more.
    EXPECT_EQ(queries(), (std::vector<std::string>{"s"}));
    EXPECT_EQ(keywords().size(), 7u);
    EXPECT_EQ(globals.IterationCounter, 3);
    EXPECT_LT(took, 5s);
}

TEST_F(MiningRunTest, AStopRequestEndsTheRunAtOnceWithoutAnotherWordToTheWindow)
{
    EngineOptions stalled;
    stalled.latency = 20s;
    serve(std::make_shared<EverNewGraph>(), stalled);
    form.userSetText(Window::MainWindow, Control::编辑框1, "s");
    std::stop_source stop;
    std::atomic<int> operationsAfterStop{0};
    std::atomic<bool> stopped{false};
    form.setObserver([&](const Record&) {
        if (stopped)
            ++operationsAfterStop;
    });
    const auto started = std::chrono::steady_clock::now();
    std::jthread worker([&] { MiningRun(context(stop.get_token())); });
    ASSERT_TRUE((*engine)->waitForRequests(1, 5s));
    stopped = true;
    stop.request_stop();
    worker.join();

    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_EQ(operationsAfterStop, 0);
    EXPECT_EQ(status(), statusLine("", 1, 1));
}

TEST_F(MiningRunTest, AnEmptyKeywordIsNeverSearchedFor)
{
    serve(std::make_shared<EverNewGraph>());
    form.writeProperty(Window::MainWindow, Control::编辑框2, FlagProperty::disabled, false);
    runWith("");

    // Iterations 1 and 2 both have the empty keyword; the list then holds
    // the empty seed alone, and the run ends as finished.
    EXPECT_EQ((*engine)->requestCount(), 0u);
    EXPECT_EQ(keywords(), (std::vector<Text>{""}));
    EXPECT_EQ(read(Control::编辑框2), "");
    EXPECT_EQ(globals.IterationCounter, 2);
    EXPECT_EQ(status(), gbk::StatusFinished);
    EXPECT_FALSE(resultBoxDisabled());
}

TEST_F(MiningRunTest, NoEmptyLineEntersTheResultBox)
{
    // Empty anchors give candidates that are a line break alone; the page
    // of a failed fetch gives six of them.
    serve(std::make_shared<TableKeywordGraph>(TableKeywordGraph::Table{
        {"seed", std::vector<std::string>{"", "a", "", "b", "", ""}},
        {"a", std::vector<std::string>{"", "", "", "", "", ""}},
    }));
    runWith("seed");

    EXPECT_EQ(read(Control::编辑框2), "a\r\nb\r\n");
    EXPECT_EQ(keywords(), (std::vector<Text>{"seed", "a\r\n", "b\r\n"}));
    EXPECT_EQ(status(), gbk::StatusFinished); // exhausted: b's page was never needed
}

TEST_F(MiningRunTest, TheDuplicateTestComparesWholeLinesByteForByte)
{
    const std::string phonePrice = gbk(u8"手机价格");
    const std::string price = gbk(u8"价格");
    serve(std::make_shared<TableKeywordGraph>(TableKeywordGraph::Table{
        {"seed", std::vector<std::string>{price, phonePrice, "ABC", "abc", "abcd", price}},
    }));
    form.userSetText(Window::MainWindow, Control::编辑框2, phonePrice + "\r\nabc\r\n");
    runWith("seed");

    EXPECT_EQ(read(Control::编辑框2), phonePrice + "\r\nabc\r\n" + price + "\r\nABC\r\nabcd\r\n");
    EXPECT_EQ(keywords(), (std::vector<Text>{"seed", price + CRLF, "ABC\r\n", "abcd\r\n"}));
}

TEST_F(MiningRunTest, TheDuplicateTestSeesEveryChangeOfTheBoxAtItsInstant)
{
    // Iteration 2 (the seed) brings a, b and c; iteration 3 (a) brings them
    // again, with d. Between the two, the box is changed as the run does
    // not: b is gone, and c no longer ends with a line break.
    serve(std::make_shared<TableKeywordGraph>(TableKeywordGraph::Table{
        {"seed", std::vector<std::string>{"a", "b", "c", "", "", ""}},
        {"a", std::vector<std::string>{"a", "b", "c", "d", "", ""}},
    }));
    recordStatusLines([this](const Text& line) {
        if (line.find(iterationMark(3)) != Text::npos)
            form.userSetText(Window::MainWindow, Control::编辑框2, "a\r\nc");
    });
    runWith("seed");

    // b is new again and lands after the unfinished c, which makes the
    // line "cb"; so c is no line any more and is new too.
    EXPECT_EQ(read(Control::编辑框2), "a\r\ncb\r\nc\r\nd\r\n");
    EXPECT_EQ(keywords(), (std::vector<Text>{"seed", "a\r\n", "b\r\n", "c\r\n", "b\r\n", "c\r\n", "d\r\n"}));
}

TEST_F(MiningRunTest, OnlyCandidatesWithTheRequiredTextAreTaken)
{
    const std::string phone = gbk(u8"手机");
    serve(std::make_shared<TableKeywordGraph>(TableKeywordGraph::Table{
        {"seed", std::vector<std::string>{gbk(u8"电脑价格"), phone + "1", gbk(u8"手表"), "x" + phone, phone, "y"}},
    }));
    runWith("seed", phone);

    EXPECT_EQ(keywords(), (std::vector<Text>{"seed", phone + "1\r\n", "x" + phone + CRLF, phone + CRLF}));
}

TEST_F(MiningRunTest, APageWithoutTheMarkerGivesNoKeywords)
{
    // The engine's page without its related-searches block still has
    // navigation and footer anchors.
    serve(std::make_shared<TableKeywordGraph>(TableKeywordGraph::Table{{"seed", std::nullopt}}));
    runWith("seed");

    EXPECT_EQ(queries(), (std::vector<std::string>{"seed"}));
    EXPECT_EQ(read(Control::编辑框2), "");
    EXPECT_EQ(keywords(), (std::vector<Text>{"seed"}));
    EXPECT_EQ(status(), gbk::StatusFinished);
    EXPECT_FALSE(resultBoxDisabled());
}

TEST_F(MiningRunTest, FailedFetchesAreCountedInTheFinalStatus)
{
    const auto withFailures = [](std::string_view state, int count) {
        return concatTexts(state, gbk::FailedFetchesOpen, intToText(count), gbk::FailedFetchesClose);
    };
    {
        SCOPED_TRACE("a refused connection, then nothing to search");
        const test::RefusingPort refusing;
        prefix = "http://127.0.0.1:" + std::to_string(refusing.port()) + "/s?wd=";
        runWith("seed");
        EXPECT_EQ(status(), withFailures(gbk::StatusFinished, 1));
        EXPECT_FALSE(resultBoxDisabled());
    }
    {
        SCOPED_TRACE("bodies broken off, then a pause");
        EngineOptions broken;
        broken.breakAfter = 2400; // past the related searches, before the footer
        serve(std::make_shared<EverNewGraph>(), broken);
        recordStatusLines([this](const Text& line) {
            if (line.find(iterationMark(4)) != Text::npos)
                clickPause();
        });
        // A fresh start for the run's own globals.
        listRelease(globals.KeywordList);
        globals.IterationCounter = 0;
        globals.CandidateSlot = {};
        form.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption, gbk::RunningCaption);
        runWith("s");
        EXPECT_EQ(keywords().size(), 1u + 3 * 6);
        EXPECT_EQ(status(), withFailures(gbk::StatusPaused, 3));
        EXPECT_TRUE(resultBoxDisabled());
    }
    {
        SCOPED_TRACE("no failure, no count");
        serve(std::make_shared<TableKeywordGraph>(TableKeywordGraph::Table{}));
        form.setObserver({});
        form.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption, gbk::RunningCaption);
        runWith("seed");
        EXPECT_EQ(status(), gbk::StatusFinished);
    }
}

TEST_F(MiningRunTest, ARunStartedWhilePausedEndsBeforeAnyRequest)
{
    serve(std::make_shared<EverNewGraph>());
    clickPause();
    runWith("s");

    EXPECT_EQ((*engine)->requestCount(), 0u);
    EXPECT_EQ(keywords(), (std::vector<Text>{"s"}));
    EXPECT_EQ(globals.IterationCounter, 1);
    EXPECT_EQ(status(), gbk::StatusPaused);
    EXPECT_TRUE(resultBoxDisabled());
}

TEST_F(MiningRunTest, ARunWithoutItsWindowDoesNothing)
{
    serve(std::make_shared<EverNewGraph>());
    form.userSetText(Window::MainWindow, Control::编辑框1, "s");
    form.destroyWindow(Window::MainWindow);
    MiningRun(context());

    EXPECT_EQ((*engine)->requestCount(), 0u);
    EXPECT_EQ(globals.KeywordList.count(), 0);
}

TEST_F(MiningRunTest, ASmallEngineGraphRunsOut)
{
    serve(std::make_shared<engine::SyntheticKeywordGraph>(4));
    runWith(gbk(u8"手机"));

    EXPECT_EQ(status(), gbk::StatusFinished);
    EXPECT_FALSE(resultBoxDisabled());
    // The seed and at most the graph's four keywords; every member but the
    // last was searched for.
    EXPECT_LE(keywords().size(), 5u);
    EXPECT_EQ(globals.IterationCounter, static_cast<std::int32_t>(keywords().size()));
    EXPECT_EQ((*engine)->requestCount(), keywords().size() - 1);
}

TEST_F(MiningRunTest, RunsTenThousandIterationsAtMost)
{
    serve(std::make_shared<ChainGraph>());
    const auto started = std::chrono::steady_clock::now();
    runWith("seed", "k");
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    std::cout << "[ MEASURED ] 10000 iterations in " << took.count() << " ms, " << keywords().size() - 1
              << " keywords found\n";

    EXPECT_EQ(status(), gbk::StatusFinished);
    EXPECT_FALSE(resultBoxDisabled());
    EXPECT_EQ(globals.IterationCounter, 10001);
    EXPECT_EQ((*engine)->requestCount(), 9999u);
    EXPECT_EQ(keywords().size(), 10001u);
    EXPECT_EQ(keywords().back(), "k10000\r\n");
}

} // namespace
} // namespace kw
