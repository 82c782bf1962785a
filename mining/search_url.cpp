#include "mining/search_url.h"

#include "app/memory.h"

namespace kw {

bool isUnsafeUrlByte(unsigned char byte)
{
    if (byte >= 0x80 || byte < 0x20 || byte == 0x7F || byte == ' ')
        return true;
    switch (byte) {
    case '"':
    case '<':
    case '>':
    case '\\':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
        return true;
    default:
        return false;
    }
}

Text percentEncodeUnsafeBytes(std::string_view bytes)
{
    static constexpr char hexDigits[] = "0123456789ABCDEF";
    std::size_t encodedSize = 0;
    for (unsigned char byte : bytes)
        encodedSize += isUnsafeUrlByte(byte) ? 3 : 1;
    return withAllocationCheck(encodedSize, [&] {
        Text encoded;
        encoded.reserve(encodedSize);
        for (unsigned char byte : bytes) {
            if (isUnsafeUrlByte(byte)) {
                encoded += '%';
                encoded += hexDigits[byte >> 4];
                encoded += hexDigits[byte & 0x0F];
            } else {
                encoded += static_cast<char>(byte);
            }
        }
        return encoded;
    });
}

Text searchUrl(std::string_view prefix, std::string_view keyword)
{
    // Keywords taken from a page end with the line break that made them a
    // line of the result box; it is no part of what was searched for.
    if (keyword.ends_with("\r\n"))
        keyword.remove_suffix(2);
    return concatTexts(prefix, percentEncodeUnsafeBytes(keyword));
}

} // namespace kw
