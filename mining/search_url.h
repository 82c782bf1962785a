#pragma once
// The search URL of one keyword. A keyword found on a result page may hold
// GBK bytes, spaces, its line break and characters with a meaning in URLs;
// none of them may break the request line, add a header or change the host.

#include "text/text.h"

#include <string_view>

namespace kw {

// True for the bytes that never go onto the request line as they are:
// 0x80-0xFF, the control bytes (0x00-0x1F and 0x7F), the space, and
// " < > \ ^ ` { | }.
bool isUnsafeUrlByte(unsigned char byte);

// Every unsafe byte as %XX with upper-case hex, byte for byte; all other
// bytes (% & = + / ? # among them) as they are. Applying it twice gives the
// same result as applying it once.
Text percentEncodeUnsafeBytes(std::string_view bytes);

// prefix, then the keyword without its trailing CR LF, encoded as above.
// The prefix is taken as it is.
Text searchUrl(std::string_view prefix, std::string_view keyword);

} // namespace kw
