// The offline engine's pages and graph: what the mining tests and the demo
// rely on.
#include "mining/related_searches.h"
#include "support/gbk.h"
#include "tools/offline_engine/engine_server.h"
#include "tools/offline_engine/result_page.h"

#include <gtest/gtest.h>

#include <set>

namespace kw {
namespace {

using engine::EngineOptions;
using engine::SyntheticKeywordGraph;

std::vector<std::string> extracted(std::string_view page)
{
    std::vector<std::string> keywords;
    for (const Text& candidate : extractRelatedSearches(page))
        keywords.push_back(candidate.substr(0, candidate.size() - 2));
    return keywords;
}

TEST(OfflineEngine, ResultPagesCarryTheirSixRelatedSearchesAfterTheMarker)
{
    const SyntheticKeywordGraph graph;
    for (std::size_t id : {0u, 1u, 59u, 12345u, 59999u}) {
        const std::string& keyword = graph.keyword(id);
        const auto related = graph.relatedSearches(keyword);
        ASSERT_TRUE(related);
        ASSERT_EQ(related->size(), 6u);
        EXPECT_EQ(extracted(engine::resultPage(keyword, related)), *related) << id;
    }
}

TEST(OfflineEngine, TheGraphIsFixedAndLargeEnoughForAFullRun)
{
    const SyntheticKeywordGraph graph;
    const SyntheticKeywordGraph again;
    EXPECT_EQ(graph.size(), 60000u);
    std::set<std::string> distinct;
    for (std::size_t id = 0; id < graph.size(); id += 97) {
        distinct.insert(graph.keyword(id));
        EXPECT_EQ(graph.relatedSearches(graph.keyword(id)), again.relatedSearches(graph.keyword(id)));
    }
    EXPECT_EQ(distinct.size(), (graph.size() + 96) / 97);
    // A typed seed that names a subject gets pages about it.
    const std::string phone = test::gbk(u8"手机");
    const auto related = graph.relatedSearches(phone);
    EXPECT_NE(related->at(0).find(phone), std::string::npos);
}

TEST(OfflineEngine, ASmallGraphHoldsOnlyItsFewKeywords)
{
    const SyntheticKeywordGraph graph(3);
    std::set<std::string> seen;
    for (std::string_view query :
         {std::string_view("anything"), std::string_view(graph.keyword(0)), std::string_view(graph.keyword(2))}) {
        const auto related = graph.relatedSearches(query);
        seen.insert(related->begin(), related->end());
    }
    EXPECT_LE(seen.size(), 3u);
    for (const std::string& keyword : seen)
        EXPECT_TRUE(keyword == graph.keyword(0) || keyword == graph.keyword(1) || keyword == graph.keyword(2));
}

TEST(OfflineEngine, AnswersByPathAndQuery)
{
    const SyntheticKeywordGraph graph;
    const EngineOptions plain;
    struct Case {
        const char* name;
        std::string request;
        std::string statusLine;
        bool marker;
        std::optional<std::string> query;
    };
    const std::string phone = test::gbk(u8"手机");
    const std::vector<Case> cases = {
        {"search", "GET /s?wd=%CA%D6%BB%FA HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", true, phone},
        {"search, more parameters", "GET /s?ie=gb2312&wd=%CA%D6%BB%FA&b=c HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", true,
         phone},
        {"empty query", "GET /s?wd= HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", false, ""},
        {"home", "GET / HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", false, std::nullopt},
        {"other path", "GET /favicon.ico HTTP/1.0\r\n\r\n", "HTTP/1.0 404 Not Found", false, std::nullopt},
        {"through a proxy", "GET http://www.baidu.com/s?wd=%CA%D6%BB%FA HTTP/1.0\r\n\r\n", "HTTP/1.0 200 OK", true,
         phone},
    };
    for (const Case& c : cases) {
        std::optional<std::string> query;
        const engine::EngineResponse response = engine::respond(graph, c.request, plain, &query);
        EXPECT_TRUE(response.head.starts_with(c.statusLine + "\r\n")) << c.name;
        EXPECT_NE(response.head.find("Content-Length: " + std::to_string(response.body.size()) + "\r\n"),
                  std::string::npos)
            << c.name;
        const std::string marker = test::gbk(u8"相关搜索");
        EXPECT_EQ(response.body.find(marker) != std::string::npos, c.marker) << c.name;
        EXPECT_EQ(query, c.query) << c.name;
    }
}

TEST(OfflineEngine, MisbehavesOnRequest)
{
    const SyntheticKeywordGraph graph;
    const std::string request = "GET /s?wd=abc HTTP/1.0\r\n\r\n";
    const std::string page = engine::respond(graph, request, {}).body;

    EngineOptions options;
    options.statusCode = 503;
    options.sendContentLength = false;
    options.nulAt = 10;
    engine::EngineResponse response = engine::respond(graph, request, options);
    EXPECT_TRUE(response.head.starts_with("HTTP/1.0 503 "));
    EXPECT_EQ(response.head.find("Content-Length"), std::string::npos);
    EXPECT_EQ(response.body, page.substr(0, 10) + '\0' + page.substr(10));

    options = {};
    options.contentLengthValue = "-7";
    options.redirects = 2;
    response = engine::respond(graph, request, options);
    EXPECT_TRUE(response.head.starts_with("HTTP/1.0 302 "));
    EXPECT_NE(response.head.find("\r\nLocation: /s?wd=abc&hop=1\r\n"), std::string::npos);
    response = engine::respond(graph, "GET /s?wd=abc&hop=2 HTTP/1.0\r\n\r\n", options);
    EXPECT_NE(response.head.find("\r\nContent-Length: -7\r\n"), std::string::npos);
    EXPECT_EQ(response.body, page);
}

} // namespace
} // namespace kw
