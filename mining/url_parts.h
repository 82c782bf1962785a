#pragma once
// Splitting a URL into the parts a fetch needs, without canonicalising or
// unescaping anything. Each part has a fixed longest length; a URL with a
// longer part is not fetched at all.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kw {

inline constexpr std::size_t LongestHost = 255;
inline constexpr std::size_t LongestPathWithQuery = 2047;
inline constexpr std::size_t LongestUserName = 127;
inline constexpr std::size_t LongestPassword = 127;

struct UrlParts {
    std::string scheme;     // lower case
    std::string host;       // an IPv6 literal keeps its brackets
    std::uint16_t port = 0; // the URL's own, else 80 for http and 443 for https, else 0
    std::string userName;
    std::string password;
    std::string pathWithQuery; // begins with "/", keeps the query and any fragment
};

// nullopt when the URL has no "scheme://", no host, a port that is not a
// number from 1 to 65535, a host with a byte that cannot stand in a host
// name, or a part longer than its limit.
std::optional<UrlParts> splitUrl(std::string_view url);

// The path cut before its first "#": the fragment is never sent.
std::string_view objectName(std::string_view pathWithQuery);

} // namespace kw
