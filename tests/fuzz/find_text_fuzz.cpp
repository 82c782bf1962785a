// Input: one byte for the start (omitted, or -8..246), one for the needle's
// length, then the needle and the text.
#include "fuzz/reference_scan.h"
#include "text/text.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::optional<std::int32_t> start =
        data[0] == 0xFF ? std::nullopt : std::optional<std::int32_t>(static_cast<std::int32_t>(data[0]) - 8);
    const std::size_t needleLength = std::min<std::size_t>(data[1] % 8, size - 2);
    const std::string needle(reinterpret_cast<const char*>(data + 2), needleLength);
    const std::string text(reinterpret_cast<const char*>(data + 2 + needleLength), size - 2 - needleLength);

    if (kw::findText(text, needle, start) != kw::fuzz::referenceFind(text, needle, start))
        std::abort();
    return 0;
}
