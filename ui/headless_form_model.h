#pragma once
// A form model without a display, for the logic's tests and benchmarks. One
// mutex makes every operation whole. The thread that calls loadWindow and the
// user-action helpers plays the GUI thread; events run on it, synchronously.

#include "ui/form_events.h"
#include "ui/form_model.h"
#include "ui/window_designs.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace kw {

class HeadlessFormModel final : public FormModel {
public:
    // versionCheck: a readPropertyIfChanged that found the control unchanged
    // (one that found it changed is recorded as a read).
    enum class Operation { read, versionCheck, write, append, load, destroy, fileDialog, message };
    struct Record {
        Operation operation;
        Window window;
        Control control;
        Text value; // what was read, written or appended
    };

    explicit HeadlessFormModel(FormEvents* events = nullptr);

    void setEvents(FormEvents* events);

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

    // --- what a user does -------------------------------------------------
    // Replaces a box's text as if typed (also into a disabled box: tests use
    // it to set up state).
    void userSetText(Window window, Control editBox, std::string_view text);
    // Raises buttonClick on the calling thread, unless the control or its
    // window is disabled, as a real click would be ignored.
    void userClick(Window window, Control button);
    // Closes a window with its close button: restores the windows it
    // disabled and destroys it.
    void userClose(Window window);
    // The next showFileDialog confirms this name, or cancels when nullopt.
    void setNextFileDialogAnswer(std::optional<Text> fileName);

    // --- what a test observes ---------------------------------------------
    // Called after every operation, outside the lock, on the calling thread.
    void setObserver(std::function<void(const Record&)> observer);
    // Blocks until pred() holds, re-checking after every operation, or until
    // the timeout; returns pred()'s last value.
    bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
    std::size_t appendCount(Window window, Control editBox);
    // Message boxes shown so far, as caption and text.
    std::vector<std::pair<Text, Text>> messages();

private:
    struct ControlState {
        Text text;
        bool visible = true;
        bool disabled = false;
        std::uint64_t version = 1; // raised by every change of text
    };
    struct WindowState {
        bool loaded = false;
        std::uint64_t instance = 0;
        bool modalLoad = false;
        std::map<Window, bool> disabledByModal;   // windows it disabled, with their remembered state
        std::map<Control, ControlState> controls; // Control::Window is the window itself
        std::map<Control, std::size_t> appends;
    };

    WindowState& state(Window window);
    ControlState* find(WindowRef window, Control control); // nullptr when dropped
    void resetToDesign(Window window);
    void destroyLocked(Window window);
    void notify(const Record& record);

    std::mutex mutex_;
    std::condition_variable changed_;
    FormEvents* events_;
    std::map<Window, WindowState> windows_;
    std::uint64_t nextInstance_ = 1;
    std::uint64_t generation_ = 0; // counts changes, for waitUntil
    std::optional<Text> nextFileDialogAnswer_;
    std::vector<std::pair<Text, Text>> messages_;
    std::function<void(const Record&)> observer_;
};

} // namespace kw
