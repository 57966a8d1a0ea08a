#pragma once

#include <functional>
#include <utility>

#include "support/Observers.h"

namespace varnic {

// A value whose every store is announced to its observers *before* the new
// value is stored, also when it equals the old one. Observers that want the
// new value read it on a later turn of the main queue.
template <typename T>
class Published {
  public:
    using Observer = std::function<void()>;

    explicit Published(T initial = T{}) : value_(std::move(initial)) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const { return value_; }

    void set(T value) {
        observers_.notify();
        value_ = std::move(value);
    }

    [[nodiscard]] Subscription subscribe(Observer observer) {
        return observers_.subscribe(std::move(observer));
    }

  private:
    T value_;
    Observers<> observers_;
};

}  // namespace varnic
