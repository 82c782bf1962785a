#include "app/fatal_error.h"
#include "app/memory.h"
#include "support/fatal_capture.h"
#include "text/gbk_texts.h"

#include <gtest/gtest.h>

namespace kw {
namespace {

TEST(FatalError, CodeAndMessageLinesOnlyWhenPresent)
{
    struct Case {
        std::int32_t code;
        Text message;
        Text expected;
    };
    const Text header(gbk::FatalHeader);
    const Text codeLabel(gbk::FatalCodeLabel);
    const Text messageLabel(gbk::FatalMessageLabel);
    const std::vector<Case> cases{
        {0, "", header},
        {0, "m", header + messageLabel + "m\r\n"},
        {4, "", header + codeLabel + "4\r\n\r\n"},
        {-2, "m", header + codeLabel + "-2\r\n\r\n" + messageLabel + "m\r\n"},
        {0, Text(gbk::StartupWindowFailed), header + messageLabel + Text(gbk::StartupWindowFailed) + "\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(composeFatalErrorText(c.code, c.message), c.expected) << c.code << " " << c.message;
}

TEST(FatalError, AllocationFailureNamesTheRequestedSize)
{
    test::CaptureFatalErrors capture;
    try {
        raiseAllocationFailure(100);
        FAIL() << "raiseAllocationFailure returned";
    } catch (const test::FatalErrorRaised& raised) {
        // 运行时出错!\r\n\r\n 错误信息：分配 100 字节内存失败!\r\n -- no code line
        EXPECT_EQ(raised.text, concatTexts(gbk::FatalHeader, gbk::FatalMessageLabel, gbk::AllocationFailedBefore, "100",
                                           gbk::AllocationFailedAfter, "\r\n"));
    }
}

TEST(FatalError, ACheckedAllocationThatFailsIsReportedWithItsSize)
{
    test::CaptureFatalErrors capture;
    try {
        withAllocationCheck(12345, []() -> int { throw std::bad_alloc(); });
        FAIL() << "the failed allocation was not reported";
    } catch (const test::FatalErrorRaised& raised) {
        EXPECT_NE(raised.text.find(concatTexts(gbk::AllocationFailedBefore, "12345")), Text::npos);
    }
}

} // namespace
} // namespace kw
