#pragma once
// The duplicate test of the mining run: whether a keyword is already a line
// of the result box.

#include <string_view>

namespace kw {

// The lines of box are its pieces between CR LF pairs; the last piece counts
// even without a CR LF after it. True when keyword (without its trailing CR
// LF) equals one of them byte for byte, or, for a keyword that itself spans
// lines, a run of them. "价格" is therefore not in a box that holds the line
// "手机价格".
bool isLineOfBox(std::string_view box, std::string_view keyword);

} // namespace kw
