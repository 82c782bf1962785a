// Input: one byte for the delimiter's length, the delimiter, then the text.
#include "app/text_list.h"
#include "fuzz/reference_scan.h"
#include "text/text.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t delimiterLength = std::min<std::size_t>(data[0] % 5, size - 1);
    const std::string delimiter(reinterpret_cast<const char*>(data + 1), delimiterLength);
    const std::string text(reinterpret_cast<const char*>(data + 1 + delimiterLength), size - 1 - delimiterLength);

    if (kw::splitText(text, delimiter).members() != kw::fuzz::referenceSplit(text, delimiter))
        std::abort();
    return 0;
}
