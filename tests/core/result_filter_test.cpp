// The filter pass on one thread: what it lists for the cases users run
// into, and the order of its reads and writes.
#include "filter_window_fixture.h"

#include "text/gbk_texts.h"

#include <tuple>

namespace kw {
namespace {

using test::FilterWindowTest;

struct FilterCase {
    const char* what;
    std::string_view results;
    std::string_view exclude;
    std::string_view include;
    std::string_view count;
    std::string_view lines;
};

// GBK: 0xB0A1 0xB0A1 holds the bytes A1 B0 only across a character border.
constexpr std::string_view TwoCharacters = "\xb0\xa1\xb0\xa1";
constexpr std::string_view AcrossTheBorder = "\xa1\xb0";

const FilterCase filterCases[] = {
    {"a line passing both tests is listed twice", "a\r\nab\r\nb\r\n", "b", "a", "3", "a\r\na\r\nab\r\n"},
    {"an empty first line passes only the exclude test", "\r\na\r\n", "x", "a", "2", "\r\na\r\na\r\n"},
    {"an empty line with only an include text is never listed", "\r\nab\r\n", "", "a", "2", "ab\r\n"},
    {"an empty box lists nothing and counts 0", "", "b", "a", "0", ""},
    {"empty filter boxes list nothing but count", "a\r\nab\r\nb\r\n", "", "", "3", ""},
    {"a last line without a break still counts", "a\r\nb", "x", "", "2", "a\r\nb\r\n"},
    {"adjacent breaks give an empty line", "a\r\n\r\nb\r\n", "a", "", "3", "\r\nb\r\n"},
    {"a bare LF does not split", "a\nb\r\nc\r\n", "c", "", "2", "a\nb\r\n"},
    {"the tests are case-sensitive", "Ab\r\nab\r\n", "A", "a", "2", "ab\r\nab\r\n"},
    {"a match across a double-byte border is no match", "\xb0\xa1\xb0\xa1\r\n", AcrossTheBorder, AcrossTheBorder, "1",
     "\xb0\xa1\xb0\xa1\r\n"},
    {"a double-byte text is found on its own border", "\xb0\xa1\xb0\xa1\r\nx\r\n", "", "\xb0\xa1", "2",
     "\xb0\xa1\xb0\xa1\r\n"},
};

TEST_F(FilterWindowTest, ListsTheLinesThatPassEachTest)
{
    ASSERT_EQ(TwoCharacters.find(AcrossTheBorder), 1u); // the bytes are there, misaligned
    for (const FilterCase& c : filterCases) {
        SCOPED_TRACE(c.what);
        setResults(c.results);
        setFilters(c.exclude, c.include);
        const std::uint64_t instance = loadFilterWindow();
        runPass(instance);
        EXPECT_EQ(shownCount(), c.count);
        EXPECT_EQ(shownLines(), c.lines);
        EXPECT_EQ(intToText(listCount(globals.FilterLineList)), c.count);
        form.userClose(Window::FilterWindow);
    }
}

TEST_F(FilterWindowTest, ReplacesTheLinesOfTheLastPassAndWalksThemWithTheCounter)
{
    setResults("old1\r\nold2\r\nold3\r\n");
    runPass(loadFilterWindow());
    form.userClose(Window::FilterWindow);

    setResults("a\r\nb\r\n");
    runPass(loadFilterWindow());
    EXPECT_EQ(globals.FilterLineList.members(), (std::vector<Text>{"a", "b"}));
    EXPECT_EQ(globals.FilterLineCounter, 3); // one past the last line
}

// Every operation of a pass in order, with the line counter at that moment:
// the count is shown and the box emptied before any line is looked at, and
// each filter box is read twice when it is not empty, the exclude box first.
TEST_F(FilterWindowTest, ShowsTheCountFirstThenTestsEachLineInTurn)
{
    using Op = HeadlessFormModel::Operation;
    using Step = std::tuple<Op, Window, Control, Text, std::int32_t>;
    setResults("a\r\nb\r\n");
    setFilters("b", "");
    const std::uint64_t instance = loadFilterWindow();
    std::vector<Step> steps;
    form.setObserver([&](const HeadlessFormModel::Record& r) {
        steps.emplace_back(r.operation, r.window, r.control, r.value, globals.FilterLineCounter);
    });
    runPass(instance);

    constexpr auto M = Window::MainWindow;
    constexpr auto F = Window::FilterWindow;
    const std::vector<Step> expected{
        {Op::read, M, Control::编辑框2, "a\r\nb\r\n", 0}, {Op::write, F, Control::标签1, "2", 0},
        {Op::write, F, Control::编辑框1, "", 0},          {Op::read, M, Control::编辑框4, "b", 1},
        {Op::read, M, Control::编辑框4, "b", 1},          {Op::append, F, Control::编辑框1, "a\r\n", 1},
        {Op::read, M, Control::编辑框5, "", 1},           {Op::read, M, Control::编辑框4, "b", 2},
        {Op::read, M, Control::编辑框4, "b", 2},          {Op::read, M, Control::编辑框5, "", 2},
    };
    EXPECT_EQ(steps, expected);
}

// The user may change a filter box between the two readings of one line;
// the second reading is the text the line is tested against.
TEST_F(FilterWindowTest, TestsEachLineAgainstTheSecondReading)
{
    setResults("a\r\nab\r\nb\r\n");
    setFilters("decoy", "decoy");
    const std::uint64_t instance = loadFilterWindow();
    form.setObserver([&](const HeadlessFormModel::Record& r) {
        if (r.operation != HeadlessFormModel::Operation::read)
            return;
        const Text real = r.control == Control::编辑框4 ? "b" : "a";
        if (r.control == Control::编辑框4 || r.control == Control::编辑框5)
            form.userSetText(Window::MainWindow, r.control, r.value == "decoy" ? real : Text("decoy"));
    });
    runPass(instance);
    EXPECT_EQ(shownLines(), "a\r\na\r\nab\r\n");
}

TEST_F(FilterWindowTest, APassForAClosedWindowLeavesTheListAlone)
{
    setResults("a\r\n");
    runPass(loadFilterWindow());
    const std::uint64_t closed = form.loadedInstance(Window::FilterWindow);
    form.userClose(Window::FilterWindow);

    setResults("x\r\ny\r\n");
    runPass(closed);
    EXPECT_EQ(globals.FilterLineList.members(), std::vector<Text>{"a"});
}

} // namespace
} // namespace kw
