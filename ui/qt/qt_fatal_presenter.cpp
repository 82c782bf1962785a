#include "ui/qt/qt_fatal_presenter.h"

#include "text/gbk_edge.h"
#include "text/gbk_texts.h"

#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace kw {

namespace {

[[noreturn]] void endWithoutExitRoutine()
{
    std::fflush(nullptr);
    std::_Exit(-1);
}

} // namespace

void QtFatalErrorPresenter::showAndWait(const Text& composedText)
{
    QMessageBox box(QMessageBox::Critical, gbkToDisplay(gbk::FatalCaption, LineBreaks::single),
                    gbkToDisplay(composedText, LineBreaks::multi), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // Not modal: the windows and the workers go on while the box is open.
    box.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
    box.show();
    if (shownHook_) {
        QTimer::singleShot(0, &box, [this, target = QPointer<QMessageBox>(&box)] {
            if (target)
                shownHook_(*target);
        });
    }
    loop.exec();
}

void QtFatalErrorPresenter::presentAndExit(const Text& composedText)
{
    if (queue_.onGuiThread()) {
        showAndWait(composedText);
        endWithoutExitRoutine();
    }
    // The GUI thread shows the box and ends the process; this worker waits.
    queue_.run([&] {
        showAndWait(composedText);
        endWithoutExitRoutine();
    });
    // The GUI thread no longer serves (the program is ending): no box can be
    // shown, so the text goes to the error stream.
    std::fwrite(composedText.data(), 1, composedText.size(), stderr);
    endWithoutExitRoutine();
}

} // namespace kw
