#pragma once
// The stored designs of the two windows: caption, outer size, and every
// control with its kind, parent, place, size and design value. The Qt windows
// are built from these tables and the headless form model starts from them,
// so both show the same design values.

#include "ui/form_model.h"

#include <span>
#include <string_view>

namespace kw {

enum class ControlKind { EditBox, Label, Button, GroupBox, CommonDlg };

struct ControlDesign {
    Control name;
    ControlKind kind;
    Control parent; // Control::Window, or the group box that holds it
    int left;
    int top;
    int width;
    int height;
    std::string_view designValue; // caption of a label or button; edit boxes start empty
    bool multiLine = false;       // multi-line edit box: wraps, vertical scroll bar only
    bool heading = false;         // red, bold "宋体", 14 px character height
};

struct WindowDesign {
    Window window;
    std::string_view caption;
    int outerWidth;
    int outerHeight;
    bool hasMenuBar;
    std::span<const ControlDesign> controls;
};

const WindowDesign& windowDesign(Window window);
// nullptr when the window's design has no such control.
const ControlDesign* controlDesign(Window window, Control control);

// Centred start position, each quotient rounded toward zero.
constexpr int centredOrigin(int screenExtent, int windowExtent)
{
    return (screenExtent - windowExtent) / 2;
}

} // namespace kw
