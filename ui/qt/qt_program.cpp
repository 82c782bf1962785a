#include "ui/qt/qt_program.h"

#include "app/memory.h"
#include "app/program_run.h"

#include <QApplication>
#include <QTimer>

namespace kw {

namespace {

class QtProgramShell final : public ProgramShell {
public:
    QtProgramShell(QtProgramParts& parts, std::function<void(QtProgramParts&)> started)
        : parts_(parts), started_(std::move(started))
    {
        // The program ends by its own rule (no window of it loaded), not by
        // Qt's idea of the last window.
        QApplication::setQuitOnLastWindowClosed(false);
        parts_.form.setLastWindowGone([this] {
            if (loopBegan_)
                QCoreApplication::exit(0);
        });
    }

    bool loadStartupWindow() override { return parts_.form.loadWindow(Window::MainWindow, false); }
    bool anyWindowLoaded() override { return parts_.form.anyWindowLoaded(); }

    int runEventLoop() override
    {
        loopBegan_ = true;
        if (started_)
            QTimer::singleShot(0, [this] { started_(parts_); });
        return QApplication::exec();
    }

    void stopServingWorkers() override { parts_.form.shutdown(); }

    void releaseToolkit() override
    {
        parts_.form.destroyAll();
        parts_.tray.removeIcon();
        // Windows destroyed during the last events are deleted now.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    QtProgramParts& parts_;
    std::function<void(QtProgramParts&)> started_;
    bool loopBegan_ = false;
};

// Puts the previous fatal error presenter back when the program is done.
class PresenterScope {
public:
    explicit PresenterScope(std::shared_ptr<FatalErrorPresenter> presenter)
        : previous_(setFatalErrorPresenter(std::move(presenter)))
    {
    }
    ~PresenterScope() { setFatalErrorPresenter(previous_); }
    PresenterScope(const PresenterScope&) = delete;
    PresenterScope& operator=(const PresenterScope&) = delete;

private:
    std::shared_ptr<FatalErrorPresenter> previous_;
};

} // namespace

int runQtProgram(QtProgramOptions options)
{
    GuiTaskQueue queue;
    auto fatalErrors = std::make_shared<QtFatalErrorPresenter>(queue);
    const PresenterScope presenter(fatalErrors);
    installAllocationFailureHandler();

    Workers workers;
    QtFormModel form(queue);
    QtTrayHost tray;
    ProgramHandlers handlers(form, workers, std::move(options.procedures), &tray);
    form.setEvents(&handlers);
    tray.setEvents(&handlers);

    QtProgramParts parts{queue, form, tray, handlers, workers, *fatalErrors};
    QtProgramShell shell(parts, std::move(options.started));
    return runProgram(shell, workers);
}

} // namespace kw
