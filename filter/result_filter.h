#pragma once
// The filter pass behind FilterWindow: the lines of 编辑框2 without the text
// of 编辑框4, and those with the text of 编辑框5, into FilterWindow's 编辑框1.

#include "app/globals.h"
#include "ui/form_model.h"

#include <cstdint>
#include <stop_token>

namespace kw {

struct FilterPassContext {
    FormModel& form;
    Globals& globals;
    // The loading of FilterWindow this pass fills; the pass ends when that
    // loading is destroyed, and never writes into a later one.
    std::uint64_t filterWindowInstance;
    std::stop_token stop;
};

void ResultFilter(const FilterPassContext& context);

} // namespace kw
