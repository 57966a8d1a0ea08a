#pragma once

#include <QObject>

#include "support/MainQueue.h"

namespace varnic {

// The main queue on the Qt event loop of the GUI thread. Create it on that
// thread once the QApplication exists; tasks still waiting when it is
// destroyed are dropped.
class QtMainQueue : public MainQueue {
  public:
    void post(Task task) override;
    void postAfter(double seconds, Task task) override;
    [[nodiscard]] std::unique_ptr<Timer> repeating(double seconds, Task task) override;

  private:
    // Owns the pending single-shot timers, so that they die with the queue.
    QObject context_;
};

}  // namespace varnic
