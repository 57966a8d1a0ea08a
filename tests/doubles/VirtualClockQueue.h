#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "support/MainQueue.h"

namespace varnic {

// A main queue on a virtual clock: nothing runs until the test advances time;
// then due tasks run in deadline order, in posting order for equal deadlines.
class VirtualClockQueue : public MainQueue {
  public:
    void post(Task task) override { postAfter(0, std::move(task)); }
    void postAfter(double seconds, Task task) override;
    [[nodiscard]] std::unique_ptr<Timer> repeating(double seconds, Task task) override;

    // Moves the clock forward, running every task that falls due on the way,
    // including tasks those tasks post.
    void advance(double seconds);
    // Runs what is due now.
    void runPending() { advance(0); }

  private:
    struct Entry {
        Task task;
        std::shared_ptr<bool> timerValid;  // set for timer ticks
        std::int64_t intervalMicros = 0;
    };

    void schedule(std::int64_t deadline, Entry entry);

    std::int64_t nowMicros_ = 0;
    std::uint64_t sequence_ = 0;
    std::multimap<std::pair<std::int64_t, std::uint64_t>, Entry> entries_;
};

}  // namespace varnic
