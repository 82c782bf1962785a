#pragma once
// The Qt form model with the program's handlers and procedures that the
// tests control, on the offscreen platform.

#include "app/globals.h"
#include "support/gate.h"
#include "ui/handlers.h"
#include "ui/qt/edge_widgets.h"
#include "ui/qt/gui_task_queue.h"
#include "ui/qt/qt_form_model.h"
#include "ui/qt/qt_tray_host.h"

#include <QPlainTextEdit>
#include <QTest>

#include <functional>
#include <memory>

namespace kw::test {

// What a user's typing does: one key press per character, Chinese ones
// included (QTest::keyClicks only types Latin-1).
inline void userTypes(QWidget* widget, const QString& text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
}

// What a label shows the user, or a null string for another control.
inline QString shownCaption(QWidget* label)
{
    const auto* caption = dynamic_cast<const CaptionLabel*>(label);
    return caption ? caption->shownText() : QString();
}

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
