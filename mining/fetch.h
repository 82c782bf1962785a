#pragma once
// One result page over HTTP: a GET for the URL, the body read to its end.
// Whatever goes wrong, the fetch returns the body bytes received so far
// (empty when none came) and says that it failed; the status code is never
// looked at, so the body of a 404 or 500 page is returned like any other.

#include "text/text.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string_view>

namespace kw {

inline constexpr std::string_view FetchUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
inline constexpr std::int32_t ReadSizeWithoutLength = 10240;
inline constexpr std::int32_t LargestReadSize = 102400;

// The bounds that keep one fetch from waiting or growing without end. The
// defaults are the program's; tests shorten them.
struct FetchLimits {
    std::chrono::milliseconds connectTimeout{15000};
    // Gives up when no byte (of headers or body) has arrived for this long.
    std::chrono::milliseconds stallTimeout{30000};
    // Gives up when the whole fetch has taken this long, however steadily
    // bytes come: a server that sends one byte now and then, just within
    // the stall time, would otherwise hold the fetch (and the run, which
    // sees a pause only between fetches) for ever.
    std::chrono::milliseconds longestFetch{60000};
    std::size_t largestBody = std::size_t{16} * 1024 * 1024;
    long largestRedirectCount = 5;

    friend bool operator==(const FetchLimits&, const FetchLimits&) = default;
};

struct FetchResult {
    Bytes body;
    // True unless a response came and its body was read to its end: no
    // response, a body broken off or cut at the size limit, a wait or a
    // whole fetch that went on too long, too many redirects, a URL that
    // could not be fetched, or a stop.
    bool failed = true;
    // The read size the final response's Content-Length asks for; 0 when no
    // response came.
    std::int32_t readSize = 0;
    // The most bytes one read brought.
    std::size_t largestRead = 0;
};

// The read size for a Content-Length header value (nullopt when the header
// is absent): 10240 when the value cannot be read into 32 bytes or reads as
// a number <= 0, otherwise the number plus one, at most 102400. The number
// is read like a C integer: white space, a sign, then digits up to the
// first byte that is not one.
std::int32_t readSizeFor(std::optional<std::string_view> contentLength);

// The body length a Content-Length value announces, read by the same rule;
// nullopt when it announces none (unreadable, or <= 0). The body is read to
// that length, or to the end of the connection when none is announced.
std::optional<std::size_t> announcedBodyLength(std::string_view contentLength);

// Blocks until the body has been read or the fetch has given up. A stop
// request aborts a fetch in flight at once. Safe to call from any number of
// threads at the same time.
FetchResult fetchPage(std::string_view url, std::stop_token stop = {}, const FetchLimits& limits = {});

// The body alone, for callers that do not care why a fetch came back short.
Bytes fetchUrl(std::string_view url);

} // namespace kw
