#pragma once

#include <functional>
#include <memory>

namespace varnic {

// A repeating timer; it stops for good once invalidated or destroyed.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void invalidate() = 0;
    virtual bool isValid() const = 0;
};

// The one thread's task queue: tasks run on the main thread, in the order
// they fall due (and in posting order for equal deadlines).
class MainQueue {
  public:
    using Task = std::function<void()>;

    virtual ~MainQueue() = default;
    // Runs the task on a later turn, never inside this call.
    virtual void post(Task task) = 0;
    virtual void postAfter(double seconds, Task task) = 0;
    [[nodiscard]] virtual std::unique_ptr<Timer> repeating(double seconds, Task task) = 0;
};

}  // namespace varnic
