// The text operations against tables of cases, written the way they are
// usually talked about: tokens separated by spaces, where CR, LF, 0xB0 and
// (empty) stand for those bytes.
#include "app/text_list.h"
#include "text/text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kw {
namespace {

// "a 0xB0 CR LF" -> bytes. A token is CR, LF, 0xHH, (empty), or literal text.
Text t(std::string_view spelled)
{
    std::istringstream in{std::string(spelled)};
    Text out;
    for (std::string token; in >> token;) {
        if (token == "CR")
            out += '\r';
        else if (token == "LF")
            out += '\n';
        else if (token == "(empty)")
            continue;
        else if (token.size() == 4 && token.starts_with("0x"))
            out += static_cast<char>(std::stoi(token.substr(2), nullptr, 16));
        else
            out += token;
    }
    return out;
}

std::vector<Text> members(const TextList& list)
{
    return list.members();
}

struct FindCase {
    const char* text;
    const char* needle;
    std::optional<std::int32_t> start;
    bool ignoreCase;
    std::int32_t expected;
};

TEST(FindText, FollowsTheDoubleByteConvention)
{
    const std::vector<FindCase> cases{
        {"abcabc", "c", std::nullopt, false, 3},
        {"abcabc", "c", 4, false, 6},
        {"abcabc", "bc", 0, false, 2},
        {"abcabc", "bc", -5, false, 2},
        {"abc", "c", 4, false, -1},
        {"ab", "abc", std::nullopt, false, -1},
        {"abc", "(empty)", std::nullopt, false, 1},
        {"abc", "(empty)", 3, false, 1},
        {"abc", "(empty)", 4, false, -1},
        {"(empty)", "(empty)", std::nullopt, false, -1},
        {"0xB0 AA", "A", std::nullopt, false, 3},
        {"0xB0 AA", "A", 2, false, 2},
        {"0xB0 0xA1 0xB0 0xA1", "0xA1 0xB0", std::nullopt, false, -1},
        {"0xB0 0xA1 0xB0 0xA1", "0xA1 0xB0", 2, false, 2},
        {"a 0xB0 0xA1", "a 0xB0", std::nullopt, false, 1},
        {"AbC", "aBc", std::nullopt, true, 1},
        {"AbC", "aBc", std::nullopt, false, -1},
        // Case folding is ASCII only, and applies to second bytes too.
        {"0xB0 A", "0xB0 a", std::nullopt, true, 1},
        {"0xC1", "0xE1", std::nullopt, true, -1},
        // A lone lead byte at the very end is a character of its own.
        {"ab 0xB0", "0xB0", std::nullopt, false, 3},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "text=" << c.text << " needle=" << c.needle
                                        << " start=" << (c.start ? std::to_string(*c.start) : "omitted"));
        EXPECT_EQ(findText(t(c.text), t(c.needle), c.start, c.ignoreCase), c.expected);
    }
}

struct SplitCase {
    const char* text;
    std::optional<const char*> delimiter;
    std::optional<std::int32_t> limit;
    std::vector<const char*> expected;
};

TEST(SplitText, PiecesAndLimits)
{
    const std::vector<SplitCase> cases{
        {"a CR LF CR LF b CR LF", "CR LF", std::nullopt, {"a", "(empty)", "b"}},
        {"(empty)", "CR LF", std::nullopt, {}},
        {"CR LF", "CR LF", std::nullopt, {"(empty)"}},
        {"CR LF a", "CR LF", std::nullopt, {"(empty)", "a"}},
        {"a", "CR LF", std::nullopt, {"a"}},
        {"0xB0 CR LF", "CR LF", std::nullopt, {"0xB0 CR LF"}},
        {"a,b,c", std::nullopt, std::nullopt, {"a", "b", "c"}},
        {"a,b,c", ",", 2, {"a", "b"}},
        {"a,b,c", ",", 3, {"a", "b", "c"}},
        {"a,b,c", ",", 7, {"a", "b", "c"}},
        {"a,b,c", ",", 0, {}},
        {"a,b,c", ",", -1, {}},
        {"a,b", "(empty)", std::nullopt, {"a,b"}},
        // A limit that runs out on the last delimiter drops nothing more.
        {"a,b,", ",", 2, {"a", "b"}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "text=" << c.text << " delimiter=" << c.delimiter.value_or("omitted")
                                        << " limit=" << (c.limit ? std::to_string(*c.limit) : "omitted"));
        std::optional<Text> delimiter;
        if (c.delimiter)
            delimiter = t(*c.delimiter);
        std::optional<std::string_view> delimiterView;
        if (delimiter)
            delimiterView = *delimiter;
        std::vector<Text> expected;
        for (const char* piece : c.expected)
            expected.push_back(t(piece));
        EXPECT_EQ(members(splitText(t(c.text), delimiterView, c.limit)), expected);
    }
}

TEST(SplitText, OmittedDelimiterIsNotTheEmptyDelimiter)
{
    EXPECT_EQ(members(splitText("a,b")), (std::vector<Text>{"a", "b"}));
    EXPECT_EQ(members(splitText("a,b", std::string_view{})), (std::vector<Text>{"a,b"}));
}

TEST(TextMidAndRight, CutBytesNotCharacters)
{
    struct Case {
        const char* operation;
        const char* text;
        std::int32_t start;
        std::int32_t count;
        const char* expected;
    };
    const std::vector<Case> cases{
        {"mid", "abcdef", 2, 3, "bcd"},        {"mid", "abcdef", 5, 10, "ef"},
        {"mid", "abcdef", 6, 1, "f"},          {"mid", "abcdef", 7, 1, "(empty)"},
        {"mid", "abcdef", 0, 3, "(empty)"},    {"mid", "abcdef", 2, 0, "(empty)"},
        {"mid", "abcdef", 2, -1, "(empty)"},   {"mid", "0xB0 0xA1 a", 2, 2, "0xA1 a"},
        {"right", "abcdef", 0, 2, "ef"},       {"right", "abcdef", 0, 6, "abcdef"},
        {"right", "abcdef", 0, 10, "abcdef"},  {"right", "abcdef", 0, 0, "(empty)"},
        {"right", "abcdef", 0, -1, "(empty)"}, {"right", "a 0xB0 0xA1", 0, 1, "0xA1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.operation << " " << c.text << " " << c.start << " " << c.count);
        const Text result = std::string_view(c.operation) == "mid" ? textMid(t(c.text), c.start, c.count)
                                                                   : textRight(t(c.text), c.count);
        EXPECT_EQ(result, t(c.expected));
    }
}

TEST(CompareTexts, BytesAreUnsigned)
{
    EXPECT_EQ(compareTexts("", Text()), 0);
    EXPECT_EQ(compareTexts("a", "b"), -1);
    EXPECT_EQ(compareTexts("b", "a"), 1);
    EXPECT_EQ(compareTexts("ab", "a"), 1);
    EXPECT_EQ(compareTexts("a", "ab"), -1);
    EXPECT_EQ(compareTexts(t("0xB0"), "a"), 1);
    EXPECT_EQ(compareTexts("abc", "abc"), 0);
}

TEST(Conversions, IntegersBytesAndDoubles)
{
    EXPECT_EQ(concatTexts("a", Text(), "b"), "ab");
    EXPECT_EQ(concatTexts(Text(), Text()), "");
    EXPECT_EQ(concatTexts("x", "y", "z", "1", "2", "3"), "xyz123");

    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-7), "-7");
    EXPECT_EQ(intToText(2147483647), "2147483647");
    EXPECT_EQ(intToText(-2147483647 - 1), "-2147483648");

    EXPECT_EQ(bytesToText(Bytes(std::string("ab\0c", 4))), "ab");
    EXPECT_EQ(bytesToText(Bytes(std::string("\0a", 2))), "");
    EXPECT_EQ(bytesToText(Bytes()), "");
    EXPECT_EQ(bytesToText(Bytes(t("a 0xB0 0xA1"))), t("a 0xB0 0xA1"));

    EXPECT_TRUE(textToBytes("").empty());
    EXPECT_EQ(textToBytes("ab"), Bytes("ab"));

    EXPECT_EQ(toInt32(7.0), 7);
    EXPECT_EQ(toInt32(2.9), 2);
    EXPECT_EQ(toInt32(-2.9), -2);

    EXPECT_EQ(textLength(""), 0);
    EXPECT_EQ(textLength(t("0xB0 0xA1 a")), 3);
}

} // namespace
} // namespace kw
