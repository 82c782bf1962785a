#include "support/fault_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace kw::test {

namespace {

int boundLoopbackSocket(int backlog, std::uint16_t& port)
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        throw std::system_error(errno, std::generic_category(), "socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (backlog >= 0 && listen(listener, backlog) != 0) ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(listener);
        throw std::system_error(errno, std::generic_category(), "bind");
    }
    port = ntohs(address.sin_port);
    return listener;
}

} // namespace

bool FaultConnection::send(std::string_view bytes)
{
    while (!bytes.empty() && !closed_) {
        if (server_.waitFor(socket_, POLLOUT) != FaultServer::Wait::ready)
            return false;
        const ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return !closed_;
}

void FaultConnection::endSending()
{
    if (!closed_)
        shutdown(socket_, SHUT_WR);
}

std::string FaultConnection::waitForClientClose()
{
    std::string received;
    char buffer[4096];
    while (!closed_ && server_.waitFor(socket_, POLLIN) == FaultServer::Wait::ready) {
        const ssize_t count = recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR))
            break;
        if (count > 0)
            received.append(buffer, static_cast<std::size_t>(count));
    }
    return received;
}

bool FaultConnection::clientGoneWithin(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (!closed_) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        switch (server_.waitFor(socket_, POLLIN, static_cast<int>(left.count()))) {
        case FaultServer::Wait::timedOut:
            return false;
        case FaultServer::Wait::stopping:
            return true;
        case FaultServer::Wait::ready:
            break;
        }
        const ssize_t count = recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count == 0 || (count < 0 && errno != EAGAIN && errno != EINTR))
            return true;
    }
    return true;
}

void FaultConnection::reset()
{
    const linger abort{1, 0};
    setsockopt(socket_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(socket_);
    closed_ = true;
}

FaultServer::FaultServer(Script script, RequestReading reading) : script_(std::move(script)), reading_(reading)
{
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe");
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    listener_ = boundLoopbackSocket(64, port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

FaultServer::~FaultServer()
{
    const char byte = 1;
    // Never read: from now on every wait of the server ends at once.
    [[maybe_unused]] const auto written = write(wakeWrite_, &byte, 1);
    acceptor_.join();
    for (ConnectionThread& connection : threads_)
        connection.thread.join();
    close(listener_);
    close(wakeRead_);
    close(wakeWrite_);
}

std::string FaultServer::url(std::string_view pathAndQuery) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(pathAndQuery);
}

std::size_t FaultServer::connectionCount() const
{
    std::lock_guard lock(mutex_);
    return connections_;
}

std::vector<std::string> FaultServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> FaultServer::takeRequests()
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> taken;
    taken.swap(requests_);
    return taken;
}

bool FaultServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool FaultServer::waitUntilIdle(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [&] { return finishedConnections_ == connections_; }))
            return false;
    }
    joinFinishedConnections();
    return true;
}

FaultServer::Wait FaultServer::waitFor(int socket, short events, int timeoutMs) const
{
    pollfd watched[2] = {{socket, events, 0}, {wakeRead_, POLLIN, 0}};
    int ready = 0;
    while ((ready = poll(watched, 2, timeoutMs)) < 0) {
        if (errno != EINTR)
            return Wait::stopping;
    }
    if (watched[1].revents != 0)
        return Wait::stopping;
    return ready == 0 ? Wait::timedOut : Wait::ready;
}

void FaultServer::joinFinishedConnections()
{
    std::list<ConnectionThread> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = threads_.begin(); it != threads_.end();) {
            if (it->done)
                finished.splice(finished.end(), threads_, it++);
            else
                ++it;
        }
    }
    for (ConnectionThread& connection : finished)
        connection.thread.join();
}

void FaultServer::acceptLoop()
{
    while (waitFor(listener_, POLLIN) == Wait::ready) {
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        // A server that lives for many connections keeps threads only for
        // those still open.
        joinFinishedConnections();
        std::lock_guard lock(mutex_);
        ++connections_;
        const auto entry = threads_.emplace(threads_.end());
        entry->thread = std::thread([this, client, entry] {
            serve(client);
            {
                std::lock_guard finished(mutex_);
                entry->done = true;
                ++finishedConnections_;
            }
            changed_.notify_all();
        });
    }
}

void FaultServer::serve(int socket)
{
    std::string head;
    char buffer[4096];
    while (reading_ == ReadRequestHead && head.find("\r\n\r\n") == std::string::npos &&
           waitFor(socket, POLLIN) == Wait::ready) {
        const ssize_t received = recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (received <= 0)
            break;
        head.append(buffer, static_cast<std::size_t>(received));
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
    }
    changed_.notify_all();
    FaultConnection connection(*this, socket);
    script_(connection, head);
    if (!connection.closed_)
        close(socket);
}

FaultServer::Script FaultServer::answer(std::string response)
{
    return [response = std::move(response)](FaultConnection& connection, const std::string&) {
        if (connection.send(response)) {
            connection.endSending();
            connection.waitForClientClose();
        }
    };
}

FaultServer::Script FaultServer::closeWithoutAnswer()
{
    return [](FaultConnection&, const std::string&) {};
}

FaultServer::Script FaultServer::stayQuiet()
{
    return [](FaultConnection& connection, const std::string&) { connection.waitForClientClose(); };
}

FaultServer::Script FaultServer::trickle(std::string head, std::chrono::milliseconds interval)
{
    return [head = std::move(head), interval](FaultConnection& connection, const std::string&) {
        if (!connection.send(head))
            return;
        // The pace of the server, not a wait for an event: between two bytes
        // it only looks out for the client going.
        for (std::size_t sent = 0; connection.send(std::string(1, static_cast<char>('a' + sent % 26))); ++sent) {
            if (connection.clientGoneWithin(interval))
                return;
        }
    };
}

FaultServer::Script FaultServer::endless(std::string head, std::string repeated)
{
    return [head = std::move(head), repeated = std::move(repeated)](FaultConnection& connection, const std::string&) {
        // Sent in pieces of about 64 KiB, whatever the size of repeated.
        std::string piece = repeated;
        while (!repeated.empty() && piece.size() < 64 * 1024)
            piece += repeated;
        if (!connection.send(head))
            return;
        while (connection.send(piece)) {
        }
    };
}

FaultServer::Script FaultServer::resetAfter(std::string sent)
{
    return [sent = std::move(sent)](FaultConnection& connection, const std::string&) {
        connection.send(sent);
        connection.reset();
    };
}

FaultServer::Script FaultServer::hostileWhen(std::function<bool(const std::string&)> isHostile, Script hostile,
                                             Script good)
{
    return [=](FaultConnection& connection, const std::string& head) {
        if (isHostile(head))
            hostile(connection, head);
        else
            good(connection, head);
    };
}

UnansweringPort::UnansweringPort()
{
    listener_ = boundLoopbackSocket(0, port_);
    // Fill the backlog with connections nobody accepts; further connection
    // attempts then get no answer at all.
    for (int i = 0; i < 3; ++i) {
        const int filler = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port_);
        connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers_.push_back(filler);
    }
}

UnansweringPort::~UnansweringPort()
{
    for (int filler : fillers_)
        close(filler);
    close(listener_);
}

RefusingPort::RefusingPort() : socket_(boundLoopbackSocket(-1, port_))
{
}

RefusingPort::~RefusingPort()
{
    close(socket_);
}

} // namespace kw::test
