#include "platform/qt/QtRepeatingTimer.h"

#include <cmath>
#include <limits>

namespace varnic {

QtRepeatingTimer::QtRepeatingTimer(double seconds, MainQueue::Task task) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(milliseconds(seconds));
    // The task may destroy this timer (a poll that finds what it waited for),
    // so it runs from a copy that outlives the QTimer.
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [task = std::move(task)] {
        auto run = task;
        run();
    });
    timer_.start();
}

QtRepeatingTimer::~QtRepeatingTimer() {
    timer_.stop();
}

void QtRepeatingTimer::invalidate() {
    valid_ = false;
    timer_.stop();
}

int QtRepeatingTimer::milliseconds(double seconds) {
    const double ms = std::round(seconds * 1000.0);
    if (!(ms > 0)) return 0;
    constexpr auto most = std::numeric_limits<int>::max();
    return ms >= static_cast<double>(most) ? most : static_cast<int>(ms);
}

}  // namespace varnic
