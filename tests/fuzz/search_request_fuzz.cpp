// Input: the keyword, any bytes. The program builds the search URL from a
// prefix and the keyword and fetches it from a listener on 127.0.0.1 in this
// process, which answers at once and closes. The request as it arrived must
// be well formed whatever the keyword holds: a request line of exactly the
// method, the object name and the version; an object name without a raw
// control byte, space or byte of 0x80 and above, that carries the keyword
// byte for byte; the prefix's host; exactly the program's own header lines;
// and nothing after them.
#include "mining/fetch.h"
#include "mining/search_url.h"
#include "support/fault_server.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>

namespace {

using namespace std::chrono_literals;

// The listener, started once per process, and the last exchange it saw: the
// request head and whatever the client sent after it until it closed.
class RequestCapture {
public:
    RequestCapture()
        : server_([this](kw::test::FaultConnection& connection, const std::string& head) {
              connection.send("HTTP/1.0 200 OK\r\n\r\nok");
              connection.endSending();
              const std::string after = connection.waitForClientClose();
              {
                  std::lock_guard lock(mutex_);
                  exchange_ = head + after;
              }
              changed_.notify_all();
          })
    {
    }

    std::string prefix() const { return server_.url("/s?wd="); }
    std::uint16_t port() const { return server_.port(); }
    std::size_t connectionCount() const { return server_.connectionCount(); }

    // Waits until the listener has done everything for the exchange, then
    // forgets it, so that nothing of one input is still being made or kept
    // when the next begins (and the fuzzer's leak check sees a quiet
    // process).
    bool settle()
    {
        const bool idle = server_.waitUntilIdle(5s);
        server_.takeRequests();
        std::lock_guard lock(mutex_);
        exchange_.reset();
        return idle;
    }

    std::optional<std::string> waitForExchange(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return exchange_.has_value(); });
        return exchange_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::string> exchange_;
    kw::test::FaultServer server_; // last: its connection threads end before the rest goes
};

RequestCapture& capture()
{
    static RequestCapture capture;
    return capture;
}

// Mend 4 of the program, written out plainly: which bytes may not stand on
// the request line as they are.
bool mustBeEncoded(unsigned char byte)
{
    return byte >= 0x80 || byte <= 0x20 || byte == 0x7F ||
           std::string_view("\"<>\\^`{|}").find(byte) != std::string_view::npos;
}

std::string expectedQueryValue(std::string_view keyword)
{
    if (keyword.ends_with("\r\n"))
        keyword.remove_suffix(2);
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string value;
    for (unsigned char byte : keyword) {
        if (mustBeEncoded(byte)) {
            value += '%';
            value += hex[byte >> 4];
            value += hex[byte & 0x0F];
        } else {
            value += static_cast<char>(byte);
        }
    }
    return value;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void checkRequest(const std::string& exchange, const std::string& expectedTarget, std::uint16_t port)
{
    const std::size_t headEnd = exchange.find("\r\n\r\n");
    require(headEnd != std::string::npos);
    require(exchange.size() == headEnd + 4); // no body, nothing after the head

    const std::size_t lineEnd = exchange.find("\r\n");
    const std::string_view requestLine(exchange.data(), lineEnd);
    const std::size_t firstSpace = requestLine.find(' ');
    const std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
    require(firstSpace != std::string_view::npos && secondSpace != std::string_view::npos);
    require(requestLine.find(' ', secondSpace + 1) == std::string_view::npos);
    require(requestLine.substr(0, firstSpace) == "GET");
    require(requestLine.substr(secondSpace + 1) == "HTTP/1.0");
    const std::string_view target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    for (unsigned char byte : target)
        require(byte > 0x20 && byte < 0x7F);
    require(target == expectedTarget);

    const std::map<std::string, std::string> expectedHeaders = {
        {"Host", "127.0.0.1:" + std::to_string(port)},
        {"User-Agent", std::string(kw::FetchUserAgent)},
        {"Accept", "*/*"},
        {"Pragma", "no-cache"},
        {"Cache-Control", "no-cache"},
    };
    std::map<std::string, std::string> headers;
    for (std::size_t at = lineEnd + 2; at < headEnd + 2;) {
        const std::size_t end = exchange.find("\r\n", at);
        const std::string_view line(exchange.data() + at, end - at);
        const std::size_t colon = line.find(": ");
        require(colon != std::string_view::npos);
        const bool added = headers.emplace(line.substr(0, colon), line.substr(colon + 2)).second;
        require(added);
        at = end + 2;
    }
    require(headers == expectedHeaders);
}

} // namespace

// The listener is on this machine: never reach it through a proxy that the
// environment may name.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("no_proxy", "127.0.0.1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string keyword(reinterpret_cast<const char*>(data), size);
    RequestCapture& listener = capture();
    const std::size_t connectionsBefore = listener.connectionCount();

    const std::string url = kw::searchUrl(listener.prefix(), keyword);
    kw::FetchLimits limits;
    limits.connectTimeout = 1000ms;
    limits.stallTimeout = 2000ms;
    const kw::FetchResult fetched = kw::fetchPage(url, {}, limits);

    // The object name with its query (fragment included) may hold 2047
    // bytes; a longer one is never sent.
    const std::string queryValue = expectedQueryValue(keyword);
    if (std::string("/s?wd=").size() + queryValue.size() > 2047) {
        require(fetched.failed && fetched.body.empty());
        require(listener.connectionCount() == connectionsBefore);
        return 0;
    }
    const std::optional<std::string> exchange = listener.waitForExchange(5s);
    require(exchange.has_value());
    const std::string expectedTarget = "/s?wd=" + queryValue.substr(0, queryValue.find('#'));
    checkRequest(*exchange, expectedTarget, listener.port());
    require(!fetched.failed && fetched.body.view() == "ok");
    require(listener.settle());
    return 0;
}
