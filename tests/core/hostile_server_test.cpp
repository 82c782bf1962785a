// Servers that misbehave on purpose, one kind at a time. Against each, a
// fetch comes back within its bounds and keeps a bounded amount, and a
// mining run that meets the server after some good pages goes on, counts
// the failure, and keeps everything it had found.
#include "mining/fetch.h"
#include "mining/mining_run.h"
#include "support/fault_server.h"
#include "support/gate.h"
#include "support/peak_memory.h"
#include "support/test_graphs.h"
#include "text/gbk_texts.h"
#include "tools/offline_engine/engine_server.h"
#include "tools/offline_engine/result_page.h"
#include "ui/headless_form_model.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>

namespace kw {
namespace {

using namespace std::chrono_literals;
using test::FaultConnection;
using test::FaultServer;

constexpr std::size_t MiB = 1024 * 1024;
const std::string OkHead = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n";

std::string anchors(std::size_t count, std::string_view textPrefix)
{
    std::string list;
    for (std::size_t i = 0; i < count; ++i)
        list += "<a href=\"s?wd=x\">" + std::string(textPrefix) + std::to_string(i) + "</a>";
    return list;
}

// 20 MiB, announced as such, with the related searches at its very end.
std::string hugePageWithTheMarkerAtItsEnd()
{
    const std::string tail = std::string(gbk::RelatedMarker) + "</th>" + anchors(6, "late") + "</body></html>";
    const std::string page = "<html><body><!--" + std::string(20 * MiB - tail.size() - 19, '-') + "-->" + tail;
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(page.size()) + "\r\n\r\n" + page;
}

// A result page of the engine whose related-searches block holds ten
// thousand anchors.
std::string pageWithTenThousandAnchors()
{
    std::vector<std::string> related;
    for (int i = 0; i < 10000; ++i)
        related.push_back("h" + std::to_string(i));
    return engine::resultPage("sb", related);
}

FaultServer::Script redirectTo(const std::string& location)
{
    return FaultServer::answer("HTTP/1.0 302 Found\r\nLocation: " + location + "\r\n\r\nmoved");
}

// Limits short enough for a test, beside the program's own body size.
FetchLimits shortWaits()
{
    FetchLimits limits;
    limits.connectTimeout = 300ms;
    limits.stallTimeout = 300ms;
    limits.longestFetch = 1000ms;
    return limits;
}

// The program's own limits, but for a whole fetch of a few seconds: should
// the size limit ever fail, an endless body then fills memory for seconds,
// not for a minute.
FetchLimits programsSizeLimit()
{
    FetchLimits limits;
    limits.longestFetch = 3s;
    return limits;
}

// Stops whatever it is handed the token to once the time is up, so that a
// fetch that outlives every bound makes its test fail instead of hang.
class Watchdog {
public:
    explicit Watchdog(std::chrono::milliseconds after)
        : timer_([this, after](std::stop_token ended) {
              std::mutex mutex;
              std::unique_lock lock(mutex);
              std::condition_variable_any never;
              if (!never.wait_for(lock, ended, after, [] { return false; }) && !ended.stop_requested())
                  expired_.request_stop();
          })
    {
    }
    std::stop_token token() const { return expired_.get_token(); }

private:
    std::stop_source expired_;
    std::jthread timer_; // last: it ends before expired_ goes
};

template <typename T> struct Range {
    T least;
    T most;
};

struct HostileCase {
    std::string name;
    // Made when the test starts, so that big answers are built only by the
    // test that sends them.
    FaultServer::Script (*script)();
    FetchLimits limits;
    bool failed;
    // Bytes of body the fetch keeps.
    Range<std::size_t> kept;
    // How long the fetch takes: at least as long as the bound that ends it,
    // and not much longer.
    Range<std::chrono::milliseconds> took;
    // Requests the fetch makes (redirects make more than one).
    std::size_t requests;
    // What the page adds to the result box, line by line.
    std::vector<std::string> accepted;
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c)
{
    return out << c.name;
}

// The servers, each made afresh for the test that meets it.
FaultServer::Script neverAnswers()
{
    return FaultServer::stayQuiet();
}

FaultServer::Script oneByteAMinute()
{
    return FaultServer::trickle(OkHead, 60s);
}

FaultServer::Script oneByteJustWithinTheStallTime()
{
    return FaultServer::trickle(OkHead, 100ms);
}

FaultServer::Script endlessBody()
{
    return FaultServer::endless(OkHead, "<p>more</p>");
}

FaultServer::Script resetMidBody()
{
    return FaultServer::resetAfter("HTTP/1.0 200 OK\r\nContent-Length: 10000\r\n\r\n" + std::string(3000, 'b'));
}

FaultServer::Script binaryGarbage()
{
    return FaultServer::answer(std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n\xff\xfe", 17));
}

FaultServer::Script anotherProtocol()
{
    return FaultServer::answer("SSH-2.0-OpenSSH_9.2p1\r\n\r\nhello");
}

FaultServer::Script statusLineWithoutEnd()
{
    return FaultServer::endless("HTTP/1.0 200 ", "OK");
}

FaultServer::Script headerLinesWithoutEnd()
{
    return FaultServer::endless("HTTP/1.0 200 OK\r\n", "X-Filler: 0123456789\r\n");
}

FaultServer::Script twentyMiBPage()
{
    return FaultServer::answer(hugePageWithTheMarkerAtItsEnd());
}

FaultServer::Script redirectLoop()
{
    return redirectTo("/s?wd=sb");
}

FaultServer::Script redirectToALocalFile()
{
    return redirectTo("file:///etc/passwd");
}

FaultServer::Script tenThousandAnchors()
{
    return FaultServer::answer(OkHead + pageWithTenThousandAnchors());
}

std::vector<HostileCase> hostileCases()
{
    const FetchLimits waits = shortWaits();
    const FetchLimits sizes = programsSizeLimit();
    const std::size_t anchorPage = pageWithTenThousandAnchors().size();
    const std::vector<std::string> none;
    const std::vector<std::string> sixAnchors = {"h0", "h1", "h2", "h3", "h4", "h5"};
    // clang-format off
    return {
        // name                                        server                          limits failed kept                    took              requests
        {"AcceptsAndNeverAnswers",                     neverAnswers,                   waits, true,  {0, 0},                 {280ms, 3s},      1, none},
        {"HeadersThenOneByteAMinute",                  oneByteAMinute,                 waits, true,  {1, 1},                 {280ms, 3s},      1, none},
        // Never quiet long enough to stall: only the bound on the whole
        // fetch ends it.
        {"HeadersThenOneByteJustWithinTheStallTime",   oneByteJustWithinTheStallTime,  waits, true,  {3, 12},                {980ms, 3s},      1, none},
        {"EndlessBody",                                endlessBody,                    sizes, true,  {16 * MiB, 16 * MiB},   {0ms, 20s},       1, none},
        {"ResetMidBody",                               resetMidBody,                   waits, true,  {3000, 3000},           {0ms, 3s},        1, none},
        {"BinaryGarbageInsteadOfAStatusLine",          binaryGarbage,                  waits, true,  {0, 0},                 {0ms, 3s},        1, none},
        {"AnotherProtocolInsteadOfAStatusLine",        anotherProtocol,                waits, true,  {0, 0},                 {0ms, 3s},        1, none},
        {"AStatusLineThatNeverEnds",                   statusLineWithoutEnd,           waits, true,  {0, 0},                 {0ms, 3s},        1, none},
        {"HeaderLinesThatNeverEnd",                    headerLinesWithoutEnd,          waits, true,  {0, 0},                 {0ms, 3s},        1, none},
        // Cut at 16 MiB, before the marker: the page gives nothing.
        {"TwentyMiBPageWithTheMarkerAtItsEnd",         twentyMiBPage,                  sizes, true,  {16 * MiB, 16 * MiB},   {0ms, 20s},       1, none},
        {"RedirectLoop",                               redirectLoop,                   waits, true,  {0, 0},                 {0ms, 3s},        6, none},
        {"RedirectToALocalFile",                       redirectToALocalFile,           waits, true,  {0, 0},                 {0ms, 3s},        1, none},
        {"TenThousandAnchors",                         tenThousandAnchors,             waits, false, {anchorPage, anchorPage}, {0ms, 3s},      1, sixAnchors},
    };
    // clang-format on
}

std::string caseName(const ::testing::TestParamInfo<HostileCase>& info)
{
    return info.param.name;
}

std::string describe(std::optional<std::size_t> bytes)
{
    return bytes ? std::to_string(*bytes / 1024) + " KiB" : "unknown";
}

// What growing a body to its size may cost beside it (the buffer that is
// outgrown, the client's own buffers, threads), and no more: an endless
// body read without a cap would have passed any bound set here.
std::size_t memoryBoundFor(std::size_t kept)
{
    return test::SanitizerMemoryFactor * (3 * kept + 16 * MiB);
}

// --- the fetch ------------------------------------------------------------

class HostileServerFetch : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileServerFetch, ReturnsWithinItsBoundsKeepingABoundedBody)
{
    const HostileCase& c = GetParam();
    FaultServer server(c.script());
    const Watchdog watchdog(c.took.most + 5s);
    const test::PeakMemoryWatch memory;
    const auto started = std::chrono::steady_clock::now();
    const FetchResult fetched = fetchPage(server.url("/s?wd=sb"), watchdog.token(), c.limits);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    const std::optional<std::size_t> growth = memory.growth();
    std::cout << "[ MEASURED ] " << c.name << ": " << took.count() << " ms, " << fetched.body.size() << " bytes kept, "
              << (fetched.failed ? "failed" : "complete") << ", peak memory growth " << describe(growth) << "\n";

    EXPECT_EQ(fetched.failed, c.failed);
    EXPECT_GE(fetched.body.size(), c.kept.least);
    EXPECT_LE(fetched.body.size(), c.kept.most);
    EXPECT_GE(took, c.took.least);
    EXPECT_LE(took, c.took.most);
    EXPECT_EQ(server.connectionCount(), c.requests);
    if (growth) {
        EXPECT_LT(*growth, memoryBoundFor(c.kept.most));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileServerFetch, ::testing::ValuesIn(hostileCases()), caseName);

// --- the mining run -------------------------------------------------------

bool requestFor(const std::string& head, std::string_view keyword)
{
    return head.starts_with("GET /s?wd=" + std::string(keyword) + " ");
}

// Good result pages, as the offline engine makes them, for every request.
// The request for heldKeyword (if any) waits at held until the test lets
// it go on.
FaultServer::Script goodPages(test::Gate* held = nullptr, std::string heldKeyword = {})
{
    auto graph = std::make_shared<test::EverNewGraph>();
    return [graph, held, heldKeyword](FaultConnection& connection, const std::string& head) {
        if (held && requestFor(head, heldKeyword))
            held->arriveAndWait();
        const engine::EngineResponse response = engine::respond(*graph, head, {});
        if (connection.send(response.head + response.body)) {
            connection.endSending();
            connection.waitForClientClose();
        }
    };
}

std::string linesOf(const std::vector<std::string>& keywords)
{
    std::string lines;
    for (const std::string& keyword : keywords)
        lines += keyword + "\r\n";
    return lines;
}

class HostileServerRun : public ::testing::TestWithParam<HostileCase> {
protected:
    HostileServerRun()
    {
        form.loadWindow(Window::MainWindow, false);
        form.userSetText(Window::MainWindow, Control::编辑框1, "s");
    }

    Text status() { return form.readProperty(Window::MainWindow, Control::标签1, TextProperty::caption); }
    Text resultBox() { return form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text); }
    bool resultBoxDisabled() { return form.readProperty(Window::MainWindow, Control::编辑框2, FlagProperty::disabled); }

    static Text withFailures(std::string_view state, int count)
    {
        return count == 0 ? Text(state)
                          : concatTexts(state, gbk::FailedFetchesOpen, intToText(count), gbk::FailedFetchesClose);
    }

    HeadlessFormModel form;
    Globals globals;
};

// Every page brings six new keywords: the seed s brings sa to sf, sa brings
// saa to saf. The third keyword searched, sb, meets the hostile server; sc
// after it gets a good page again, and a pause clicked while it is requested
// ends the run after it.
TEST_P(HostileServerRun, GoesOnAndKeepsWhatItFound)
{
    const HostileCase& c = GetParam();
    test::Gate scRequested;
    FaultServer server(FaultServer::hostileWhen([](const std::string& head) { return requestFor(head, "sb"); },
                                                c.script(), goodPages(&scRequested, "sc")));
    const Watchdog watchdog(c.took.most + 10s);
    const test::PeakMemoryWatch memory;
    const auto started = std::chrono::steady_clock::now();
    std::jthread worker([&] { MiningRun({form, globals, server.url("/s?wd="), watchdog.token(), c.limits}); });
    const bool wentOn = scRequested.waitForArrival(c.took.most + 10s);
    form.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption, gbk::PausedCaption);
    scRequested.open();
    ASSERT_TRUE(wentOn);
    ASSERT_TRUE(form.waitUntil([&] { return status().starts_with(gbk::StatusPaused); }, c.took.most + 10s));
    worker.join();
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    const std::optional<std::size_t> growth = memory.growth();
    std::cout << "[ MEASURED ] run meeting " << c.name << ": " << took.count() << " ms, peak memory growth "
              << describe(growth) << "\n";

    std::vector<std::string> found = {"sa", "sb", "sc", "sd", "se", "sf", "saa", "sab", "sac", "sad", "sae", "saf"};
    found.insert(found.end(), c.accepted.begin(), c.accepted.end());
    for (const char* keyword : {"sca", "scb", "scc", "scd", "sce", "scf"})
        found.push_back(keyword);
    EXPECT_EQ(resultBox(), linesOf(found));
    std::vector<Text> expectedList = {"s"};
    for (const std::string& keyword : found)
        expectedList.push_back(keyword + "\r\n");
    EXPECT_EQ(globals.KeywordList.members(), expectedList);
    EXPECT_EQ(status(), withFailures(gbk::StatusPaused, c.failed ? 1 : 0));
    EXPECT_TRUE(resultBoxDisabled());
    EXPECT_EQ(globals.IterationCounter, 6);
    EXPECT_LE(took, c.took.most + 10s);
    if (growth) {
        // The run holds the page twice at most: the body and its text.
        EXPECT_LT(*growth, memoryBoundFor(2 * c.kept.most));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileServerRun, ::testing::ValuesIn(hostileCases()), caseName);

// A server that stays hostile after two good pages: every later keyword
// fails, the list runs out, and the run ends finished with its failures
// counted and its thirteen members intact.
TEST(HostileServerRunToTheEnd, EndsFinishedWithTheFailuresCounted)
{
    HeadlessFormModel form;
    Globals globals;
    form.loadWindow(Window::MainWindow, false);
    form.userSetText(Window::MainWindow, Control::编辑框1, "s");
    FaultServer server(FaultServer::hostileWhen(
        [](const std::string& head) { return !requestFor(head, "s") && !requestFor(head, "sa"); },
        FaultServer::resetAfter(OkHead + "<html><body>"), goodPages()));
    MiningRun({form, globals, server.url("/s?wd="), {}, shortWaits()});

    const std::vector<std::string> found = {"sa",  "sb",  "sc",  "sd",  "se",  "sf",
                                            "saa", "sab", "sac", "sad", "sae", "saf"};
    EXPECT_EQ(form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text), linesOf(found));
    EXPECT_EQ(globals.KeywordList.count(), 13);
    EXPECT_EQ(form.readProperty(Window::MainWindow, Control::标签1, TextProperty::caption),
              concatTexts(gbk::StatusFinished, gbk::FailedFetchesOpen, intToText(10), gbk::FailedFetchesClose));
    EXPECT_FALSE(form.readProperty(Window::MainWindow, Control::编辑框2, FlagProperty::disabled));
    EXPECT_EQ(server.connectionCount(), 12u);
}

// The bounds the program runs with, and that a run uses them unless told
// otherwise; the cases above shorten the waits so as not to take minutes.
TEST(FetchBounds, TheProgramsOwnAreTheConfiguredOnes)
{
    const FetchLimits limits;
    EXPECT_EQ(limits.connectTimeout, 15s);
    EXPECT_EQ(limits.stallTimeout, 30s);
    EXPECT_EQ(limits.longestFetch, 60s);
    EXPECT_EQ(limits.largestBody, 16 * MiB);
    EXPECT_EQ(limits.largestRedirectCount, 5);

    HeadlessFormModel form;
    Globals globals;
    const MiningRunContext context{form, globals, "http://127.0.0.1/s?wd=", {}};
    EXPECT_EQ(context.fetchLimits, limits);
}

} // namespace
} // namespace kw
