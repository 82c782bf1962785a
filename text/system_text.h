#pragma once
// The program's texts are GBK; the system's file names and messages are
// UTF-8, as a Debian desktop has them. These convert at that edge. A
// character the other side cannot hold becomes '?'.

#include "text/text.h"

#include <string>

namespace kw {

std::string gbkToSystem(std::string_view text);
Text systemToGbk(std::string_view text);

} // namespace kw
