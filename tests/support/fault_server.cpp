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
        if (!server_.waitFor(socket_, POLLOUT))
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

void FaultConnection::waitForClientClose()
{
    char buffer[4096];
    while (!closed_ && server_.waitFor(socket_, POLLIN)) {
        const ssize_t received = recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (received == 0 || (received < 0 && errno != EAGAIN && errno != EINTR))
            return;
    }
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
    [[maybe_unused]] const auto written = write(wakeWrite_, &byte, 1);
    acceptor_.join();
    for (std::thread& thread : threads_)
        thread.join();
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

bool FaultServer::waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool FaultServer::waitFor(int socket, short events) const
{
    pollfd watched[2] = {{socket, events, 0}, {wakeRead_, POLLIN, 0}};
    while (poll(watched, 2, -1) < 0) {
        if (errno != EINTR)
            return false;
    }
    return watched[1].revents == 0 && watched[0].revents != 0;
}

void FaultServer::acceptLoop()
{
    while (waitFor(listener_, POLLIN)) {
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::lock_guard lock(mutex_);
        ++connections_;
        threads_.emplace_back([this, client] { serve(client); });
    }
}

void FaultServer::serve(int socket)
{
    std::string head;
    char buffer[4096];
    while (reading_ == ReadRequestHead && head.find("\r\n\r\n") == std::string::npos && waitFor(socket, POLLIN)) {
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
            shutdown(connection.socket_, SHUT_WR);
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
