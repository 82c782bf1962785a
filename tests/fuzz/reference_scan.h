#pragma once
// Plain, obviously correct scans that the fuzz targets hold the program's
// text operations against: walk the character boundaries from the start of
// the scan, compare bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kw::fuzz {

inline bool startsAt(const std::string& text, std::size_t at, const std::string& needle)
{
    return at + needle.size() <= text.size() && text.compare(at, needle.size(), needle) == 0;
}

inline std::size_t widthAt(const std::string& text, std::size_t at)
{
    return static_cast<unsigned char>(text[at]) >= 0x80 ? 2 : 1;
}

// The 0-based index of the first match at a character boundary counted from
// index from, or nothing.
inline std::optional<std::size_t> referenceFindFrom(const std::string& text, const std::string& needle,
                                                    std::size_t from)
{
    for (std::size_t p = from; p < text.size(); p += widthAt(text, p)) {
        if (startsAt(text, p, needle))
            return p;
    }
    return std::nullopt;
}

inline std::int32_t referenceFind(const std::string& text, const std::string& needle, std::optional<std::int32_t> start)
{
    const std::size_t from = (!start || *start <= 1) ? 0 : static_cast<std::size_t>(*start - 1);
    if (needle.empty())
        return from < text.size() ? 1 : -1;
    for (std::size_t p = from; p < text.size(); p += widthAt(text, p)) {
        if (startsAt(text, p, needle))
            return static_cast<std::int32_t>(p + 1);
    }
    return -1;
}

inline std::vector<std::string> referenceSplit(const std::string& text, const std::string& delimiter)
{
    std::vector<std::string> pieces;
    if (text.empty())
        return pieces;
    if (delimiter.empty())
        return {text};
    std::size_t q = 0;
    for (std::size_t p = 0; p < text.size();) {
        if (startsAt(text, p, delimiter)) {
            pieces.push_back(text.substr(q, p - q));
            p += delimiter.size();
            q = p;
        } else {
            p += widthAt(text, p);
        }
    }
    if (q < text.size())
        pieces.push_back(text.substr(q));
    return pieces;
}

} // namespace kw::fuzz
