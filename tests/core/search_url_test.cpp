// The URL of a keyword and the splitting of a URL: what goes onto the
// request line, and which URLs are never fetched.
#include "mining/fetch.h"
#include "mining/search_url.h"
#include "mining/search_url_prefix.h"
#include "mining/url_parts.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

constexpr std::string_view prefix = "http://www.baidu.com/s?wd=";

TEST(SearchUrl, TheCompiledPrefixAddressesTheResultPageWithItsKeyword)
{
    // Whatever address the build was configured with, it must serve /s
    // with the keyword in wd, over http or https.
    const auto parts = splitUrl(searchUrl(SearchUrlPrefix, "a"));
    ASSERT_TRUE(parts) << SearchUrlPrefix;
    EXPECT_TRUE(parts->scheme == "http" || parts->scheme == "https") << SearchUrlPrefix;
    EXPECT_EQ(objectName(parts->pathWithQuery), "/s?wd=a") << SearchUrlPrefix;
}

struct UrlCase {
    const char* name;
    std::string keyword;
    std::string expectedAfterPrefix;
};

TEST(SearchUrl, EncodesOnlyTheBytesThatWouldBreakTheRequestLine)
{
    const std::vector<UrlCase> cases = {
        {"empty keyword", "", ""},
        {"plain", "abc", "abc"},
        {"GBK bytes", test::gbk(u8"手机价格"), "%CA%D6%BB%FA%BC%DB%B8%F1"},
        {"trailing CR LF dropped", test::gbk(u8"手机") + "\r\n", "%CA%D6%BB%FA"},
        {"only the last CR LF dropped", "a\r\n\r\n", "a%0D%0A"},
        {"CR LF inside", "a\r\nHost: evil\r\nb", "a%0D%0AHost:%20evil%0D%0Ab"},
        {"lone CR and LF at the end", "a\n", "a%0A"},
        {"space", "a b", "a%20b"},
        {"unsafe punctuation", "\"<>\\^`{|}", "%22%3C%3E%5C%5E%60%7B%7C%7D"},
        {"controls", std::string("\x01\x1F\x7F", 3), "%01%1F%7F"},
        {"URL characters kept", "a&b=c+d/e?f%41#g", "a&b=c+d/e?f%41#g"},
        {"lowest and highest high bytes", "\x80\xFF", "%80%FF"},
    };
    for (const UrlCase& c : cases)
        EXPECT_EQ(searchUrl(prefix, c.keyword), std::string(prefix) + c.expectedAfterPrefix) << c.name;
}

TEST(SearchUrl, EncodingTwiceChangesNothingMore)
{
    std::string everyByte;
    for (int byte = 1; byte < 256; ++byte)
        everyByte += static_cast<char>(byte);
    const Text once = percentEncodeUnsafeBytes(everyByte);
    EXPECT_EQ(percentEncodeUnsafeBytes(once), once);
    for (unsigned char byte : once)
        EXPECT_FALSE(isUnsafeUrlByte(byte)) << int(byte);
}

TEST(UrlSplitting, TakesTheFetchedPartsApart)
{
    const auto parts = splitUrl("HTTP://user:pa:ss@127.0.0.1:8080/s?wd=a#frag#more");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->scheme, "http");
    EXPECT_EQ(parts->userName, "user");
    EXPECT_EQ(parts->password, "pa:ss");
    EXPECT_EQ(parts->host, "127.0.0.1");
    EXPECT_EQ(parts->port, 8080);
    EXPECT_EQ(parts->pathWithQuery, "/s?wd=a#frag#more");
    EXPECT_EQ(objectName(parts->pathWithQuery), "/s?wd=a");

    EXPECT_EQ(splitUrl("https://example.com")->port, 443);
    EXPECT_EQ(splitUrl("https://example.com")->pathWithQuery, "/");
    EXPECT_EQ(splitUrl("http://example.com?wd=x")->pathWithQuery, "/?wd=x");
    EXPECT_EQ(splitUrl("http://[::1]:81/")->host, "[::1]");
    EXPECT_EQ(splitUrl("http://[::1]:81/")->port, 81);
    EXPECT_EQ(splitUrl("ftp://example.com/")->port, 0);
}

struct LimitCase {
    const char* name;
    std::string url;
    bool splits;
};

TEST(UrlSplitting, EachPartHasItsLongestLength)
{
    const std::string host255(255, 'h');
    const auto pathOf = [](std::size_t length) { return "/s?wd=" + std::string(length - 6, 'k'); };
    const std::vector<LimitCase> cases = {
        {"host of 255", "http://" + host255 + "/", true},
        {"host of 256", "http://" + host255 + "h/", false},
        {"path of 2047", "http://h" + pathOf(2047), true},
        {"path of 2048", "http://h" + pathOf(2048), false},
        {"fragment counts in the path", "http://h" + pathOf(2040) + "#" + std::string(7, 'f'), false},
        {"user name of 127", "http://" + std::string(127, 'u') + "@h/", true},
        {"user name of 128", "http://" + std::string(128, 'u') + "@h/", false},
        {"password of 127", "http://u:" + std::string(127, 'p') + "@h/", true},
        {"password of 128", "http://u:" + std::string(128, 'p') + "@h/", false},
        {"no scheme", "www.baidu.com/s?wd=a", false},
        {"empty host", "http:///s", false},
        {"port zero", "http://h:0/", false},
        {"port too large", "http://h:65536/", false},
        {"port not a number", "http://h:8o/", false},
        {"space in host", "http://h h/", false},
        {"CR LF in host", "http://h\r\nX: y/", false},
        {"unclosed IPv6 literal", "http://[::1/", false},
    };
    for (const LimitCase& c : cases)
        EXPECT_EQ(splitUrl(c.url).has_value(), c.splits) << c.name;
}

struct ReadSizeCase {
    std::optional<std::string> contentLength;
    std::int32_t readSize;
};

TEST(ReadSize, FollowsTheAnnouncedLength)
{
    const std::vector<ReadSizeCase> cases = {
        {std::nullopt, 10240},
        {"0", 10240},
        {"-5", 10240},
        {"abc", 10240},
        {"", 10240},
        {"1", 2},
        {"3000", 3001},
        {"  3000xyz", 3001},
        {"+3000", 3001},
        {"102399", 102400},
        {"102400", 102400},
        {"500000", 102400},
        {"99999999999999999999999999", 102400},
        // 32 bytes do not fit the value buffer with its NUL: unreadable.
        {std::string(26, '0') + "12345", 12346},
        {std::string(27, '0') + "12345", 10240},
        {"  " + std::string(24, '0') + "12345", 12346},
        {"  " + std::string(25, '0') + "12345", 10240},
    };
    for (const ReadSizeCase& c : cases)
        EXPECT_EQ(readSizeFor(c.contentLength), c.readSize) << c.contentLength.value_or("(absent)");
}

} // namespace
} // namespace kw
