// The program's handlers on the headless form model, with procedures that
// the tests control.
#include "app/globals.h"
#include "support/fake_tray.h"
#include "support/gate.h"
#include "text/gbk_texts.h"
#include "ui/handlers.h"
#include "ui/headless_form_model.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kw {
namespace {

using namespace std::chrono_literals;
using test::Counter;
using test::FakeTray;
using test::Gate;

class Handlers : public ::testing::Test {
protected:
    Handlers()
    {
        initGlobals();
        form.setEvents(&handlers);
        form.loadWindow(Window::MainWindow, false);
    }
    ~Handlers() override
    {
        miningRelease.open();
        workers.shutdown();
    }

    Procedures controllable()
    {
        Procedures procedures;
        procedures.miningRun = [this](const MiningRunContext& context) {
            miningStarted.add();
            miningRelease.wait(context.stop);
        };
        procedures.resultFilter = [this](const FilterPassContext& context) {
            {
                std::lock_guard lock(mutex);
                passInstances.push_back(context.filterWindowInstance);
            }
            passStarted.add();
            Gate never;
            never.wait(context.stop);
            if (context.stop.stop_requested())
                passStopped.add();
        };
        procedures.exportText = [this](FormModel&, WindowRef window) { exportedTo = window.instance; };
        procedures.searchUrlPrefix = "http://127.0.0.1:1/s?wd=";
        return procedures;
    }

    Text caption(Window window, Control control) { return form.readProperty(window, control, TextProperty::caption); }

    // The GUI thread of the headless model blocks in a modal load; it gets
    // a thread of its own here.
    std::jthread clickFilterButton()
    {
        return std::jthread([this] { form.userClick(Window::MainWindow, Control::按钮3); });
    }

    std::vector<std::uint64_t> instances()
    {
        std::lock_guard lock(mutex);
        return passInstances;
    }

    HeadlessFormModel form;
    Workers workers;
    FakeTray tray;
    Gate miningRelease;
    Counter miningStarted;
    Counter passStarted;
    Counter passStopped;
    std::mutex mutex;
    std::vector<std::uint64_t> passInstances;
    std::uint64_t exportedTo = 0;
    ProgramHandlers handlers{form, workers, controllable(), &tray};
};

TEST_F(Handlers, ClickOnStartDuringAnActiveRunStartsNoSecondRunAndStillShowsMining)
{
    form.userClick(Window::MainWindow, Control::按钮1);
    EXPECT_EQ(caption(Window::MainWindow, Control::按钮1), gbk::MiningButtonCaption);
    ASSERT_TRUE(miningStarted.waitFor(1));

    form.writeProperty(Window::MainWindow, Control::按钮1, TextProperty::caption, "x");
    form.userClick(Window::MainWindow, Control::按钮1);
    EXPECT_EQ(caption(Window::MainWindow, Control::按钮1), gbk::MiningButtonCaption);
    EXPECT_TRUE(workers.miningActive());

    miningRelease.open();
    workers.shutdown();
    EXPECT_EQ(miningStarted.count(), 1);
}

TEST_F(Handlers, TogglePauseFlipsOnlyTheExactRunningCaption)
{
    struct Case {
        Text before;
        std::string_view after;
    };
    const std::vector<Case> cases{
        {Text(gbk::RunningCaption), gbk::PausedCaption},
        {Text(gbk::PausedCaption), gbk::RunningCaption},
        {"", gbk::RunningCaption},
        {Text(gbk::RunningCaption) + " ", gbk::RunningCaption},
        {Text(gbk::RunningCaption).substr(0, 6), gbk::RunningCaption},
        {"anything", gbk::RunningCaption},
    };
    for (const Case& c : cases) {
        form.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption, c.before);
        form.userClick(Window::MainWindow, Control::按钮2);
        EXPECT_EQ(caption(Window::MainWindow, Control::按钮2), c.after) << c.before;
    }
}

TEST_F(Handlers, EachLoadingOfFilterWindowStartsAPassForThatLoading)
{
    for (int loading = 1; loading <= 2; ++loading) {
        std::jthread gui = clickFilterButton();
        ASSERT_TRUE(passStarted.waitFor(loading));
        const std::uint64_t instance = form.loadedInstance(Window::FilterWindow);
        ASSERT_NE(instance, 0u);
        EXPECT_EQ(instances().back(), instance);
        // MainWindow is disabled while FilterWindow is loaded (the loading
        // goes on after the pass has started).
        EXPECT_TRUE(form.waitUntil(
            [&] { return form.readProperty(Window::MainWindow, Control::Window, FlagProperty::disabled); }, 10s));

        form.userClose(Window::FilterWindow);
        gui.join();
        // The pass of a destroyed window is told to stop.
        ASSERT_TRUE(passStopped.waitFor(loading));
        EXPECT_FALSE(form.readProperty(Window::MainWindow, Control::Window, FlagProperty::disabled));
    }
    const auto seen = instances();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_NE(seen[0], seen[1]);
}

TEST_F(Handlers, APassThatOutlivesItsWindowCannotWriteIntoTheNextLoading)
{
    // A pass that ignores its stop token and writes after its window closed.
    Gate writeLate;
    Counter lateWritten;
    Procedures late = controllable();
    late.resultFilter = [&](const FilterPassContext& context) {
        const WindowRef mine(Window::FilterWindow, context.filterWindowInstance);
        if (context.filterWindowInstance == 0 || !writeLate.wait(std::stop_token()))
            return;
        context.form.appendText(mine, Control::编辑框1, "late\r\n");
        context.form.writeProperty(mine, Control::标签1, TextProperty::caption, "9");
        lateWritten.add();
    };
    ProgramHandlers lateHandlers(form, workers, late, nullptr);
    form.setEvents(&lateHandlers);

    std::jthread first = clickFilterButton();
    ASSERT_TRUE(form.waitUntil([&] { return form.loadedInstance(Window::FilterWindow) != 0; }, 10s));
    form.userClose(Window::FilterWindow);
    first.join();

    std::jthread second = clickFilterButton();
    ASSERT_TRUE(form.waitUntil([&] { return form.loadedInstance(Window::FilterWindow) != 0; }, 10s));
    writeLate.open();
    ASSERT_TRUE(lateWritten.waitFor(2));
    // The second pass wrote into its own loading; the first one's writes
    // were dropped, so the box holds one line, not two.
    EXPECT_EQ(form.readProperty(Window::FilterWindow, Control::编辑框1, TextProperty::text), "late\r\n");
    form.userClose(Window::FilterWindow);
    second.join();
    // A window that is not loaded reads empty and ignores writes.
    form.writeProperty(Window::FilterWindow, Control::标签1, TextProperty::caption, "x");
    EXPECT_EQ(form.readProperty(Window::FilterWindow, Control::标签1, TextProperty::caption), "");
    workers.shutdown();
}

TEST_F(Handlers, ExportGoesToTheLoadedFilterWindow)
{
    std::jthread gui = clickFilterButton();
    ASSERT_TRUE(passStarted.waitFor(1));
    form.userClick(Window::FilterWindow, Control::按钮1);
    EXPECT_EQ(exportedTo, form.loadedInstance(Window::FilterWindow));
    EXPECT_NE(exportedTo, 0u);
    form.userClose(Window::FilterWindow);
}

TEST_F(Handlers, MainWindowPutsTheProgramIconIntoTheTrayAndTakesItAlong)
{
    ASSERT_TRUE(tray.icon.has_value());
    EXPECT_EQ(tray.adds, 1);
    EXPECT_EQ(tray.icon->width, 32);
    EXPECT_EQ(tray.icon->height, 32);
    EXPECT_EQ(tray.tip, "zaror");

    form.userClose(Window::MainWindow);
    EXPECT_FALSE(tray.icon.has_value());
    EXPECT_EQ(tray.removes, 1);
}

TEST_F(Handlers, OnlyTheRightButtonOpensTheTrayMenuAtTheCursor)
{
    tray.cursor = {640, 12};
    handlers.trayNotify(1);
    handlers.trayNotify(2);
    EXPECT_TRUE(tray.popups.empty());

    handlers.trayNotify(3);
    ASSERT_EQ(tray.popups.size(), 1u);
    EXPECT_EQ(tray.popups[0].topRight, (ScreenPoint{635, 7}));
    std::vector<std::string_view> captions;
    for (const PopupEntry& entry : tray.popups[0].entries)
        captions.push_back(entry.caption);
    EXPECT_EQ(captions, (std::vector<std::string_view>{gbk::MenuHide, gbk::MenuShow, gbk::MenuExit}));
}

TEST_F(Handlers, TrayMenuEntriesHideShowAndEndMainWindow)
{
    auto visible = [&] { return form.readProperty(Window::MainWindow, Control::Window, FlagProperty::visible); };
    tray.answer = MenuItem::隐藏;
    handlers.trayNotify(3);
    EXPECT_FALSE(visible());
    EXPECT_TRUE(tray.hasIcon());
    EXPECT_NE(form.loadedInstance(Window::MainWindow), 0u);

    tray.answer = MenuItem::显示;
    handlers.trayNotify(3);
    EXPECT_TRUE(visible());

    tray.answer = std::nullopt; // closed without a choice
    handlers.trayNotify(3);
    EXPECT_TRUE(visible());

    tray.answer = MenuItem::退出;
    handlers.trayNotify(3);
    EXPECT_EQ(form.loadedInstance(Window::MainWindow), 0u);
    EXPECT_FALSE(tray.hasIcon());
}

TEST_F(Handlers, ExitWhileFilterWindowIsOpenLeavesItOpen)
{
    std::jthread gui = clickFilterButton();
    ASSERT_TRUE(passStarted.waitFor(1));
    handlers.menuCommand(MenuItem::退出);
    EXPECT_EQ(form.loadedInstance(Window::MainWindow), 0u);
    EXPECT_NE(form.loadedInstance(Window::FilterWindow), 0u);
    form.userClose(Window::FilterWindow);
}

} // namespace
} // namespace kw
