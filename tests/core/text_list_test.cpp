#include "app/globals.h"
#include "app/text_list.h"
#include "support/fatal_capture.h"
#include "text/gbk_texts.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

Text fatalText(std::int32_t code, std::string_view message)
{
    Text expected(gbk::FatalHeader);
    if (code != 0)
        expected += concatTexts(gbk::FatalCodeLabel, intToText(code), "\r\n\r\n");
    expected += concatTexts(gbk::FatalMessageLabel, message, "\r\n");
    return expected;
}

Text memberOrFatalText(const TextList& list, std::int32_t position)
{
    test::CaptureFatalErrors capture;
    try {
        return "member:" + listMember(list, position);
    } catch (const test::FatalErrorRaised& raised) {
        return raised.text;
    }
}

TEST(TextList, AppendsCopiesAndCountsEmptyMembers)
{
    TextList list;
    EXPECT_EQ(listCount(list), 0);
    Text original = "seed";
    listAppend(list, original);
    original = "changed";
    listAppend(list, "");
    EXPECT_EQ(listCount(list), 2);
    EXPECT_EQ(listMember(list, 1), "seed");
    EXPECT_EQ(listMember(list, 2), "");
    listRelease(list);
    EXPECT_EQ(listCount(list), 0);
}

TEST(TextList, PositionsOutsideTheListAreFatalBelowOneFirst)
{
    TextList empty;
    TextList three;
    for (const char* member : {"a", "b", "c"})
        listAppend(three, member);

    const Text belowOne = fatalText(4, gbk::IndexBelowOne);
    const Text aboveRange = fatalText(1, gbk::IndexAboveRange);
    EXPECT_EQ(memberOrFatalText(empty, 0), belowOne);
    EXPECT_EQ(memberOrFatalText(empty, -3), belowOne);
    EXPECT_EQ(memberOrFatalText(three, 0), belowOne);
    EXPECT_EQ(memberOrFatalText(empty, 1), aboveRange);
    EXPECT_EQ(memberOrFatalText(three, 4), aboveRange);
    EXPECT_EQ(memberOrFatalText(three, 3), "member:c");
}

TEST(TextList, OnePastTheEndComposesTheExactBoxText)
{
    TextList list;
    listAppend(list, "x");
    // 运行时出错!\r\n\r\n 错误代码：1\r\n\r\n 错误信息：数组成员引用下标超出定义范围\r\n
    const Text expected = concatTexts(gbk::FatalHeader, gbk::FatalCodeLabel, "1", "\r\n\r\n", gbk::FatalMessageLabel,
                                      gbk::IndexAboveRange, "\r\n");
    EXPECT_EQ(memberOrFatalText(list, 2), expected);
}

TEST(Globals, StartEmptyAndReleaseOnce)
{
    initGlobals();
    Globals& g = globals();
    EXPECT_EQ(listCount(g.KeywordList), 0);
    EXPECT_EQ(listCount(g.FilterLineList), 0);
    EXPECT_EQ(g.IterationCounter, 0);
    EXPECT_EQ(g.FilterLineCounter, 0);
    for (const Text& slot : g.CandidateSlot)
        EXPECT_TRUE(slot.empty());

    listAppend(g.KeywordList, "k");
    g.CandidateSlot[2] = "c";
    EXPECT_FALSE(globalsReleased());
    releaseGlobals();
    EXPECT_TRUE(globalsReleased());
    EXPECT_EQ(listCount(globals().KeywordList), 0);
    EXPECT_TRUE(globals().CandidateSlot[2].empty());
    releaseGlobals(); // a second call does nothing
    EXPECT_TRUE(globalsReleased());
}

} // namespace
} // namespace kw
