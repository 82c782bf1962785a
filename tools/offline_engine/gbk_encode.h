#pragma once
// UTF-8 source text to the GBK bytes the engine serves, through the C
// library's converter. The engine's vocabulary is written readably in the
// source and converted once.

#include <string>
#include <string_view>

namespace kw::engine {

// Throws std::runtime_error when the text has a character GBK lacks or the
// converter is missing.
std::string utf8ToGbk(std::u8string_view utf8);

} // namespace kw::engine
