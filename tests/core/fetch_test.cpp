// The page fetch against the offline engine and against a fault server that
// misbehaves on purpose: what comes back, whether it counts as failed, what
// goes out on the wire, and how long a fetch may wait.
#include "mining/fetch.h"
#include "mining/search_url.h"
#include "support/engine_fixture.h"
#include "support/fault_server.h"
#include "support/gbk.h"
#include "tools/offline_engine/result_page.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <thread>

namespace kw {
namespace {

using namespace std::chrono_literals;
using engine::EngineOptions;
using test::FaultServer;
using test::gbk;

std::shared_ptr<engine::SyntheticKeywordGraph> sharedGraph()
{
    static const auto graph = std::make_shared<engine::SyntheticKeywordGraph>();
    return graph;
}

std::string expectedPage(std::string_view query)
{
    return engine::resultPage(query, sharedGraph()->relatedSearches(query));
}

// A fetch's result next to how long it took.
struct TimedFetch {
    FetchResult result;
    std::chrono::milliseconds took;
};

TimedFetch timedFetch(std::string_view url, const FetchLimits& limits = {}, std::stop_token stop = {})
{
    const auto started = std::chrono::steady_clock::now();
    FetchResult result = fetchPage(url, stop, limits);
    return {std::move(result),
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)};
}

std::size_t countOf(std::string_view text, std::string_view part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(FetchFromEngine, ReturnsTheResultPageByteForByte)
{
    test::RunningEngine engine(sharedGraph());
    const std::string keyword = gbk(u8"手机价格");
    const FetchResult fetched = fetchPage(searchUrl(engine->searchUrlPrefix(), keyword + "\r\n"));
    EXPECT_FALSE(fetched.failed);
    EXPECT_EQ(fetched.body.view(), expectedPage(keyword));
    EXPECT_EQ(fetched.readSize, static_cast<std::int32_t>(expectedPage(keyword).size() + 1));
    ASSERT_EQ(engine->requestCount(), 1u);
    EXPECT_EQ(engine->requests()[0].query, keyword);
}

TEST(FetchFromEngine, ErrorPagesAreReturnedLikeAnyOther)
{
    for (int status : {404, 500, 503}) {
        EngineOptions options;
        options.statusCode = status;
        test::RunningEngine engine(sharedGraph(), options);
        const FetchResult fetched = fetchPage(engine->searchUrlPrefix() + "abc");
        EXPECT_FALSE(fetched.failed) << status;
        EXPECT_EQ(fetched.body.view(), expectedPage("abc")) << status;
    }
}

TEST(FetchFromEngine, ReadSizeFollowsTheLengthAndTheWholeBodyComesBack)
{
    struct Case {
        const char* name;
        EngineOptions options;
        std::size_t bodySize; // 0: the plain page
        std::int32_t readSize;
    };
    EngineOptions noLength;
    noLength.sendContentLength = false;
    EngineOptions noLengthLarge = noLength;
    noLengthLarge.padTo = 300000;
    EngineOptions large;
    large.padTo = 500000;
    const std::vector<Case> cases = {
        {"no Content-Length", noLength, 0, 10240},
        {"no Content-Length, 300000 bytes", noLengthLarge, 300007, 10240},
        {"Content-Length 500000", large, 500007, 102400},
    };
    for (const Case& c : cases) {
        test::RunningEngine engine(sharedGraph(), c.options);
        const FetchResult fetched = fetchPage(engine->searchUrlPrefix() + "abc");
        EXPECT_FALSE(fetched.failed) << c.name;
        EXPECT_EQ(fetched.readSize, c.readSize) << c.name;
        EXPECT_LE(fetched.largestRead, static_cast<std::size_t>(LargestReadSize)) << c.name;
        if (c.bodySize != 0) {
            EXPECT_EQ(fetched.body.size(), c.bodySize) << c.name;
        }
        EXPECT_TRUE(fetched.body.view().starts_with(expectedPage("abc").substr(0, 1000))) << c.name;
    }
}

TEST(FetchFromEngine, NulBytesStayInTheBodyAndEndThePageText)
{
    EngineOptions options;
    options.nulAt = 100;
    test::RunningEngine engine(sharedGraph(), options);
    const FetchResult fetched = fetchPage(engine->searchUrlPrefix() + "abc");
    std::string expected = expectedPage("abc");
    expected.insert(100, 1, '\0');
    EXPECT_FALSE(fetched.failed);
    EXPECT_EQ(fetched.body.view(), expected);
    EXPECT_EQ(bytesToText(fetched.body), expected.substr(0, 100));
}

TEST(FetchFromEngine, ABodyBrokenOffGivesWhatCameAndCountsAsFailed)
{
    EngineOptions options;
    options.breakAfter = 3000;
    options.padTo = 10000;
    test::RunningEngine engine(sharedGraph(), options);
    const FetchResult fetched = fetchPage(engine->searchUrlPrefix() + "abc");
    EXPECT_TRUE(fetched.failed);
    EXPECT_EQ(fetched.body.size(), 3000u);
    EXPECT_TRUE(fetched.body.view().starts_with(expectedPage("abc")));
    EXPECT_EQ(fetched.readSize, 10007 + 1); // the padded page and its comment marks, plus one
}

TEST(FetchFromEngine, RedirectsAreFollowedFiveTimesAtMost)
{
    for (int hops : {1, 5, 6}) {
        EngineOptions options;
        options.redirects = hops;
        test::RunningEngine engine(sharedGraph(), options);
        const FetchResult fetched = fetchPage(engine->searchUrlPrefix() + "abc");
        const bool followed = hops <= 5;
        EXPECT_EQ(fetched.failed, !followed) << hops;
        EXPECT_EQ(fetched.body.view() == expectedPage("abc"), followed) << hops;
        EXPECT_EQ(engine->requestCount(), static_cast<std::size_t>(std::min(hops, 5) + 1)) << hops;
    }
}

TEST(FetchFromEngine, AnEndlessBodyIsCutAtTheSizeLimit)
{
    EngineOptions options;
    options.endlessBody = true;
    test::RunningEngine engine(sharedGraph(), options);
    FetchLimits limits;
    limits.largestBody = 1024 * 1024;
    const FetchResult fetched = fetchPage(engine->searchUrlPrefix() + "abc", {}, limits);
    EXPECT_TRUE(fetched.failed);
    EXPECT_EQ(fetched.body.size(), limits.largestBody);
    EXPECT_TRUE(fetched.body.view().starts_with(expectedPage("abc")));
}

TEST(FetchFromEngine, AStopRequestAbortsAFetchThatWaits)
{
    EngineOptions options;
    options.latency = 20s;
    test::RunningEngine engine(sharedGraph(), options);
    std::stop_source stop;
    auto fetching = std::async(std::launch::async,
                               [&] { return timedFetch(engine->searchUrlPrefix() + "abc", {}, stop.get_token()); });
    ASSERT_TRUE(engine->waitForRequests(1, 5s));
    stop.request_stop();
    const TimedFetch fetched = fetching.get();
    EXPECT_TRUE(fetched.result.failed);
    EXPECT_TRUE(fetched.result.body.empty());
    EXPECT_LT(fetched.took, 2s);
}

TEST(FetchFromEngine, FetchesStartedTogetherAllSucceed)
{
    test::RunningEngine engine(sharedGraph());
    std::vector<std::future<FetchResult>> fetches;
    for (int i = 0; i < 6; ++i)
        fetches.push_back(std::async(
            std::launch::async, [&, i] { return fetchPage(engine->searchUrlPrefix() + "k" + std::to_string(i)); }));
    for (int i = 0; i < 6; ++i) {
        const FetchResult fetched = fetches[static_cast<std::size_t>(i)].get();
        EXPECT_FALSE(fetched.failed) << i;
        EXPECT_EQ(fetched.body.view(), expectedPage("k" + std::to_string(i))) << i;
    }
}

// --- the request as it goes out ------------------------------------------

struct RequestCase {
    const char* name;
    std::string keyword;
    std::string expectedTarget;
};

TEST(FetchRequest, IsAPlainHttp10GetWithTheKeywordEncoded)
{
    FaultServer server(FaultServer::answer("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    const std::vector<RequestCase> cases = {
        {"GBK bytes with the line break of a found keyword", gbk(u8"手机价格") + "\r\n",
         "/s?wd=%CA%D6%BB%FA%BC%DB%B8%F1"},
        {"spaces", "a b  c", "/s?wd=a%20b%20%20c"},
        {"CR LF inside cannot add a header", "a\r\nX-Injected: 1\r\n\r\nb",
         "/s?wd=a%0D%0AX-Injected:%201%0D%0A%0D%0Ab"},
        {"fragment cut", "abc#def", "/s?wd=abc"},
        {"ampersand starts a parameter", "a&b=c", "/s?wd=a&b=c"},
        {"percent escapes pass", "%41", "/s?wd=%41"},
        {"empty keyword", "", "/s?wd="},
    };
    std::size_t expectedRequests = 0;
    for (const RequestCase& c : cases) {
        const FetchResult fetched = fetchPage(searchUrl(server.url("/s?wd="), c.keyword));
        ASSERT_TRUE(server.waitForRequests(++expectedRequests, 5s)) << c.name;
        EXPECT_FALSE(fetched.failed) << c.name;
        EXPECT_EQ(fetched.body.view(), "ok") << c.name;

        const std::string head = server.requests().back();
        EXPECT_TRUE(head.starts_with("GET " + c.expectedTarget + " HTTP/1.0\r\n")) << c.name << "\n" << head;
        EXPECT_EQ(head.find("\r\n\r\n") + 4, head.size()) << c.name << ": nothing after the head";
        EXPECT_EQ(countOf(head, "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"), 1u)
            << c.name;
        EXPECT_EQ(countOf(head, "\r\nAccept:"), 1u) << c.name;
        EXPECT_EQ(countOf(head, "\r\nAccept: */*\r\n"), 1u) << c.name;
        EXPECT_EQ(countOf(head, "\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"), 1u) << c.name;
        for (const char* absent : {"Content-Length", "Transfer-Encoding", "Accept-Encoding", "Cookie", "Authorization",
                                   "Referer", "Expect", "keep-alive", "Keep-Alive"})
            EXPECT_EQ(head.find(absent), std::string::npos) << c.name << ": " << absent;
    }
}

TEST(FetchRequest, AKeywordOf3000BytesMakesNoRequest)
{
    FaultServer server(FaultServer::answer("HTTP/1.0 200 OK\r\n\r\nok"));
    const FetchResult fetched = fetchPage(searchUrl(server.url("/s?wd="), std::string(3000, 'k')));
    EXPECT_TRUE(fetched.failed);
    EXPECT_TRUE(fetched.body.empty());
    // A request that was made would reach the server before the fetch returns.
    EXPECT_EQ(server.connectionCount(), 0u);
}

TEST(FetchRequest, URLsThatCannotBeSplitOrAreNotHttpMakeNoRequest)
{
    FaultServer server(FaultServer::answer("HTTP/1.0 200 OK\r\n\r\nok"));
    const std::string hostAndPort = "127.0.0.1:" + std::to_string(server.port());
    struct Case {
        const char* name;
        std::string url;
        bool requested;
    };
    const std::vector<Case> cases = {
        {"empty URL", "", false},
        {"path of 2048", "http://" + hostAndPort + "/s?wd=" + std::string(2042, 'k'), false},
        {"path of 2047", "http://" + hostAndPort + "/s?wd=" + std::string(2041, 'k'), true},
        {"user name of 128", "http://" + std::string(128, 'u') + "@" + hostAndPort + "/", false},
        {"user name of 127", "http://" + std::string(127, 'u') + "@" + hostAndPort + "/", true},
        {"password of 128", "http://u:" + std::string(128, 'p') + "@" + hostAndPort + "/", false},
        {"other scheme", "ftp://" + hostAndPort + "/", false},
        {"malformed", "http//" + hostAndPort + "/", false},
    };
    std::size_t connections = 0;
    for (const Case& c : cases) {
        const FetchResult fetched = fetchPage(c.url);
        connections += c.requested ? 1 : 0;
        if (c.requested) {
            ASSERT_TRUE(server.waitForRequests(connections, 5s)) << c.name;
        }
        EXPECT_EQ(server.connectionCount(), connections) << c.name;
        EXPECT_EQ(fetched.failed, !c.requested) << c.name;
        EXPECT_EQ(fetched.body.view(), c.requested ? "ok" : "") << c.name;
    }
    EXPECT_TRUE(server.requests().back().starts_with("GET / HTTP/1.0\r\n"));
}

TEST(FetchRequest, TheProxyOfTheEnvironmentIsUsed)
{
    FaultServer proxy(FaultServer::answer("HTTP/1.0 200 OK\r\n\r\nvia proxy"));
    const char* noProxy = std::getenv("no_proxy");
    const std::optional<std::string> savedNoProxy = noProxy ? std::optional<std::string>(noProxy) : std::nullopt;
    ASSERT_EQ(setenv("http_proxy", proxy.url("/").c_str(), 1), 0);
    ASSERT_EQ(setenv("no_proxy", "", 1), 0);
    const FetchResult fetched = fetchPage("http://search.example.test/s?wd=%CA%D6");
    unsetenv("http_proxy");
    if (savedNoProxy)
        setenv("no_proxy", savedNoProxy->c_str(), 1);
    else
        unsetenv("no_proxy");
    EXPECT_EQ(fetched.body.view(), "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_TRUE(proxy.requests()[0].starts_with("GET http://search.example.test/s?wd=%CA%D6 HTTP/1.0\r\n"))
        << proxy.requests()[0];
}

// --- responses that go wrong --------------------------------------------

struct FaultCase {
    const char* name;
    std::string response; // sent as it is, then the connection is closed
    std::string body;
    bool failed;
    std::int32_t readSize;
};

TEST(FetchFaults, WhatComesBackForEachKindOfResponse)
{
    const std::vector<FaultCase> cases = {
        {"closed without an answer", "", "", true, 0},
        {"closed inside the headers", "HTTP/1.0 200 OK\r\nContent-Le", "", true, 10240},
        {"no Content-Length", "HTTP/1.0 200 OK\r\n\r\nhello", "hello", false, 10240},
        {"Content-Length 0", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\nhello", "hello", false, 10240},
        {"negative Content-Length", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nhello", "hello", false, 10240},
        {"Content-Length not a number", "HTTP/1.0 200 OK\r\nContent-Length: abc\r\n\r\nhello", "hello", false, 10240},
        {"Content-Length too long to read",
         "HTTP/1.0 200 OK\r\nContent-Length: " + std::string(31, '0') + "5\r\n\r\nhello", "hello", false, 10240},
        {"Content-Length with trailing bytes", "HTTP/1.0 200 OK\r\nContent-Length: 5xyz\r\n\r\nhello", "hello", false,
         6},
        {"body longer than announced", "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nhello", "hel", false, 4},
        {"body shorter than announced", "HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n\r\nhello", "hello", true, 3001},
        {"404 with a body", "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found", "not found", false, 10},
        {"body with NUL bytes", std::string("HTTP/1.0 200 OK\r\n\r\na\0b\0", 23), std::string("a\0b\0", 4), false,
         10240},
    };
    for (const FaultCase& c : cases) {
        FaultServer server(FaultServer::answer(c.response));
        const FetchResult fetched = fetchPage(server.url("/s?wd=a"));
        EXPECT_EQ(fetched.body.view(), c.body) << c.name;
        EXPECT_EQ(fetched.failed, c.failed) << c.name;
        EXPECT_EQ(fetched.readSize, c.readSize) << c.name;
    }
}

TEST(FetchFaults, AResetDuringTheBodyGivesTheBytesSoFar)
{
    FaultServer server([](test::FaultConnection& connection, const std::string&) {
        connection.send("HTTP/1.0 200 OK\r\n\r\n" + std::string(3000, 'b'));
        connection.reset();
    });
    const FetchResult fetched = fetchPage(server.url("/s?wd=a"));
    EXPECT_TRUE(fetched.failed);
    EXPECT_EQ(fetched.body.view(), std::string(3000, 'b'));
}

TEST(FetchFaults, ARefusedConnectionFailsAndTheNextFetchWorks)
{
    const test::RefusingPort refusing;
    const FetchResult refused = fetchPage("http://127.0.0.1:" + std::to_string(refusing.port()) + "/s?wd=a");
    EXPECT_TRUE(refused.failed);
    EXPECT_TRUE(refused.body.empty());

    test::RunningEngine engine(sharedGraph());
    const FetchResult next = fetchPage(engine->searchUrlPrefix() + "abc");
    EXPECT_FALSE(next.failed);
    EXPECT_EQ(next.body.view(), expectedPage("abc"));
}

TEST(FetchFaults, ASecureConnectionThatFailsGivesNothing)
{
    // The server answers in plain HTTP at once, where the secure handshake
    // expects the server's greeting.
    FaultServer server(FaultServer::answer("HTTP/1.0 200 OK\r\n\r\nplain"), FaultServer::AnswerAtOnce);
    const FetchResult fetched = fetchPage("https://127.0.0.1:" + std::to_string(server.port()) + "/s?wd=a");
    EXPECT_TRUE(fetched.failed);
    EXPECT_TRUE(fetched.body.empty());
    EXPECT_EQ(server.connectionCount(), 1u);
}

TEST(FetchFaults, WaitsAreBounded)
{
    FetchLimits limits;
    limits.connectTimeout = 300ms;
    limits.stallTimeout = 400ms;
    const auto headThenBody = [](std::string sent) {
        return [sent](test::FaultConnection& connection, const std::string&) {
            if (connection.send(sent))
                connection.waitForClientClose();
        };
    };

    {
        SCOPED_TRACE("a host that does not answer the connect");
        const test::UnansweringPort unanswering;
        const TimedFetch fetched = timedFetch("http://127.0.0.1:" + std::to_string(unanswering.port()) + "/", limits);
        EXPECT_TRUE(fetched.result.failed);
        EXPECT_TRUE(fetched.result.body.empty());
        // The client's clock may round the time-out down by a few ms.
        EXPECT_GE(fetched.took, limits.connectTimeout - 20ms);
        EXPECT_LT(fetched.took, 3s);
    }
    const std::vector<std::pair<std::string, std::string>> stalls = {
        {"", ""},
        {"HTTP/1.0 200 OK\r\n\r\n", ""},
        {"HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nsome", "some"},
    };
    for (const auto& [sent, body] : stalls) {
        SCOPED_TRACE("a server that stops after: " + sent);
        FaultServer server(headThenBody(sent));
        const TimedFetch fetched = timedFetch(server.url("/s?wd=a"), limits);
        EXPECT_TRUE(fetched.result.failed);
        EXPECT_EQ(fetched.result.body.view(), body);
        EXPECT_GE(fetched.took, limits.stallTimeout - 20ms);
        EXPECT_LT(fetched.took, 3s);
    }
}

TEST(FetchFaults, ASlowButSteadyBodyIsNotAStall)
{
    FetchLimits limits;
    limits.stallTimeout = 300ms;
    // Bytes keep coming, each well within the stall time, for longer than it.
    FaultServer server([](test::FaultConnection& connection, const std::string& head) {
        if (!connection.send("HTTP/1.0 200 OK\r\nContent-Length: 6\r\n\r\n"))
            return;
        for (char byte : std::string("steady")) {
            std::this_thread::sleep_for(100ms); // the server's pace, not a wait for an event
            if (!connection.send(std::string(1, byte)))
                return;
        }
        (void)head;
        connection.waitForClientClose();
    });
    const FetchResult fetched = fetchPage(server.url("/"), {}, limits);
    EXPECT_FALSE(fetched.failed);
    EXPECT_EQ(fetched.body.view(), "steady");
}

} // namespace
} // namespace kw
