#include "app/program_run.h"

#include "app/fatal_error.h"
#include "app/globals.h"
#include "text/gbk_texts.h"

#include <cfenv>
#include <cstdlib>
#include <mutex>
#include <system_error>

namespace kw {

std::filesystem::path programFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program.parent_path();
}

void resetFloatingPoint()
{
    std::fesetenv(FE_DFL_ENV);
}

void registerExitRoutine()
{
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit([] { releaseGlobals(); }); });
}

int runProgram(ProgramShell& shell, Workers& workers)
{
    // Names that are not absolute (the export's file name among them) are
    // taken relative to the program's own folder, wherever it was started.
    std::error_code ignored;
    std::filesystem::current_path(programFolder(), ignored);
    resetFloatingPoint();
    initGlobals();
    registerExitRoutine();

    if (!shell.loadStartupWindow())
        raiseFatalError(0, gbk::StartupWindowFailed);
    if (shell.anyWindowLoaded())
        shell.runEventLoop();

    // A worker may be waiting for a control operation; release it before
    // waiting for the worker, then release what the workers used.
    shell.stopServingWorkers();
    workers.shutdown();
    releaseGlobals();
    shell.releaseToolkit();
    return 0;
}

} // namespace kw
