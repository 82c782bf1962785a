#include "mining/fetch.h"

#include "mining/search_url.h"
#include "mining/url_parts.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <new>

namespace kw {

namespace {

// The process's one client context. A function-local static is built once
// even when two fetches start together, and when building it fails the next
// fetch tries again. It is closed when the program ends.
class ClientContext {
public:
    struct Unavailable {};
    ClientContext()
    {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw Unavailable{};
    }
    ~ClientContext() { curl_global_cleanup(); }
    ClientContext(const ClientContext&) = delete;
    ClientContext& operator=(const ClientContext&) = delete;
};

bool openClientContext()
{
    try {
        static ClientContext context;
        return true;
    } catch (const ClientContext::Unavailable&) {
        return false;
    }
}

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct HeaderListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;
using MultiHandle = std::unique_ptr<CURLM, MultiCleanup>;
using HeaderList = std::unique_ptr<curl_slist, HeaderListCleanup>;

// The request runs in a multi handle of its own, so that the waiting loop
// is ours and a stop request can wake it. Leaving the scope takes the
// request out of the multi handle before either is closed.
class Attachment {
public:
    Attachment(CURLM* multi, CURL* easy)
        : multi_(multi), easy_(easy), attached_(curl_multi_add_handle(multi, easy) == CURLM_OK)
    {
    }
    ~Attachment()
    {
        if (attached_)
            curl_multi_remove_handle(multi_, easy_);
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    bool attached() const { return attached_; }

private:
    CURLM* multi_;
    CURL* easy_;
    bool attached_;
};

struct Transfer {
    std::size_t largestBody = 0;
    Bytes body;
    bool bodyCut = false;
    bool responseSeen = false;
    bool headersComplete = false;             // of the latest response
    std::optional<std::string> contentLength; // of the latest response
    std::optional<std::size_t> announcedLength;
    bool announcedLengthReached = false;
    std::size_t largestRead = 0;
    std::chrono::steady_clock::time_point lastByte = std::chrono::steady_clock::now();
};

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

size_t onHeaderLine(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const std::string_view line(data, size * count);
    transfer.lastByte = std::chrono::steady_clock::now();
    try {
        // Each response of a redirect chain starts with its status line;
        // only the last response's length counts.
        if (line.starts_with("HTTP/")) {
            transfer.responseSeen = true;
            transfer.headersComplete = false;
            transfer.contentLength.reset();
            transfer.announcedLength.reset();
        } else if (line == "\r\n" || line == "\n") {
            transfer.headersComplete = true;
        } else if (startsWithIgnoringCase(line, "Content-Length:") && !transfer.contentLength) {
            transfer.contentLength = std::string(trimmed(line.substr(15)));
            transfer.announcedLength = announcedBodyLength(*transfer.contentLength);
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return line.size();
}

size_t onBodyBytes(char* data, size_t size, size_t count, void* user)
{
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    transfer.lastByte = std::chrono::steady_clock::now();
    transfer.largestRead = std::max(transfer.largestRead, length);
    try {
        // A body ends at its announced length, even when the server sends
        // more or keeps the connection open.
        if (transfer.announcedLength && *transfer.announcedLength <= transfer.largestBody) {
            const std::size_t due = *transfer.announcedLength - transfer.body.size();
            if (length >= due) {
                transfer.body.append(data, due);
                transfer.announcedLengthReached = true;
                return 0; // complete: the transfer ends here
            }
        }
        const std::size_t room = transfer.largestBody - transfer.body.size();
        if (length > room) {
            transfer.body.append(data, room);
            transfer.bodyCut = true;
            return 0; // ends the transfer with a write error
        }
        transfer.body.append(data, length);
    } catch (const std::bad_alloc&) {
        return 0; // what came so far is the result
    }
    return length;
}

std::string curlUrlFor(const UrlParts& parts)
{
    // The path goes through the same encoding as a keyword, so that no URL
    // handed to the fetch can put a raw space, CR or LF on the request line.
    return parts.scheme + "://" + parts.host + ":" + std::to_string(parts.port) +
           percentEncodeUnsafeBytes(objectName(parts.pathWithQuery));
}

HeaderList requestHeaders()
{
    HeaderList headers;
    // One Accept header replaces the client's own; Pragma (for HTTP/1.0
    // caches) and Cache-Control (for later ones, a proxy among them) ask that
    // the answer come from the search engine and not from a cache.
    for (const char* header : {"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"}) {
        curl_slist* extended = curl_slist_append(headers.get(), header);
        if (!extended)
            return nullptr;
        (void)headers.release();
        headers.reset(extended);
    }
    return headers;
}

bool configure(CURL* easy, const std::string& url, const UrlParts& parts, curl_slist* headers, Transfer& transfer,
               const FetchLimits& limits)
{
    bool ok = true;
    auto set = [&](CURLoption option, auto value) { ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK; };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    set(CURLOPT_HTTPGET, 1L);
    set(CURLOPT_PATH_AS_IS, 1L);
    set(CURLOPT_USERAGENT, FetchUserAgent.data());
    set(CURLOPT_HTTPHEADER, headers);
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, limits.largestRedirectCount);
    set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
    set(CURLOPT_NOSIGNAL, 1L);
    // The client would refuse a response whose Content-Length is negative or
    // not a number; such a body is read to the end of the connection like
    // one without a length. The announced length is kept by onBodyBytes.
    set(CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    // The client fixes its receive buffer before the transfer starts, when
    // the length is not known yet (it refuses a new size during a transfer),
    // so it gets the largest read size that any response can ask for.
    set(CURLOPT_BUFFERSIZE, static_cast<long>(LargestReadSize));
    set(CURLOPT_HEADERFUNCTION, &onHeaderLine);
    set(CURLOPT_HEADERDATA, &transfer);
    set(CURLOPT_WRITEFUNCTION, &onBodyBytes);
    set(CURLOPT_WRITEDATA, &transfer);
    if (!parts.userName.empty())
        set(CURLOPT_USERNAME, parts.userName.c_str());
    if (!parts.password.empty())
        set(CURLOPT_PASSWORD, parts.password.c_str());
    // Proxy: left to the client's default, which takes the proxy settings
    // of the environment (http_proxy, https_proxy, no_proxy).
    return ok;
}

} // namespace

std::optional<std::size_t> announcedBodyLength(std::string_view contentLength)
{
    // The value had to fit a buffer of 32 bytes with its terminating NUL.
    if (contentLength.size() > 31)
        return std::nullopt;
    std::string_view value = contentLength;
    while (!value.empty() && std::isspace(static_cast<unsigned char>(value.front())))
        value.remove_prefix(1);
    bool negative = false;
    if (!value.empty() && (value.front() == '+' || value.front() == '-')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    std::uint64_t n = 0;
    for (char c : value) {
        if (c < '0' || c > '9')
            break;
        n = std::min<std::uint64_t>(n * 10 + static_cast<std::uint64_t>(c - '0'), SIZE_MAX / 20);
    }
    if (negative || n == 0)
        return std::nullopt;
    return static_cast<std::size_t>(n);
}

std::int32_t readSizeFor(std::optional<std::string_view> contentLength)
{
    const std::optional<std::size_t> n = contentLength ? announcedBodyLength(*contentLength) : std::nullopt;
    if (!n)
        return ReadSizeWithoutLength;
    return static_cast<std::int32_t>(std::min<std::size_t>(*n + 1, LargestReadSize));
}

FetchResult fetchPage(std::string_view url, std::stop_token stop, const FetchLimits& limits)
{
    FetchResult result;
    if (url.empty())
        return result;
    const std::optional<UrlParts> parts = splitUrl(url);
    if (!parts || (parts->scheme != "http" && parts->scheme != "https"))
        return result;
    if (!openClientContext())
        return result;

    Transfer transfer;
    transfer.largestBody = limits.largestBody;
    std::string curlUrl;
    HeaderList headers;
    try {
        curlUrl = curlUrlFor(*parts);
        headers = requestHeaders();
    } catch (const std::bad_alloc&) {
        return result;
    }
    MultiHandle multi(curl_multi_init());
    EasyHandle easy(curl_easy_init());
    if (!multi || !easy || !headers || !configure(easy.get(), curlUrl, *parts, headers.get(), transfer, limits))
        return result;
    Attachment attachment(multi.get(), easy.get());
    if (!attachment.attached())
        return result;
    std::stop_callback wakeOnStop(stop, [&multi] { curl_multi_wakeup(multi.get()); });

    const auto deadline = std::chrono::steady_clock::now() + limits.longestFetch;
    bool gaveUp = false;
    for (int running = 1;;) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            gaveUp = true;
            break;
        }
        if (!running)
            break;
        const auto now = std::chrono::steady_clock::now();
        const auto stalledFor = now - transfer.lastByte;
        if (stop.stop_requested() || stalledFor >= limits.stallTimeout || now >= deadline) {
            gaveUp = true;
            break;
        }
        // Wake when the nearer bound runs out, and at least once a second
        // for the client's own timers.
        const auto untilGivingUp =
            std::chrono::ceil<std::chrono::milliseconds>(std::min(limits.stallTimeout - stalledFor, deadline - now));
        const int pollTimeout = static_cast<int>(std::clamp<long long>(untilGivingUp.count(), 1, 1000));
        if (curl_multi_poll(multi.get(), nullptr, 0, pollTimeout, nullptr) != CURLM_OK) {
            gaveUp = true;
            break;
        }
    }

    CURLcode outcome = CURLE_OK;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE)
            outcome = message->data.result;
    }

    const bool complete =
        transfer.announcedLengthReached || (outcome == CURLE_OK && !transfer.announcedLength && !transfer.bodyCut);
    result.failed = gaveUp || !complete || !transfer.headersComplete;
    if (transfer.responseSeen)
        result.readSize = readSizeFor(transfer.contentLength);
    result.largestRead = transfer.largestRead;
    result.body = std::move(transfer.body);
    return result;
}

Bytes fetchUrl(std::string_view url)
{
    return fetchPage(url).body;
}

} // namespace kw
