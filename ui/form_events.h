#pragma once
// The events through which the windows reach the logic. The platform (the
// Qt windows, or the headless model in tests) raises them on the GUI thread,
// one at a time, each to completion.

#include "ui/form_model.h"

namespace kw {

class FormEvents {
public:
    virtual ~FormEvents() = default;
    // Inside loadWindow, after the window and its controls exist and before
    // it is first shown. `instance` is the loading that is being created.
    virtual void formCreated(Window window, std::uint64_t instance) = 0;
    // After a loading of the window has been destroyed (its close button or
    // destroyWindow), once it no longer counts as loaded. Its tray icon goes
    // with it, and a filter pass filling it has nothing left to fill.
    virtual void formDestroyed(Window window) { (void)window; }
    virtual void buttonClick(Window window, Control button) = 0;
    virtual void menuCommand(MenuItem item) = 0;
    // 1 left button released, 2 left double-click, 3 right button released.
    virtual void trayNotify(int code) = 0;
};

} // namespace kw
