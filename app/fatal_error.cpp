#include "app/fatal_error.h"

#include "text/gbk_texts.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kw {

namespace {

// Used before the shell installs its presenter (and by tools without a
// window): print the text and end with the same exit code.
class StderrPresenter final : public FatalErrorPresenter {
public:
    [[noreturn]] void presentAndExit(const Text& composedText) override
    {
        std::fwrite(composedText.data(), 1, composedText.size(), stderr);
        std::fflush(stderr);
        std::_Exit(-1);
    }
};

std::mutex presenterMutex;
std::shared_ptr<FatalErrorPresenter> currentPresenter = std::make_shared<StderrPresenter>();

std::shared_ptr<FatalErrorPresenter> presenter()
{
    std::lock_guard lock(presenterMutex);
    return currentPresenter;
}

} // namespace

std::shared_ptr<FatalErrorPresenter> setFatalErrorPresenter(std::shared_ptr<FatalErrorPresenter> next)
{
    std::lock_guard lock(presenterMutex);
    std::swap(currentPresenter, next);
    return next;
}

Text composeFatalErrorText(std::int32_t code, std::string_view message)
{
    // Built with std::string directly: this runs when memory may be short,
    // and must not recurse into the allocation check.
    Text text(gbk::FatalHeader);
    if (code != 0) {
        text += gbk::FatalCodeLabel;
        text += std::to_string(code);
        text += "\r\n\r\n";
    }
    if (!message.empty()) {
        text += gbk::FatalMessageLabel;
        text += message;
        text += "\r\n";
    }
    return text;
}

void raiseFatalError(std::int32_t code, std::string_view message)
{
    presenter()->presentAndExit(composeFatalErrorText(code, message));
    // A presenter is [[noreturn]]; this only tells the compiler so.
    std::abort();
}

} // namespace kw
