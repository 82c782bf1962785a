#pragma once
// The form model: the only way the logic reaches the windows. Windows and
// controls are named as in the window designs, and properties are read and
// written by name. Every operation may be called from any thread; each one is
// whole with respect to the GUI thread (a read returns what the control held
// at one instant; when a write or an append returns, every later read sees
// it). Operations on a window that is not loaded are dropped: a write does
// nothing and a read gives the empty text (or false).
//
// Two implementations exist: the Qt one that the program shows, and a
// headless one that the logic's tests drive.

#include "text/text.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace kw {

enum class Window { MainWindow, FilterWindow };

// Control names of both window designs. `Window` stands for the window
// itself (its caption and visible properties).
enum class Control {
    Window,
    编辑框1,
    编辑框2,
    编辑框3,
    编辑框4,
    编辑框5,
    按钮1,
    按钮2,
    按钮3,
    标签1,
    标签2,
    标签3,
    标签4,
    标签5,
    标签6,
    分组框1,
    通用对话框1,
};

enum class TextProperty { text, caption, fileName };
enum class FlagProperty { visible, disabled };

enum class MenuItem { 菜单, 隐藏, 显示, 退出 };

// Names one loading of a window. Instance 0 means "whichever loading is
// current"; a non-zero instance addresses only that loading, so a worker
// whose window was closed (and perhaps loaded again) cannot reach the new one.
struct WindowRef {
    Window window;
    std::uint64_t instance = 0;

    WindowRef(Window w, std::uint64_t i = 0) : window(w), instance(i) {} // NOLINT: implicit by design
};

// A text property as read, with the version of its control at that
// instant. Every change of a control's text, by the program or by the user,
// raises the control's version; a writeProperty of the text or an
// appendText raises it by exactly one. A control of a window that is not
// loaded has version 0 (and the empty text).
struct VersionedText {
    Text text;
    std::uint64_t version = 0;
};

class FormModel {
public:
    virtual ~FormModel() = default;

    virtual Text readProperty(WindowRef window, Control control, TextProperty property) = 0;
    // Reads like readProperty, at one instant, but gives nothing when the
    // control's version is still knownVersion: the caller's copy of the
    // text is then what the control holds. A model that keeps no versions
    // may always give the text; that is never wrong, only slower.
    virtual std::optional<VersionedText> readPropertyIfChanged(WindowRef window, Control control, TextProperty property,
                                                               std::uint64_t knownVersion)
    {
        (void)knownVersion;
        return VersionedText{readProperty(window, control, property), 0};
    }
    virtual bool readProperty(WindowRef window, Control control, FlagProperty property) = 0;
    virtual void writeProperty(WindowRef window, Control control, TextProperty property, std::string_view value) = 0;
    virtual void writeProperty(WindowRef window, Control control, FlagProperty property, bool value) = 0;

    // Caret to the end, selection dropped, end scrolled into view, text
    // inserted without an undo record; works on a disabled box.
    virtual void appendText(WindowRef window, Control editBox, std::string_view text) = 0;

    // Returns true once the window is loaded; a modal load returns only after
    // the window has been destroyed again (GUI thread only).
    virtual bool loadWindow(Window window, bool modal) = 0;
    // Queues the window's destruction and returns at once.
    virtual void destroyWindow(Window window) = 0;
    // Shows the save dialog of the control modally (GUI thread): the filter
    // "文本文档（*.txt）|*.txt", the control's fileName proposed (empty at
    // loading, the last confirmed path afterwards), names of files that do
    // not exist yet accepted. Cancelled: returns false, fileName unchanged.
    // Confirmed: returns true with fileName holding the full path of the file
    // to write, and that path is final. It ends in ".txt" (ASCII letters in
    // any case): to a typed name without it the dialog has appended ".txt"
    // itself, before its own question about replacing an existing file, so
    // that question always concerns the file that gets written. (The export
    // still completes a name that lacks ".txt", but then never replaces an
    // existing file, since nobody was asked about it.)
    virtual bool showFileDialog(WindowRef window, Control dialog) = 0;

    // A message box owned by the window (GUI thread): the caption, the text,
    // the warning icon and one OK button; returns when the user has read it.
    virtual void showMessage(WindowRef owner, std::string_view caption, std::string_view text) = 0;

    // The current loading of the window, or 0 when it is not loaded.
    virtual std::uint64_t loadedInstance(Window window) = 0;
};

} // namespace kw
