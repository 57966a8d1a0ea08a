#include "tests/doubles/VirtualClockQueue.h"

#include <cmath>

namespace varnic {
namespace {

std::int64_t toMicros(double seconds) {
    return std::llround(seconds * 1e6);
}

class VirtualTimer : public Timer {
  public:
    explicit VirtualTimer(std::shared_ptr<bool> valid) : valid_(std::move(valid)) {}
    ~VirtualTimer() override { invalidate(); }
    void invalidate() override { *valid_ = false; }
    bool isValid() const override { return *valid_; }

  private:
    std::shared_ptr<bool> valid_;
};

}  // namespace

void VirtualClockQueue::schedule(std::int64_t deadline, Entry entry) {
    entries_.emplace(std::pair(deadline, sequence_++), std::move(entry));
}

void VirtualClockQueue::postAfter(double seconds, Task task) {
    schedule(nowMicros_ + toMicros(seconds), {std::move(task), nullptr, 0});
}

std::unique_ptr<Timer> VirtualClockQueue::repeating(double seconds, Task task) {
    auto valid = std::make_shared<bool>(true);
    const auto interval = toMicros(seconds);
    schedule(nowMicros_ + interval, {std::move(task), valid, interval});
    return std::make_unique<VirtualTimer>(valid);
}

void VirtualClockQueue::advance(double seconds) {
    const auto target = nowMicros_ + toMicros(seconds);
    while (!entries_.empty() && entries_.begin()->first.first <= target) {
        auto node = entries_.extract(entries_.begin());
        nowMicros_ = node.key().first;
        auto& entry = node.mapped();
        if (entry.timerValid && !*entry.timerValid) continue;
        entry.task();
        if (entry.timerValid && *entry.timerValid)
            schedule(nowMicros_ + entry.intervalMicros, std::move(entry));
    }
    nowMicros_ = target;
}

}  // namespace varnic
