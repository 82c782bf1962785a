#include "tools/offline_engine/engine_server.h"
#include "tools/offline_engine/result_page.h"

#include <algorithm>
#include <cstdlib>

namespace kw::engine {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string percentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The value of key in a query string, as sent (not decoded).
std::optional<std::string_view> parameter(std::string_view queryString, std::string_view key)
{
    while (!queryString.empty()) {
        const std::size_t amp = queryString.find('&');
        const std::string_view pair = queryString.substr(0, amp);
        const std::size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key)
            return eq == std::string_view::npos ? std::string_view{} : pair.substr(eq + 1);
        if (amp == std::string_view::npos)
            break;
        queryString.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

std::string reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::string headFor(int status, std::optional<std::string> contentLength, std::string_view extraHeaders = {})
{
    std::string head = "HTTP/1.0 " + std::to_string(status) + " " + reasonPhrase(status) + "\r\n";
    head += "Server: BWS/1.0\r\nContent-Type: text/html;charset=gb2312\r\n";
    if (contentLength)
        head += "Content-Length: " + *contentLength + "\r\n";
    head += extraHeaders;
    head += "Connection: close\r\n\r\n";
    return head;
}

} // namespace

EngineResponse respond(const KeywordGraph& graph, std::string_view requestHead, const EngineOptions& options,
                       std::optional<std::string>* query)
{
    // "GET /s?wd=... HTTP/1.0"; anything that does not parse gets the home page.
    const std::string_view requestLine = requestHead.substr(0, requestHead.find("\r\n"));
    const std::size_t targetStart = requestLine.find(' ') + 1;
    const std::size_t targetEnd = requestLine.rfind(' ');
    std::string_view target;
    if (targetStart != 0 && targetEnd != std::string_view::npos && targetEnd > targetStart)
        target = requestLine.substr(targetStart, targetEnd - targetStart);
    if (target.starts_with("http://")) // the absolute form a proxy would get
        target.remove_prefix(std::min(target.size(), target.find('/', 7)));
    const std::size_t questionMark = target.find('?');
    const std::string_view path = target.substr(0, questionMark);
    const std::string_view queryString =
        questionMark == std::string_view::npos ? std::string_view{} : target.substr(questionMark + 1);

    EngineResponse response;
    int status = options.statusCode;
    if (path == "/s") {
        const std::string_view rawWord = parameter(queryString, "wd").value_or(std::string_view{});
        const std::string word = percentDecoded(rawWord);
        if (query)
            *query = word;
        const int hop = std::atoi(std::string(parameter(queryString, "hop").value_or("0")).c_str());
        if (hop < options.redirects) {
            const std::string location = "/s?wd=" + std::string(rawWord) + "&hop=" + std::to_string(hop + 1);
            response.body = "<html><body><a href=\"" + location + "\">moved</a></body></html>\r\n";
            response.head = headFor(302, std::to_string(response.body.size()), "Location: " + location + "\r\n");
            return response;
        }
        response.body = word.empty() ? homePage() : resultPage(word, graph.relatedSearches(word));
    } else if (path == "/" || path.empty()) {
        response.body = homePage();
    } else {
        status = 404;
        response.body = "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>\r\n";
    }

    if (response.body.size() < options.padTo)
        response.body += "<!--" + std::string(options.padTo - response.body.size(), 'x') + "-->";
    if (options.nulAt)
        response.body.insert(std::min(*options.nulAt, response.body.size()), 1, '\0');

    std::optional<std::string> contentLength;
    if (options.contentLengthValue)
        contentLength = options.contentLengthValue;
    else if (options.sendContentLength && !options.endlessBody)
        contentLength = std::to_string(response.body.size());
    response.head = headFor(status, contentLength);
    response.endless = options.endlessBody;
    response.breakAfter = options.breakAfter;
    return response;
}

} // namespace kw::engine
