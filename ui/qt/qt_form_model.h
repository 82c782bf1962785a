#pragma once
// The form model the program shows: the two designed windows as Qt widgets.
//
// Every operation may be called from any thread, and each is whole with
// respect to the GUI thread. The texts of the controls are kept in a
// ControlMirror beside the widgets: text reads, writes and appends are
// served there at once, from any thread, and the widgets follow on the GUI
// thread, which takes the waiting changes in order whenever its loop turns
// (on the GUI thread itself they are shown before the operation returns).
// A control that the user has edited is read once through the GUI thread
// again. Everything else (flags, loading, destruction, dialogs) runs on the
// GUI thread: from another thread it is handed over through the
// GuiTaskQueue and the caller waits until it has run, after the waiting
// changes have been shown. The GUI thread never waits for a worker. After
// shutdown every operation is dropped at once: a write does nothing and a
// read gives the empty text (or false).

#include "ui/form_events.h"
#include "ui/form_model.h"
#include "ui/qt/control_mirror.h"
#include "ui/qt/designed_window.h"
#include "ui/qt/dialog_seam.h"
#include "ui/qt/gui_task_queue.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace kw {

class QtFormModel final : public FormModel {
public:
    // On the GUI thread.
    explicit QtFormModel(GuiTaskQueue& queue);
    ~QtFormModel() override;
    QtFormModel(const QtFormModel&) = delete;
    QtFormModel& operator=(const QtFormModel&) = delete;

    void setEvents(FormEvents* events) { events_ = events; }
    // Called on the GUI thread when a destruction leaves no window loaded.
    void setLastWindowGone(std::function<void()> callback) { lastWindowGone_ = std::move(callback); }

    Text readProperty(WindowRef window, Control control, TextProperty property) override;
    std::optional<VersionedText> readPropertyIfChanged(WindowRef window, Control control, TextProperty property,
                                                       std::uint64_t knownVersion) override;
    bool readProperty(WindowRef window, Control control, FlagProperty property) override;
    void writeProperty(WindowRef window, Control control, TextProperty property, std::string_view value) override;
    void writeProperty(WindowRef window, Control control, FlagProperty property, bool value) override;
    void appendText(WindowRef window, Control editBox, std::string_view text) override;
    bool loadWindow(Window window, bool modal) override;
    void destroyWindow(Window window) override;
    bool showFileDialog(WindowRef window, Control dialog) override;
    void showMessage(WindowRef owner, std::string_view caption, std::string_view text) override;
    std::uint64_t loadedInstance(Window window) override;

    // --- GUI thread --------------------------------------------------------
    bool anyWindowLoaded() const { return !loadings_.empty(); }
    // The window's widget while it is loaded (what a user sees), else nullptr.
    DesignedWindow* widget(Window window) const;
    // Stops serving: every operation from now on is dropped, and every
    // waiting worker is released.
    void shutdown();
    // Destroys the windows still loaded, without raising events.
    void destroyAll();
    // Whether the widgets show every change made so far.
    bool widgetsShowEverything() { return !mirror_.hasChanges(); }

    // Test seams: the next save dialog or message box shown hands itself
    // to the hook inside its loop.
    void setNextFileDialogHook(DialogSeam::Hook hook) { fileDialogSeam_.setNext(std::move(hook)); }
    void setNextMessageHook(DialogSeam::Hook hook) { messageSeam_.setNext(std::move(hook)); }

private:
    struct DeleteLater {
        void operator()(QObject* object) const { object->deleteLater(); }
    };
    struct Remembered {
        Window window;
        std::uint64_t instance;
        bool disabled;
    };
    struct Loading {
        std::unique_ptr<DesignedWindow, DeleteLater> widget;
        std::uint64_t instance = 0;
        bool visible = true; // visible when loaded
        bool disabled = false;
        bool shown = false; // step 6 of loading has passed
        std::vector<Remembered> disabledOnLoad;
        QEventLoop* modalLoop = nullptr;
    };

    Loading* find(WindowRef window);
    // Runs work on the GUI thread, after the waiting changes have been
    // shown, when the window's loading is there; otherwise does nothing.
    void onLoadedWindow(WindowRef window, const std::function<void(Loading&)>& work);
    std::optional<VersionedText> readText(WindowRef window, Control control, std::optional<std::uint64_t> known);
    // After a change of the mirror: on the GUI thread the widgets show it at
    // once; from another thread the GUI thread is woken when it must be.
    void changed(const ControlMirror::Change& change);
    // GUI thread, woken by a worker's change: shows the waiting changes,
    // but not more often than a screen can show them.
    void showWorkerChanges();
    // GUI thread: shows the waiting changes, at most a bounded batch of them
    // unless everything is asked for.
    void showChanges(bool everything);
    // GUI thread: the mirror of a control the user edited takes the
    // widget's text again, after every waiting change has been shown.
    void refreshFromWidget(WindowRef window, Control control);
    void applyWindowFlags(Loading& loading, bool bringForward);
    bool loadOnGuiThread(Window window, bool modal);
    void destroyNow(WindowRef window);

    GuiTaskQueue& queue_;
    ControlMirror mirror_;
    QElapsedTimer sinceChangesShown_;
    QTimer showChangesLater_;
    FormEvents* events_ = nullptr;
    std::function<void()> lastWindowGone_;
    std::map<Window, Loading> loadings_; // GUI thread only
    std::uint64_t nextInstance_ = 1;
    DialogSeam fileDialogSeam_;
    DialogSeam messageSeam_;
};

} // namespace kw
