#pragma once
// Lets a test see a fatal error instead of losing the process to it: the
// presenter throws the composed text, and the scope puts the previous
// presenter back.

#include "app/fatal_error.h"

#include <stdexcept>

namespace kw::test {

struct FatalErrorRaised {
    Text text;
};

class ThrowingPresenter final : public FatalErrorPresenter {
public:
    [[noreturn]] void presentAndExit(const Text& composedText) override { throw FatalErrorRaised{composedText}; }
};

class CaptureFatalErrors {
public:
    CaptureFatalErrors() : previous_(setFatalErrorPresenter(std::make_shared<ThrowingPresenter>())) {}
    ~CaptureFatalErrors() { setFatalErrorPresenter(previous_); }
    CaptureFatalErrors(const CaptureFatalErrors&) = delete;
    CaptureFatalErrors& operator=(const CaptureFatalErrors&) = delete;

private:
    std::shared_ptr<FatalErrorPresenter> previous_;
};

} // namespace kw::test
