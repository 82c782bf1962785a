#pragma once
// The program on Qt: the form model, the tray, the handlers, the fatal
// error box and the event loop, put together and run by runProgram.

#include "app/workers.h"
#include "ui/handlers.h"
#include "ui/qt/gui_task_queue.h"
#include "ui/qt/qt_fatal_presenter.h"
#include "ui/qt/qt_form_model.h"
#include "ui/qt/qt_tray_host.h"

#include <functional>

namespace kw {

// The parts of the running program, for test drivers.
struct QtProgramParts {
    GuiTaskQueue& queue;
    QtFormModel& form;
    QtTrayHost& tray;
    ProgramHandlers& handlers;
    Workers& workers;
    QtFatalErrorPresenter& fatalErrors;
};

struct QtProgramOptions {
    Procedures procedures = Procedures::real();
    // Runs on the GUI thread once the event loop has begun (test drivers).
    std::function<void(QtProgramParts&)> started;
};

// Needs a QApplication. Returns the exit code, 0.
int runQtProgram(QtProgramOptions options = {});

} // namespace kw
