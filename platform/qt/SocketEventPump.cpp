#include "platform/qt/SocketEventPump.h"

#include <QAbstractEventDispatcher>
#include <QThread>

namespace varnic {

SocketEventPump::SocketEventPump(Source source, QObject* parent)
    : QObject(parent), source_(std::move(source)) {
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &SocketEventPump::drain);
    }
    followConnection();
}

void SocketEventPump::followConnection() {
    const int fd = source_.fd();
    if (fd == fd_) return;
    fd_ = fd;
    notifier_.reset();
    if (fd < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SocketEventPump::drain);
}

void SocketEventPump::drain() {
    source_.drain();
    followConnection();
}

}  // namespace varnic
