// Stand-ins for the mining run, the result filter and the text export, so
// that the program links and runs while those procedures are built
// elsewhere. This file goes when the real procedures land.

#include "filter/result_filter.h"
#include "filter/text_export.h"
#include "mining/mining_run.h"

namespace kw {

extern const std::string_view SearchUrlPrefix;
const std::string_view SearchUrlPrefix = "http://www.baidu.com/s?wd=";

void MiningRun(const MiningRunContext&) {}

void ResultFilter(const FilterPassContext&) {}

void exportText(FormModel&, WindowRef) {}

bool writeFile(std::string_view, const Bytes&, std::string*)
{
    return false;
}

} // namespace kw
