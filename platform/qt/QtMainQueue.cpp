#include "platform/qt/QtMainQueue.h"

#include <QTimer>

#include "platform/qt/QtRepeatingTimer.h"

namespace varnic {

void QtMainQueue::post(Task task) {
    // A zero interval is queued as an event: it runs on a later turn, never inline.
    QTimer::singleShot(0, &context_, std::move(task));
}

void QtMainQueue::postAfter(double seconds, Task task) {
    // Precise timers keep the 0.5 s and 1.5 s delays from being rounded up.
    QTimer::singleShot(QtRepeatingTimer::milliseconds(seconds), Qt::PreciseTimer, &context_,
                       std::move(task));
}

std::unique_ptr<Timer> QtMainQueue::repeating(double seconds, Task task) {
    return std::make_unique<QtRepeatingTimer>(seconds, std::move(task));
}

}  // namespace varnic
