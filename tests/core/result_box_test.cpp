// The mining run's view of the result box: each duplicate test reads the
// box at that instant, copying it only when something else than the run's
// own appends changed it.
#include "mining/result_box.h"
#include "mining/result_lines.h"
#include "ui/headless_form_model.h"

#include <gtest/gtest.h>

#include <mutex>

namespace kw {
namespace {

using Operation = HeadlessFormModel::Operation;

class ResultBoxTest : public ::testing::Test {
protected:
    ResultBoxTest()
    {
        form.loadWindow(Window::MainWindow, false);
        form.setObserver([this](const HeadlessFormModel::Record& record) {
            if (record.window != Window::MainWindow || record.control != Control::编辑框2)
                return;
            std::lock_guard lock(mutex);
            if (!counting)
                return;
            if (record.operation == Operation::read)
                ++wholeReads;
            else if (record.operation == Operation::versionCheck)
                ++versionChecks;
        });
    }

    Text boxText() { return form.readProperty(Window::MainWindow, Control::编辑框2, TextProperty::text); }
    int readsOfTheWholeBox()
    {
        std::lock_guard lock(mutex);
        return wholeReads;
    }
    // The answer of the view, checked against the search of the box as it
    // stands (a whole read of the test's own, not counted).
    bool holds(ResultBox& view, std::string_view keyword)
    {
        const bool answer = view.holdsLine(keyword);
        setCounting(false);
        EXPECT_EQ(answer, isLineOfBox(boxText(), keyword)) << keyword;
        setCounting(true);
        return answer;
    }
    void setCounting(bool on)
    {
        std::lock_guard lock(mutex);
        counting = on;
    }

    HeadlessFormModel form;
    std::mutex mutex;
    bool counting = true;
    int wholeReads = 0;
    int versionChecks = 0;
};

TEST_F(ResultBoxTest, TheRunsOwnAppendsNeedNoFurtherReadingOfTheBox)
{
    ResultBox view(form, Window::MainWindow);
    EXPECT_FALSE(holds(view, "a\r\n"));
    for (const char* line : {"a\r\n", "b\r\n", "c\r\n"})
        view.append(line);
    EXPECT_TRUE(holds(view, "a\r\n"));
    EXPECT_TRUE(holds(view, "c\r\n"));
    EXPECT_FALSE(holds(view, "d\r\n"));
    EXPECT_EQ(readsOfTheWholeBox(), 1);
    setCounting(false);
    EXPECT_EQ(boxText(), "a\r\nb\r\nc\r\n");
}

TEST_F(ResultBoxTest, EveryOtherChangeIsReadInFull)
{
    ResultBox view(form, Window::MainWindow);
    view.append("a\r\n");
    EXPECT_TRUE(holds(view, "a\r\n"));

    // The user's edit: a removed line, and a last line without CR LF.
    form.userSetText(Window::MainWindow, Control::编辑框2, "b\r\nx");
    EXPECT_FALSE(holds(view, "a\r\n"));
    EXPECT_TRUE(holds(view, "x\r\n"));
    // The run's append goes on with the unfinished line.
    view.append("y\r\n");
    EXPECT_TRUE(holds(view, "xy\r\n"));
    EXPECT_FALSE(holds(view, "x\r\n"));
    EXPECT_FALSE(holds(view, "y\r\n"));

    // Someone else appends, and then the run: two versions further.
    form.appendText(Window::MainWindow, Control::编辑框2, "other\r\n");
    view.append("z\r\n");
    EXPECT_TRUE(holds(view, "other\r\n"));
    EXPECT_TRUE(holds(view, "z\r\n"));

    // A write of the whole text.
    form.writeProperty(Window::MainWindow, Control::编辑框2, TextProperty::text, "q\r\n");
    EXPECT_FALSE(holds(view, "z\r\n"));
    EXPECT_TRUE(holds(view, "q\r\n"));
    EXPECT_EQ(readsOfTheWholeBox(), 4);
}

TEST_F(ResultBoxTest, ABoxWhoseWindowIsGoneHoldsNothing)
{
    ResultBox view(form, {Window::MainWindow, form.loadedInstance(Window::MainWindow)});
    view.append("a\r\n");
    EXPECT_TRUE(view.holdsLine("a\r\n"));
    form.destroyWindow(Window::MainWindow);
    EXPECT_FALSE(view.holdsLine("a\r\n"));
    view.append("b\r\n"); // dropped
    EXPECT_FALSE(view.holdsLine("b\r\n"));
    // A new loading of the window is not this view's box.
    form.loadWindow(Window::MainWindow, false);
    form.userSetText(Window::MainWindow, Control::编辑框2, "b\r\n");
    EXPECT_FALSE(view.holdsLine("b\r\n"));
}

} // namespace
} // namespace kw
