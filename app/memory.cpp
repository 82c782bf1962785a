#include "app/memory.h"

#include "text/gbk_texts.h"

#include <string>

namespace kw {

void raiseAllocationFailure(std::size_t requestedBytes)
{
    // The message's number is a 32-bit decimal in the original format; a
    // request beyond that range is reported with its full size rather than a
    // wrapped one.
    std::string message(gbk::AllocationFailedBefore);
    message += std::to_string(requestedBytes);
    message += gbk::AllocationFailedAfter;
    raiseFatalError(0, message);
}

namespace {

void onOperatorNewFailure()
{
    // operator new does not tell its handler how much it wanted. Reporting
    // 0 would read as "nothing was asked for"; the handler therefore reports
    // the one size it can vouch for, a single byte: at least that much could
    // not be had.
    raiseAllocationFailure(1);
}

} // namespace

void installAllocationFailureHandler()
{
    std::set_new_handler(onOperatorNewFailure);
}

} // namespace kw
