#pragma once
// The fatal error box: captioned "错误", the error icon and one OK button,
// owned by no window, so that the program's windows stay usable while it is
// open. Raised on a worker, the box is shown by the GUI thread while the
// worker waits. After OK the process ends with exit code -1, without the
// exit routine.

#include "app/fatal_error.h"
#include "ui/qt/gui_task_queue.h"

#include <QMessageBox>

#include <functional>

namespace kw {

class QtFatalErrorPresenter final : public FatalErrorPresenter {
public:
    explicit QtFatalErrorPresenter(GuiTaskQueue& queue) : queue_(queue) {}

    [[noreturn]] void presentAndExit(const Text& composedText) override;

    // Test seam: the box hands itself to the hook once it is shown (GUI
    // thread, inside the box's loop).
    void setShownHook(std::function<void(QMessageBox&)> hook) { shownHook_ = std::move(hook); }

private:
    // GUI thread: shows the box and returns once it has been answered.
    void showAndWait(const Text& composedText);

    GuiTaskQueue& queue_;
    std::function<void(QMessageBox&)> shownHook_;
};

} // namespace kw
