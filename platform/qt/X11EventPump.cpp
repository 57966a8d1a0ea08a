#include "platform/qt/X11EventPump.h"

#include <QAbstractEventDispatcher>
#include <QThread>

#include "platform/x11/X11WindowSystem.h"

namespace varnic {

X11EventPump::X11EventPump(X11WindowSystem& system, QObject* parent)
    : QObject(parent), system_(system) {
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &X11EventPump::drain);
    }
    followConnection();
}

void X11EventPump::followConnection() {
    const int fd = system_.connectionFd();
    if (fd == fd_) return;
    fd_ = fd;
    notifier_.reset();
    if (fd < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &X11EventPump::drain);
}

void X11EventPump::drain() {
    system_.processEvents();
    system_.flush();
    followConnection();
}

}  // namespace varnic
