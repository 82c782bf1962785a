#pragma once
// The life of the process: start-up, the event loop and the normal
// shutdown. The steps that need no toolkit are here; the toolkit supplies
// the window, the loop and its own clean-up through ProgramShell.

#include "app/workers.h"

#include <filesystem>

namespace kw {

// What runProgram needs from the windowing toolkit.
class ProgramShell {
public:
    virtual ~ProgramShell() = default;
    // loadWindow(MainWindow, modal = false).
    virtual bool loadStartupWindow() = 0;
    virtual bool anyWindowLoaded() = 0;
    // Runs the event loop until the last window of the program is gone.
    virtual int runEventLoop() = 0;
    // From now on every control operation is dropped at once, so that no
    // worker waits for a GUI thread that no longer serves it.
    virtual void stopServingWorkers() = 0;
    // Windows, tray and the toolkit's remaining resources.
    virtual void releaseToolkit() = 0;
};

// The folder that holds the program file.
std::filesystem::path programFolder();

// Default floating-point environment: all exceptions masked, rounding to
// nearest.
void resetFloatingPoint();

// Registers releaseGlobals to run at exit; a second call does nothing.
void registerExitRoutine();

// Start-up, the event loop, then the shutdown: workers are told to stop and
// waited for before releaseGlobals runs. Returns the exit code, 0. A
// start-up window that cannot be loaded is a fatal error.
int runProgram(ProgramShell& shell, Workers& workers);

} // namespace kw
