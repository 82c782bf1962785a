#include "ui/handlers.h"

#include "app/globals.h"
#include "filter/text_export.h"
#include "mining/search_url_prefix.h"
#include "text/gbk_texts.h"
#include "ui/program_icon.h"

namespace kw {

Procedures Procedures::real()
{
    return {MiningRun, ResultFilter, kw::exportText, SearchUrlPrefix};
}

ProgramHandlers::ProgramHandlers(FormModel& form, Workers& workers, Procedures procedures, TrayHost* tray)
    : form_(form), workers_(workers), procedures_(std::move(procedures)), tray_(tray)
{
}

void ProgramHandlers::formCreated(Window window, std::uint64_t instance)
{
    if (window == Window::MainWindow)
        installTrayIcon();
    else
        startFilterPass(instance);
}

void ProgramHandlers::formDestroyed(Window window)
{
    if (window == Window::MainWindow) {
        if (tray_)
            setTrayIcon(*tray_, Bytes(), std::nullopt);
    } else {
        workers_.stopFilterPasses();
    }
}

void ProgramHandlers::buttonClick(Window window, Control button)
{
    if (window == Window::FilterWindow) {
        if (button == Control::按钮1)
            exportText();
        return;
    }
    switch (button) {
    case Control::按钮1:
        startMining();
        break;
    case Control::按钮2:
        togglePause();
        break;
    case Control::按钮3:
        openFilterWindow();
        break;
    default:
        break;
    }
}

void ProgramHandlers::menuCommand(MenuItem item)
{
    switch (item) {
    case MenuItem::隐藏:
        hideMainWindow();
        break;
    case MenuItem::显示:
        showMainWindow();
        break;
    case MenuItem::退出:
        exitProgram();
        break;
    case MenuItem::菜单:
        break;
    }
}

void ProgramHandlers::trayNotify(int code)
{
    showTrayMenu(code);
}

void ProgramHandlers::startMining()
{
    workers_.startMining([this](std::stop_token stop) {
        procedures_.miningRun(MiningRunContext{form_, globals(), procedures_.searchUrlPrefix, stop});
    });
    form_.writeProperty(Window::MainWindow, Control::按钮1, TextProperty::caption, gbk::MiningButtonCaption);
}

void ProgramHandlers::togglePause()
{
    const Text caption = form_.readProperty(Window::MainWindow, Control::按钮2, TextProperty::caption);
    form_.writeProperty(Window::MainWindow, Control::按钮2, TextProperty::caption,
                        caption == gbk::RunningCaption ? gbk::PausedCaption : gbk::RunningCaption);
}

void ProgramHandlers::openFilterWindow()
{
    form_.loadWindow(Window::FilterWindow, true);
}

void ProgramHandlers::startFilterPass(std::uint64_t filterWindowInstance)
{
    workers_.startFilterPass([this, filterWindowInstance](std::stop_token stop) {
        procedures_.resultFilter(FilterPassContext{form_, globals(), filterWindowInstance, stop});
    });
}

void ProgramHandlers::exportText()
{
    procedures_.exportText(form_, WindowRef(Window::FilterWindow, form_.loadedInstance(Window::FilterWindow)));
}

void ProgramHandlers::installTrayIcon()
{
    if (tray_)
        setTrayIcon(*tray_, ProgramIcon, gbk::TrayTip);
}

void ProgramHandlers::showTrayMenu(int code)
{
    if (code != 3 || !tray_)
        return;
    if (const auto chosen = popupTrayMenu(*tray_, mainWindowMenu(), MenuItem::菜单))
        menuCommand(*chosen);
}

void ProgramHandlers::hideMainWindow()
{
    form_.writeProperty(Window::MainWindow, Control::Window, FlagProperty::visible, false);
}

void ProgramHandlers::showMainWindow()
{
    form_.writeProperty(Window::MainWindow, Control::Window, FlagProperty::visible, true);
}

void ProgramHandlers::exitProgram()
{
    form_.destroyWindow(Window::MainWindow);
}

} // namespace kw
