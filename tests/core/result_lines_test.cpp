// The duplicate test compares whole lines of the result box.
#include "mining/result_lines.h"
#include "support/gbk.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

struct LineCase {
    const char* name;
    std::string box;
    std::string keyword;
    bool duplicate;
};

TEST(ResultLines, AKeywordIsADuplicateOnlyAsAWholeLine)
{
    const std::string phonePrice = test::gbk(u8"手机价格");
    const std::string price = test::gbk(u8"价格");
    const std::vector<LineCase> cases = {
        {"equal line", "abc\r\n", "abc\r\n", true},
        {"end of a longer line", "xabc\r\n", "abc\r\n", false},
        {"start of a longer line", "abcx\r\n", "abc\r\n", false},
        {"GBK: the end of a line", phonePrice + "\r\n", price + "\r\n", false},
        {"GBK: the same line", "a\r\n" + phonePrice + "\r\nb\r\n", phonePrice + "\r\n", true},
        {"case matters", "abc\r\n", "ABC\r\n", false},
        {"the last line without a line break", "x\r\nabc", "abc\r\n", true},
        {"the first line", "abc\r\nx\r\n", "abc\r\n", true},
        {"a later match after a partial one", "xabc\r\nabc\r\n", "abc\r\n", true},
        {"a lone LF is no line break", "x\nabc\r\n", "abc\r\n", false},
        {"empty box", "", "abc\r\n", false},
        {"a keyword without its line break", "abc\r\n", "abc", true},
        {"a keyword spanning two lines, as two lines", "a\r\nb\r\n", "a\r\nb\r\n", true},
        {"a keyword spanning two lines, inside longer ones", "xa\r\nb\r\n", "a\r\nb\r\n", false},
    };
    for (const LineCase& c : cases)
        EXPECT_EQ(isLineOfBox(c.box, c.keyword), c.duplicate) << c.name;
}

} // namespace
} // namespace kw
