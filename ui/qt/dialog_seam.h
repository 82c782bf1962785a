#pragma once
// A test seam for the program's modal dialogs (the save dialog and the
// message boxes): the next dialog shown hands itself to a hook once its own
// event loop runs, so that a test can answer it, or keep it open while it
// checks what goes on meanwhile. Without a hook the user answers.

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <utility>

namespace kw {

class DialogSeam {
public:
    using Hook = std::function<void(QDialog&)>;

    void setNext(Hook hook) { next_ = std::move(hook); }

    // Called just before the dialog's loop starts: the hook runs inside it.
    void arm(QDialog& dialog)
    {
        if (!next_)
            return;
        QTimer::singleShot(0, &dialog, [hook = std::exchange(next_, Hook()), target = QPointer<QDialog>(&dialog)] {
            if (target)
                hook(*target);
        });
    }

private:
    Hook next_;
};

} // namespace kw
