#pragma once
// The program's event handlers, bound to the events of both windows: the
// three buttons of MainWindow, FilterWindow's export button, the creation of
// each window, the menu commands and the tray icon.

#include "app/workers.h"
#include "filter/result_filter.h"
#include "mining/mining_run.h"
#include "ui/form_events.h"
#include "ui/tray_icon.h"

#include <functional>
#include <string_view>

namespace kw {

// The procedures the handlers start, so that tests can put controllable
// ones in their place.
struct Procedures {
    std::function<void(const MiningRunContext&)> miningRun;
    std::function<void(const FilterPassContext&)> resultFilter;
    std::function<void(FormModel&, WindowRef)> exportText;
    std::string_view searchUrlPrefix;

    // MiningRun, ResultFilter, exportText and SearchUrlPrefix.
    static Procedures real();
};

class ProgramHandlers final : public FormEvents {
public:
    // tray may be null: the program then has no tray icon.
    ProgramHandlers(FormModel& form, Workers& workers, Procedures procedures, TrayHost* tray);

    void formCreated(Window window, std::uint64_t instance) override;
    void formDestroyed(Window window) override;
    void buttonClick(Window window, Control button) override;
    void menuCommand(MenuItem item) override;
    void trayNotify(int code) override;

    // 按钮1: a mining run on a worker, unless one is active; "挖掘中" either way.
    void startMining();
    // 按钮2: "停止挖掘" <-> "继续挖掘"; the run reads it as its stop flag.
    void togglePause();
    // 按钮3: FilterWindow, modally.
    void openFilterWindow();
    // FilterWindow's creation: a filter pass for that loading.
    void startFilterPass(std::uint64_t filterWindowInstance);
    // FilterWindow's 按钮1.
    void exportText();
    // MainWindow's creation: the program icon with the tip "zaror".
    void installTrayIcon();
    // Code 3 (right button) opens the tray menu; 1 and 2 do nothing.
    void showTrayMenu(int code);
    void hideMainWindow();
    void showMainWindow();
    void exitProgram();

private:
    FormModel& form_;
    Workers& workers_;
    Procedures procedures_;
    TrayHost* tray_;
};

} // namespace kw
