#pragma once

#include <QTimer>

#include "support/MainQueue.h"

namespace varnic {

// A repeating QTimer behind the Timer interface; stopped for good by
// invalidate() or destruction.
class QtRepeatingTimer : public Timer {
  public:
    QtRepeatingTimer(double seconds, MainQueue::Task task);
    ~QtRepeatingTimer() override;

    void invalidate() override;
    bool isValid() const override { return valid_; }

    // A delay in whole milliseconds as QTimer takes it: negative or NaN is
    // zero, and values beyond its range are clamped.
    static int milliseconds(double seconds);

  private:
    QTimer timer_;
    bool valid_ = true;
};

}  // namespace varnic
