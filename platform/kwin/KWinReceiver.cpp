#include "platform/kwin/KWinReceiver.h"

#include <QDBusMessage>

namespace varnic {

bool KWinReceiver::fromKWin() const {
    const auto owner = answers_.kwinOwner();
    return calledFromDBus() && !owner.empty() && message().service().toStdString() == owner;
}

void KWinReceiver::Window(const QString& text, const QString& caption) {
    if (!fromKWin()) return;
    if (auto record = KWinWindowRecord::parse(text.toStdString(), caption.toStdString())) {
        feed_.window(std::move(*record));
    }
}

void KWinReceiver::Removed(const QString& id) {
    if (fromKWin()) feed_.removed(id.toStdString());
}

void KWinReceiver::Activated(const QString& id) {
    if (fromKWin()) feed_.activate(id.toStdString());
}

void KWinReceiver::Ready(const QString&) {
    if (fromKWin()) answers_.setReady();
}

void KWinReceiver::Resized(const QString& text) {
    if (!fromKWin()) return;
    if (const auto answer = KWinResizeAnswer::parse(text.toStdString())) answers_.answer(*answer);
}

void KWinReceiver::kwinOwnerChanged(const QString&, const QString&, const QString&) {
    answers_.reset({});
    feed_.reset();
}

}  // namespace varnic
