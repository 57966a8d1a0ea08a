#pragma once

#include <functional>

namespace varnic {

// Ends an observation when destroyed: whoever subscribed keeps this token for
// as long as it wants to be told.
class Subscription {
  public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel);
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription();

    void cancel();

  private:
    std::function<void()> cancel_;
};

}  // namespace varnic
