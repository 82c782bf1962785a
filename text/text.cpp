#include "text/text.h"

#include "app/memory.h"
#include "app/text_list.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kw {

namespace {

bool bytesEqualIgnoringAsciiCase(unsigned char a, unsigned char b)
{
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; };
    return lower(a) == lower(b);
}

bool matchesAt(std::string_view text, std::size_t at, std::string_view needle, bool ignoreCase)
{
    if (!ignoreCase)
        return std::memcmp(text.data() + at, needle.data(), needle.size()) == 0;
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (!bytesEqualIgnoringAsciiCase(static_cast<unsigned char>(text[at + i]),
                                         static_cast<unsigned char>(needle[i])))
            return false;
    }
    return true;
}

Text copyOf(std::string_view bytes)
{
    return withAllocationCheck(bytes.size(), [&] { return Text(bytes); });
}

} // namespace

std::int32_t textLength(std::string_view text)
{
    return static_cast<std::int32_t>(text.size());
}

Text textRight(std::string_view text, std::int32_t count)
{
    if (count <= 0)
        return {};
    const auto length = static_cast<std::size_t>(textLength(text));
    const auto taken = std::min(static_cast<std::size_t>(count), length);
    return copyOf(text.substr(length - taken));
}

Text textMid(std::string_view text, std::int32_t start, std::int32_t count)
{
    const std::int32_t length = textLength(text);
    if (start < 1 || start > length || count <= 0)
        return {};
    const std::int32_t available = length - start + 1;
    return copyOf(
        text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(std::min(count, available))));
}

std::int32_t findText(std::string_view text, std::string_view needle, std::optional<std::int32_t> start,
                      bool ignoreCase)
{
    const std::int64_t length = textLength(text);
    const std::int64_t from = (!start || *start <= 1) ? 1 : *start;
    const bool areaEmpty = from > length;
    if (needle.empty())
        return areaEmpty ? -1 : 1;

    if (!ignoreCase) {
        // The library's search finds the occurrences; one counts only where
        // a character begins, counted from the start position. The walk
        // over the characters only ever goes forward.
        auto boundary = static_cast<std::size_t>(from - 1);
        for (std::size_t hit = text.find(needle, boundary); hit != std::string_view::npos;
             hit = text.find(needle, hit + 1)) {
            while (boundary < hit)
                boundary += characterWidth(static_cast<unsigned char>(text[boundary]));
            if (boundary == hit)
                return static_cast<std::int32_t>(hit + 1);
        }
        return -1;
    }

    const auto m = static_cast<std::int64_t>(needle.size());
    for (std::int64_t p = from; length - p + 1 >= m;) {
        const auto at = static_cast<std::size_t>(p - 1);
        if (matchesAt(text, at, needle, ignoreCase))
            return static_cast<std::int32_t>(p);
        p += characterWidth(static_cast<unsigned char>(text[at]));
    }
    return -1;
}

TextList splitText(std::string_view text, std::optional<std::string_view> delimiter, std::optional<std::int32_t> limit)
{
    TextList pieces;
    const std::string_view delim = delimiter.value_or(",");
    std::optional<std::int32_t> remaining;
    if (limit)
        remaining = std::max(*limit, 0);
    if (text.empty() || remaining == 0)
        return pieces;
    if (delim.empty()) {
        pieces.append(text);
        return pieces;
    }

    const std::size_t d = delim.size();
    std::size_t q = 0;
    std::size_t p = 0;
    while (p + d <= text.size()) {
        if (std::memcmp(text.data() + p, delim.data(), d) == 0) {
            pieces.append(text.substr(q, p - q));
            p += d;
            q = p;
            if (remaining && --*remaining == 0)
                return pieces;
        } else {
            p += static_cast<std::size_t>(characterWidth(static_cast<unsigned char>(text[p])));
        }
    }
    if (q < text.size())
        pieces.append(text.substr(q));
    return pieces;
}

std::int32_t compareTexts(std::string_view a, std::string_view b)
{
    const int order = a.compare(b); // char_traits<char> compares as unsigned char
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

Text intToText(std::int32_t value)
{
    return std::to_string(value);
}

Text bytesToText(const Bytes& data)
{
    const std::string_view bytes = data.view();
    return copyOf(bytes.substr(0, bytes.find('\0')));
}

Bytes textToBytes(std::string_view text)
{
    return Bytes(copyOf(text));
}

std::int32_t toInt32(double value)
{
    return static_cast<std::int32_t>(std::trunc(value));
}

namespace detail {

Text concatViews(std::initializer_list<std::string_view> parts)
{
    std::size_t total = 0;
    for (auto part : parts)
        total += part.size();
    return withAllocationCheck(total, [&] {
        Text joined;
        joined.reserve(total);
        for (auto part : parts)
            joined.append(part);
        return joined;
    });
}

} // namespace detail

} // namespace kw
