#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace varnic {

// Runs a window system's connection socket on the Qt event loop: a socket
// notifier wakes the loop when the peer writes, and before the loop goes to
// sleep queued events are drained (replies read during a request may have
// queued them without the socket becoming readable again). Notifications
// therefore arrive on the main thread while idle.
class SocketEventPump : public QObject {
    Q_OBJECT

  public:
    struct Source {
        std::function<int()> fd;      // -1 while not connected
        std::function<void()> drain;  // handles every queued event, flushes requests
    };

    explicit SocketEventPump(Source source, QObject* parent = nullptr);

  private:
    void drain();
    // A connection opened again after it was lost has a new socket; follow it.
    void followConnection();

    Source source_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int fd_ = -1;
};

}  // namespace varnic
