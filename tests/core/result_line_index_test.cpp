// The line index of the duplicate test answers exactly what the search of
// the whole box answers, however the box came to be: read whole, grown by
// appends cut anywhere (also between the CR and the LF of a line break),
// or read again after someone else changed it.
#include "mining/result_line_index.h"
#include "mining/result_lines.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

#include <random>

namespace kw {
namespace {

struct Case {
    const char* name;
    std::string box;
    std::string keyword;
};

const std::vector<Case>& cases()
{
    static const std::vector<Case> all = [] {
        const std::string phonePrice = test::gbk(u8"手机价格");
        const std::string price = test::gbk(u8"价格");
        return std::vector<Case>{
            {"equal line", "abc\r\n", "abc\r\n"},
            {"end of a longer line", "xabc\r\n", "abc\r\n"},
            {"start of a longer line", "abcx\r\n", "abc\r\n"},
            {"GBK: the end of a line", phonePrice + "\r\n", price + "\r\n"},
            {"GBK: the same line", "a\r\n" + phonePrice + "\r\nb\r\n", phonePrice + "\r\n"},
            {"case matters", "abc\r\n", "ABC\r\n"},
            {"the last line without a line break", "x\r\nabc", "abc\r\n"},
            {"a box that does not end with CR LF, another line", "abc\r\nx", "abc\r\n"},
            {"the first line", "abc\r\nx\r\n", "abc\r\n"},
            {"a lone LF is no line break", "x\nabc\r\n", "abc\r\n"},
            {"a lone CR is no line break", "x\rabc\r\n", "abc\r\n"},
            {"a line ending in CR", "abc\r\r\n", "abc\r\r\n"},
            {"a line starting with LF", "x\r\n\nabc\r\n", "\nabc\r\n"},
            {"empty box", "", "abc\r\n"},
            {"empty box, empty line", "", "\r\n"},
            {"an empty line in the middle", "a\r\n\r\nb\r\n", "\r\n"},
            {"the empty piece after the last line break", "a\r\n", "\r\n"},
            {"a keyword without its line break", "abc\r\n", "abc"},
            {"a keyword spanning two lines, as two lines", "a\r\nb\r\n", "a\r\nb\r\n"},
            {"a keyword spanning two lines, inside longer ones", "xa\r\nb\r\n", "a\r\nb\r\n"},
            {"a keyword spanning lines into the unfinished one", "a\r\nbc", "a\r\nbc\r\n"},
        };
    }();
    return all;
}

TEST(ResultLineIndex, AnswersWhatTheSearchOfTheWholeBoxAnswers)
{
    for (const Case& c : cases()) {
        const bool expected = isLineOfBox(c.box, c.keyword);
        ResultLineIndex read;
        read.rebuild(c.box);
        EXPECT_EQ(read.holds(c.keyword), expected) << c.name << ", read whole";
        // Grown by two appends, cut at every place.
        for (std::size_t cut = 0; cut <= c.box.size(); ++cut) {
            ResultLineIndex grown;
            grown.rebuild(c.box.substr(0, cut));
            grown.append(c.box.substr(cut));
            EXPECT_EQ(grown.holds(c.keyword), expected) << c.name << ", cut at " << cut;
        }
        ResultLineIndex byteByByte;
        for (char byte : c.box)
            byteByByte.append(std::string(1, byte));
        EXPECT_EQ(byteByByte.holds(c.keyword), expected) << c.name << ", byte by byte";
    }
}

TEST(ResultLineIndex, AReadingReplacesEverythingHeldBefore)
{
    ResultLineIndex index;
    index.rebuild("a\r\nb\r\nc");
    index.append("d\r\n");
    EXPECT_TRUE(index.holds("cd\r\n"));
    index.rebuild("b\r\nx");
    EXPECT_FALSE(index.holds("a\r\n"));
    EXPECT_FALSE(index.holds("cd\r\n"));
    EXPECT_TRUE(index.holds("b\r\n"));
    EXPECT_TRUE(index.holds("x\r\n"));
}

// Random boxes built from the pieces that matter (CR and LF alone and
// together, double-byte characters), grown by random appends and now and
// then read whole again; every keyword that could match is asked for.
TEST(ResultLineIndex, RandomBoxesAndAppendsAgreeWithTheWholeBoxSearch)
{
    static const std::vector<std::string> pieces{"a", "b", "\r", "\n", "\r\n", "\r\n", "\xb0\xa1", "\xb0", "ab"};
    std::mt19937 random(20240617);
    auto randomText = [&](int most) {
        std::string text;
        for (int n = std::uniform_int_distribution(0, most)(random); n > 0; --n)
            text += pieces[random() % pieces.size()];
        return text;
    };
    for (int round = 0; round < 300; ++round) {
        ResultLineIndex index;
        std::string box = randomText(12);
        index.rebuild(box);
        for (int step = 0; step < 12; ++step) {
            if (random() % 6 == 0) {
                box = randomText(12);
                index.rebuild(box);
            } else {
                const std::string more = randomText(4);
                box += more;
                index.append(more);
            }
            // Keywords: every substring of the box, and some random texts.
            std::vector<std::string> keywords;
            for (std::size_t from = 0; from <= box.size(); ++from)
                for (std::size_t to = from; to <= box.size(); ++to)
                    keywords.push_back(box.substr(from, to - from) + "\r\n");
            for (int k = 0; k < 8; ++k)
                keywords.push_back(randomText(3) + (random() % 2 ? "\r\n" : ""));
            for (const std::string& keyword : keywords)
                ASSERT_EQ(index.holds(keyword), isLineOfBox(box, keyword))
                    << "round " << round << ", box '" << box << "', keyword '" << keyword << "'";
        }
    }
}

} // namespace
} // namespace kw
