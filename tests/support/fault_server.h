#pragma once
// A raw-socket HTTP server for the fetch tests: it reads each request head
// as the client sent it, byte for byte, and then does whatever the test's
// script says, however badly behaved. Binds 127.0.0.1 on a free port.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kw::test {

class FaultServer;

// One accepted connection, as the script sees it.
class FaultConnection {
public:
    FaultConnection(FaultServer& server, int socket) : server_(server), socket_(socket) {}
    // False once the client has gone or the server stops.
    bool send(std::string_view bytes);
    // Tells the client that nothing more comes (a half close).
    void endSending();
    // Waits until the client closes its end (or the server stops), and
    // gives what the client sent meanwhile.
    std::string waitForClientClose();
    // Waits up to timeout for the client to go; false when it is still
    // there. Whatever it sends meanwhile is read and dropped.
    bool clientGoneWithin(std::chrono::milliseconds timeout);
    // Ends the connection with a reset instead of an orderly close.
    void reset();

private:
    friend class FaultServer;
    FaultServer& server_;
    int socket_;
    bool closed_ = false;
};

class FaultServer {
public:
    using Script = std::function<void(FaultConnection&, const std::string& requestHead)>;

    enum RequestReading { ReadRequestHead, AnswerAtOnce };
    // With AnswerAtOnce the script starts as soon as a connection is
    // accepted, before anything is read.
    explicit FaultServer(Script script, RequestReading reading = ReadRequestHead);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by pathAndQuery.
    std::string url(std::string_view pathAndQuery) const;

    std::size_t connectionCount() const;
    // The request heads received and not yet taken, each up to and
    // including its blank line (and whatever came with it).
    std::vector<std::string> requests() const;
    // The same, and forgets them, so that a server that lives for many
    // requests keeps no more than one in memory.
    std::vector<std::string> takeRequests();
    bool waitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;
    // Waits until every connection accepted so far has ended, and joins
    // their threads, so that the server does nothing more until the next
    // connection comes. False after the timeout.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

    // Scripts that come up again and again.
    static Script answer(std::string response);
    static Script closeWithoutAnswer();
    // Accepts, reads the request and never answers.
    static Script stayQuiet();
    // Sends head, then one byte of body every interval until the client goes.
    static Script trickle(std::string head, std::chrono::milliseconds interval);
    // Sends head, then repeated over and over as fast as the client takes
    // it, for ever.
    static Script endless(std::string head, std::string repeated);
    // Sends the bytes, then resets the connection.
    static Script resetAfter(std::string sent);
    // Connections whose request head isHostile picks get hostile, all
    // others good.
    static Script hostileWhen(std::function<bool(const std::string& requestHead)> isHostile, Script hostile,
                              Script good);

private:
    friend class FaultConnection;
    struct ConnectionThread {
        std::thread thread;
        bool done = false; // guarded by mutex_
    };

    void acceptLoop();
    void joinFinishedConnections();
    void serve(int socket);
    enum class Wait { ready, timedOut, stopping };
    // Until the socket is ready, the server stops, or timeoutMs (-1: no
    // limit) passes.
    Wait waitFor(int socket, short events, int timeoutMs = -1) const;

    Script script_;
    RequestReading reading_;
    int listener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::size_t connections_ = 0;
    std::size_t finishedConnections_ = 0;
    std::vector<std::string> requests_;
    std::list<ConnectionThread> threads_;
    std::thread acceptor_;
};

// A listening port whose backlog is full and which never accepts: a connect
// to it neither succeeds nor fails, as with a host that does not answer.
class UnansweringPort {
public:
    UnansweringPort();
    ~UnansweringPort();
    UnansweringPort(const UnansweringPort&) = delete;
    UnansweringPort& operator=(const UnansweringPort&) = delete;
    std::uint16_t port() const { return port_; }

private:
    int listener_ = -1;
    std::vector<int> fillers_;
    std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 that is bound but not listening, so that nobody else
// takes it: a connect to it is refused.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    std::uint16_t port() const { return port_; }

private:
    std::uint16_t port_ = 0;
    int socket_ = -1;
};

} // namespace kw::test
