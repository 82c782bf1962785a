#pragma once
// The one way the program ends on an error: a message box captioned "错误"
// and exit code -1, without the exit routine.

#include "text/text.h"

#include <cstdint>
#include <memory>

namespace kw {

// Shows the composed text and ends the process. The application shell
// installs the real one (message box, then exit -1); tests install one that
// records the text and throws instead of ending the process.
class FatalErrorPresenter {
public:
    virtual ~FatalErrorPresenter() = default;
    [[noreturn]] virtual void presentAndExit(const Text& composedText) = 0;
};

// Installs the presenter used from now on; returns the previous one.
std::shared_ptr<FatalErrorPresenter> setFatalErrorPresenter(std::shared_ptr<FatalErrorPresenter> presenter);

// "运行时出错!\r\n\r\n", then a code line when code != 0, then a message
// line when message is not empty.
Text composeFatalErrorText(std::int32_t code, std::string_view message);

[[noreturn]] void raiseFatalError(std::int32_t code, std::string_view message);

} // namespace kw
