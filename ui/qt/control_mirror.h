#pragma once
// What the program's controls hold, kept beside the widgets so that every
// thread can read and change it at once, without waiting for a turn of the
// GUI thread. The mirror holds, for each control of each loaded window, its
// text as bytes and its version (raised by every change), under one mutex.
//
// A write or an append changes the mirror at once, so that every later
// read, from any thread, sees it, and leaves a change for the widgets,
// which the GUI thread takes and shows in order. Changes of one control
// that wait together are joined: a write replaces what waited before it,
// and appends are put together into one insertion.
//
// A user's edit happens in the widget, on the GUI thread: the control's
// mirror is then stale until the GUI thread reads the widget again
// (refresh), and reading or appending to it needs the GUI thread.

#include "text/text.h"
#include "ui/form_model.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace kw {

// A change that the widgets have yet to show: the control's whole text
// replaced (when replacement is set), then text appended to it.
struct WidgetChange {
    Window window;
    std::uint64_t instance;
    Control control;
    std::optional<Text> replacement;
    Text appended;
};

class ControlMirror {
public:
    enum class Outcome { done, dropped, needsGuiThread };

    struct Reading {
        Outcome outcome;
        // Nothing when the control's version is still the one known.
        std::optional<VersionedText> value;
    };
    struct Change {
        Outcome outcome;
        // The first change since the GUI thread last took them: it has to be
        // woken to show it.
        bool wakeGuiThread = false;
    };

    // --- any thread ----------------------------------------------------------
    // A dropped reading gives the empty text with version 0.
    Reading read(WindowRef window, Control control, std::optional<std::uint64_t> knownVersion);
    Change write(WindowRef window, Control control, std::string_view value);
    // Only an edit box takes appended text; for any other control it is dropped.
    Change append(WindowRef window, Control control, std::string_view text);
    std::uint64_t loadedInstance(Window window);
    // From now on every operation is dropped.
    void shutdown();

    // --- GUI thread ----------------------------------------------------------
    // The window's loading has its controls with their design texts.
    void windowLoaded(Window window, std::uint64_t instance, const std::function<Text(Control)>& widgetText);
    // Its controls go back to empty, and its changes still waiting are dropped.
    void windowGone(Window window);
    void userEdited(WindowRef window, Control control);
    // A stale control takes widgetText() (called under the mirror's lock);
    // one that a write has made current again meanwhile keeps its text.
    void refresh(WindowRef window, Control control, const std::function<Text()>& widgetText);

    struct Taken {
        std::vector<WidgetChange> changes;
        // Changes are left: the GUI thread has to come back for them.
        bool more = false;
    };
    // Takes the waiting changes in order, with at most appendBudget bytes of
    // appended text unless a single append is longer. A longer run of
    // appends is cut after a line break, which never falls inside a
    // double-byte character, and its rest stays first in line.
    Taken takeChanges(std::size_t appendBudget);
    bool hasChanges();

private:
    struct Mirrored {
        Text bytes;
        std::uint64_t version = 0;
        bool current = true; // false from a user's edit until refresh
        bool appendable = false;
    };
    struct MirroredWindow {
        std::uint64_t instance = 0; // 0 while not loaded
        std::map<Control, Mirrored> controls;
    };

    Mirrored* findLocked(WindowRef window, Control control);
    WidgetChange& changeLocked(WindowRef window, Control control);
    bool wakeLocked();

    std::mutex mutex_;
    bool shutDown_ = false;
    std::map<Window, MirroredWindow> windows_;
    std::deque<WidgetChange> waiting_;
    bool guiThreadWoken_ = false;
};

} // namespace kw
