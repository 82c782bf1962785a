#pragma once
// Measures how long the GUI thread's event loop goes without turning: a
// timer asks to fire every millisecond, and the longest gap between two of
// its firings, less that millisecond, is the longest stall.

#include <QElapsedTimer>
#include <QTimer>

namespace kw::bench {

class EventLoopStall {
public:
    // On the GUI thread; starts measuring at once.
    EventLoopStall();
    // Forgets the stalls so far and measures on.
    void restart();
    double longestMs() const { return longestNs_ / 1e6; }
    // The GUI thread's own processor time within that longest gap: much
    // less than the gap means the thread was kept waiting by others.
    double longestBusyMs() const { return longestBusyNs_ / 1e6; }

private:
    QTimer ticks_;
    QElapsedTimer clock_;
    qint64 lastTickNs_ = 0;
    qint64 lastTickBusyNs_ = 0;
    qint64 longestNs_ = 0;
    qint64 longestBusyNs_ = 0;
};

} // namespace kw::bench
