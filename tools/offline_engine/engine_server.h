#pragma once
// The offline search engine: an HTTP/1.0 server on 127.0.0.1 that answers
// /s?wd= with GBK result pages from a keyword graph, and can misbehave on
// request (latency, any status, no or a wrong Content-Length, NUL bytes, a
// body broken off, an endless body, redirects). One thread per connection.

#include "tools/offline_engine/keyword_graph.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kw::engine {

struct EngineOptions {
    std::chrono::milliseconds latency{0}; // before each response
    int statusCode = 200;                 // of every page (redirects excepted)
    bool sendContentLength = true;
    std::optional<std::string> contentLengthValue; // sent instead of the true length
    std::optional<std::size_t> nulAt;              // a NUL byte inserted at this body offset
    std::optional<std::size_t> breakAfter;         // the connection is reset after this many body bytes
    bool endlessBody = false;                      // the page, then filler until the client gives up
    int redirects = 0;                             // redirect hops before a page is served
    std::size_t padTo = 0;                         // pages padded with a comment to at least this size
};

struct EngineRequest {
    std::string head;                 // the request as received, up to and including the blank line
    std::optional<std::string> query; // the decoded wd of a /s request
};

class OfflineEngine {
public:
    explicit OfflineEngine(std::shared_ptr<const KeywordGraph> graph, EngineOptions options = {});
    ~OfflineEngine();
    OfflineEngine(const OfflineEngine&) = delete;
    OfflineEngine& operator=(const OfflineEngine&) = delete;

    // Binds 127.0.0.1:port (0 picks a free one) and starts serving; throws
    // std::system_error when the port cannot be had.
    void start(std::uint16_t port = 0);
    // Ends every connection, also one that waits or streams, and joins all
    // threads. Called by the destructor.
    void stop();

    std::uint16_t port() const { return port_; }
    std::string searchUrlPrefix() const;

    // Options can change while serving; each response uses those in force
    // when its request arrived.
    void setOptions(const EngineOptions& options);

    std::vector<EngineRequest> requests() const;
    std::size_t requestCount() const;
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct Connection {
        std::thread thread;
        std::shared_ptr<bool> done; // guarded by connectionsMutex_
    };

    void acceptLoop();
    void serve(int socket);
    void reapFinishedConnections();
    bool waitForWritable(int socket);
    bool sendAll(int socket, std::string_view bytes);
    bool pause(std::chrono::milliseconds duration);

    std::shared_ptr<const KeywordGraph> graph_;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;
    std::thread acceptor_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    EngineOptions options_;
    bool stopping_ = false;
    std::vector<EngineRequest> requests_;

    std::mutex connectionsMutex_;
    std::list<Connection> connections_;
};

// The response to one request head: status line, headers, body, and what to
// do after it, under the given options. Exposed for the tests.
struct EngineResponse {
    std::string head;
    std::string body;
    bool endless = false;
    std::optional<std::size_t> breakAfter;
};
EngineResponse respond(const KeywordGraph& graph, std::string_view requestHead, const EngineOptions& options,
                       std::optional<std::string>* query = nullptr);

} // namespace kw::engine
