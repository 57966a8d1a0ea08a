#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace varnic {

class X11WindowSystem;

// Runs the X11 window system's connection on the Qt event loop: a socket
// notifier wakes the loop when the server writes, and before the loop goes to
// sleep queued events are drained (replies read during a request may have
// queued them without the socket becoming readable again) and requests flushed.
// Activation notifications therefore arrive on the main thread while idle.
class X11EventPump : public QObject {
    Q_OBJECT

  public:
    explicit X11EventPump(X11WindowSystem& system, QObject* parent = nullptr);

  private:
    void drain();
    // The connection is opened again after it was lost; follow its socket.
    void followConnection();

    X11WindowSystem& system_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int fd_ = -1;
};

}  // namespace varnic
