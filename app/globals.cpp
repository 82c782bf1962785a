#include "app/globals.h"

#include <atomic>
#include <memory>

namespace kw {

namespace {
std::unique_ptr<Globals> instance;
std::atomic<bool> released{false};
} // namespace

Globals& globals()
{
    return *instance;
}

void initGlobals()
{
    instance = std::make_unique<Globals>();
    released = false;
}

void releaseGlobals()
{
    if (released.exchange(true) || !instance)
        return;
    listRelease(instance->KeywordList);
    for (Text& slot : instance->CandidateSlot)
        Text().swap(slot);
    listRelease(instance->FilterLineList);
}

bool globalsReleased()
{
    return released;
}

} // namespace kw
