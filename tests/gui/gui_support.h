#pragma once
// The Qt form model with the program's handlers and procedures that the
// tests control, on the offscreen platform.

#include "app/globals.h"
#include "support/gate.h"
#include "ui/handlers.h"
#include "ui/qt/gui_task_queue.h"
#include "ui/qt/qt_form_model.h"
#include "ui/qt/qt_tray_host.h"

#include <QPlainTextEdit>

#include <functional>
#include <memory>

namespace kw::test {

struct QtProgramUnderTest {
    explicit QtProgramUnderTest(Procedures procedures = {})
    {
        initGlobals();
        if (!procedures.miningRun)
            procedures.miningRun = [](const MiningRunContext&) {};
        if (!procedures.resultFilter)
            procedures.resultFilter = [](const FilterPassContext&) {};
        if (!procedures.exportText)
            procedures.exportText = [](FormModel&, WindowRef) {};
        handlers = std::make_unique<ProgramHandlers>(form, workers, std::move(procedures), &tray);
        form.setEvents(handlers.get());
        tray.setEvents(handlers.get());
    }
    ~QtProgramUnderTest()
    {
        form.shutdown();
        workers.shutdown();
        form.destroyAll();
    }

    QWidget* control(Window window, Control control) const
    {
        DesignedWindow* top = form.widget(window);
        return top ? top->controlWidget(control) : nullptr;
    }
    QPlainTextEdit* box(Window window, Control control) const
    {
        return qobject_cast<QPlainTextEdit*>(this->control(window, control));
    }

    GuiTaskQueue queue;
    QtFormModel form{queue};
    QtTrayHost tray;
    Workers workers;
    std::unique_ptr<ProgramHandlers> handlers;
};

} // namespace kw::test
