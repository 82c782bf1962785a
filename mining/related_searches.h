#pragma once
// The six candidate keywords of one result page: the texts between the
// anchors after the page's related-searches marker. It knows nothing of
// HTML; it looks for byte patterns the way the text operations do.

#include "text/text.h"

#include <array>
#include <string_view>

namespace kw {

inline constexpr std::string_view AnchorOpenEnd = "\">";
inline constexpr std::string_view AnchorClose = "</a>";
inline constexpr std::string_view LineBreak = "\r\n";

using RelatedSearches = std::array<Text, 6>;

// Always six candidates, each ending with LineBreak; a candidate for which
// no text was found is LineBreak alone. A page without the marker (an error
// or verification page, a home page, a page in another encoding) yields six
// of those, so that its navigation links never become keywords.
RelatedSearches extractRelatedSearches(std::string_view page);

} // namespace kw
