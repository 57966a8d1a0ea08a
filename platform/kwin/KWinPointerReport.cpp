#include "platform/kwin/KWinPointerReport.h"

#include <QDBusMessage>
#include <utility>

namespace varnic {

void KWinPointerReport::expect(const QString& kwinOwner) {
    const std::lock_guard lock(mutex_);
    kwinOwner_ = kwinOwner;
    position_.reset();
}

std::optional<QPoint> KWinPointerReport::take() {
    const std::lock_guard lock(mutex_);
    return std::exchange(position_, std::nullopt);
}

void KWinPointerReport::Pointer(int x, int y) {
    const std::lock_guard lock(mutex_);
    if (calledFromDBus() && message().service() == kwinOwner_) position_ = QPoint(x, y);
}

}  // namespace varnic
