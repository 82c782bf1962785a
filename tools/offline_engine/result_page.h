#pragma once
// The pages of the offline engine, in GBK, laid out like a search result
// page of the mid-2000s: navigation anchors first, a few results, the
// related-searches block headed "相关搜索" with anchors whose opening tags
// end in a quoted attribute, and footer anchors after it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kw::engine {

// query and related are GBK bytes. Without related searches (nullopt or
// none) the page has no related-searches block.
std::string resultPage(std::string_view query, const std::optional<std::vector<std::string>>& related);

// The answer to an empty query: navigation and the search form, no results.
std::string homePage();

// Every byte outside [A-Za-z0-9-_.] as %XX, the way the engine's own links
// carry a GBK keyword.
std::string percentEncoded(std::string_view bytes);

} // namespace kw::engine
