#include "tools/offline_engine/engine_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kw::engine {

namespace {

constexpr std::size_t LargestRequestHead = 64 * 1024;
constexpr auto RequestTimeout = std::chrono::seconds(10);

[[noreturn]] void throwSystemError(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// Closes the socket with a reset instead of an orderly end, so that the
// client sees a broken connection.
void resetAndClose(int socket)
{
    const linger abort{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(socket);
}

} // namespace

OfflineEngine::OfflineEngine(std::shared_ptr<const KeywordGraph> graph, EngineOptions options)
    : graph_(std::move(graph)), options_(std::move(options))
{
}

OfflineEngine::~OfflineEngine()
{
    stop();
}

void OfflineEngine::start(std::uint16_t port)
{
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0)
        throwSystemError("pipe");
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];

    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        throwSystemError("socket");
    const int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throwSystemError("bind");
    if (listen(listener_, 128) != 0)
        throwSystemError("listen");
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

void OfflineEngine::stop()
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || listener_ < 0)
            return;
        stopping_ = true;
    }
    changed_.notify_all();
    const char byte = 1;
    // Never read: from now on every poll on the wake pipe returns at once.
    [[maybe_unused]] const auto written = write(wakeWrite_, &byte, 1);
    if (acceptor_.joinable())
        acceptor_.join();
    std::list<Connection> remaining;
    {
        std::lock_guard lock(connectionsMutex_);
        remaining.swap(connections_);
    }
    for (Connection& connection : remaining)
        connection.thread.join();
    close(listener_);
    close(wakeRead_);
    close(wakeWrite_);
}

std::string OfflineEngine::searchUrlPrefix() const
{
    return "http://127.0.0.1:" + std::to_string(port_) + "/s?wd=";
}

void OfflineEngine::setOptions(const EngineOptions& options)
{
    std::lock_guard lock(mutex_);
    options_ = options;
}

std::vector<EngineRequest> OfflineEngine::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t OfflineEngine::requestCount() const
{
    std::lock_guard lock(mutex_);
    return requests_.size();
}

bool OfflineEngine::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void OfflineEngine::reapFinishedConnections()
{
    std::list<Connection> finished;
    {
        std::lock_guard lock(connectionsMutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            if (*it->done)
                finished.splice(finished.end(), connections_, it++);
            else
                ++it;
        }
    }
    for (Connection& connection : finished)
        connection.thread.join();
}

void OfflineEngine::acceptLoop()
{
    for (;;) {
        pollfd watched[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (poll(watched, 2, -1) < 0 && errno != EINTR)
            return;
        if (watched[1].revents != 0)
            return;
        if (!(watched[0].revents & POLLIN))
            continue;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        reapFinishedConnections();
        std::lock_guard lock(connectionsMutex_);
        auto done = std::make_shared<bool>(false);
        connections_.push_back({std::thread([this, client, done] {
                                    serve(client);
                                    std::lock_guard finished(connectionsMutex_);
                                    *done = true;
                                }),
                                done});
    }
}

bool OfflineEngine::pause(std::chrono::milliseconds duration)
{
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, duration, [&] { return stopping_; });
}

bool OfflineEngine::waitForWritable(int socket)
{
    pollfd watched[2] = {{socket, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
    while (poll(watched, 2, -1) < 0) {
        if (errno != EINTR)
            return false;
    }
    return watched[1].revents == 0 && (watched[0].revents & POLLOUT);
}

bool OfflineEngine::sendAll(int socket, std::string_view bytes)
{
    while (!bytes.empty()) {
        if (!waitForWritable(socket))
            return false;
        const ssize_t sent = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

void OfflineEngine::serve(int socket)
{
    std::string head;
    const auto deadline = std::chrono::steady_clock::now() + RequestTimeout;
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < LargestRequestHead) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd watched[2] = {{socket, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        if (left.count() <= 0 || poll(watched, 2, static_cast<int>(left.count())) <= 0 || watched[1].revents != 0) {
            close(socket);
            return;
        }
        char buffer[4096];
        const ssize_t received = recv(socket, buffer, sizeof buffer, 0);
        if (received <= 0) {
            close(socket);
            return;
        }
        head.append(buffer, static_cast<std::size_t>(received));
    }
    head.resize(std::min(head.size(), head.find("\r\n\r\n") + 4));

    EngineOptions options;
    {
        std::lock_guard lock(mutex_);
        options = options_;
    }
    std::optional<std::string> query;
    const EngineResponse response = respond(*graph_, head, options, &query);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({head, query});
    }
    changed_.notify_all();

    if (options.latency.count() > 0 && !pause(options.latency)) {
        close(socket);
        return;
    }
    if (!sendAll(socket, response.head)) {
        close(socket);
        return;
    }
    if (response.breakAfter) {
        sendAll(socket, std::string_view(response.body).substr(0, *response.breakAfter));
        resetAndClose(socket);
        return;
    }
    bool open = sendAll(socket, response.body);
    if (response.endless) {
        const std::string filler = "<!--" + std::string(16 * 1024 - 7, '-') + "-->";
        while (open)
            open = sendAll(socket, filler);
        resetAndClose(socket);
        return;
    }
    shutdown(socket, SHUT_WR);
    // Lets the client read the whole answer before the socket goes: wait
    // for its end of the connection (or a stop, or a time-out).
    pollfd watched[2] = {{socket, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    poll(watched, 2, 2000);
    close(socket);
}

} // namespace kw::engine
