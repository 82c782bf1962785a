#pragma once
// The mining run: from the seed in 编辑框1, request result pages one keyword
// after another, accept the new related searches that contain the required
// text, and walk the growing KeywordList breadth first.

#include "app/globals.h"
#include "mining/fetch.h"
#include "ui/form_model.h"

#include <stop_token>
#include <string_view>

namespace kw {

struct MiningRunContext {
    FormModel& form;
    Globals& globals;
    std::string_view searchUrlPrefix;
    // Requested when the program shuts down; the run then ends at once and
    // a fetch in flight is aborted.
    std::stop_token stop;
    // The bounds of every fetch of the run: the program's own unless a test
    // shortens them.
    FetchLimits fetchLimits{};
};

void MiningRun(const MiningRunContext& context);

} // namespace kw
