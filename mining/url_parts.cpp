#include "mining/url_parts.h"

#include "mining/search_url.h"

#include <algorithm>
#include <cctype>

namespace kw {

namespace {

bool isSchemeByte(unsigned char byte)
{
    return std::isalnum(byte) || byte == '+' || byte == '-' || byte == '.';
}

std::optional<std::uint16_t> parsePort(std::string_view digits)
{
    if (digits.empty() || digits.size() > 5)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

std::uint16_t defaultPort(std::string_view scheme)
{
    if (scheme == "http")
        return 80;
    if (scheme == "https")
        return 443;
    return 0;
}

} // namespace

std::optional<UrlParts> splitUrl(std::string_view url)
{
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos || schemeEnd == 0)
        return std::nullopt;
    UrlParts parts;
    for (unsigned char byte : url.substr(0, schemeEnd)) {
        if (!isSchemeByte(byte))
            return std::nullopt;
        parts.scheme += static_cast<char>(std::tolower(byte));
    }

    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    const std::string_view path = rest.substr(authorityEnd);

    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        parts.userName = userInfo.substr(0, colon);
        if (colon != std::string_view::npos)
            parts.password = userInfo.substr(colon + 1);
        authority.remove_prefix(at + 1);
    }

    std::string_view host = authority;
    std::string_view portText;
    bool hasPort = false;
    if (authority.starts_with('[')) {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = authority.substr(0, close + 1);
        const std::string_view afterHost = authority.substr(close + 1);
        if (!afterHost.empty()) {
            if (afterHost[0] != ':')
                return std::nullopt;
            hasPort = true;
            portText = afterHost.substr(1);
        }
    } else if (const std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
        host = authority.substr(0, colon);
        hasPort = true;
        portText = authority.substr(colon + 1);
    }
    if (host.empty() || host.size() > LongestHost)
        return std::nullopt;
    if (std::any_of(host.begin(), host.end(), [](char c) { return isUnsafeUrlByte(static_cast<unsigned char>(c)); }))
        return std::nullopt;
    parts.host = host;

    parts.port = defaultPort(parts.scheme);
    if (hasPort && !portText.empty()) {
        const auto port = parsePort(portText);
        if (!port)
            return std::nullopt;
        parts.port = *port;
    }

    // Built by appending: GCC 12 warns falsely (-Wrestrict) at -O3 about
    // assigning "/" or "/" + path here.
    if (!path.starts_with('/'))
        parts.pathWithQuery.push_back('/');
    parts.pathWithQuery.append(path);
    if (parts.pathWithQuery.size() > LongestPathWithQuery || parts.userName.size() > LongestUserName ||
        parts.password.size() > LongestPassword)
        return std::nullopt;
    return parts;
}

std::string_view objectName(std::string_view pathWithQuery)
{
    return pathWithQuery.substr(0, pathWithQuery.find('#'));
}

} // namespace kw
