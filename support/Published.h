#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "support/Subscription.h"

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
        // Copy first: an observer may subscribe or unsubscribe while being told.
        auto observers = *observers_;
        for (auto& [id, observer] : observers) observer();
        value_ = std::move(value);
    }

    [[nodiscard]] Subscription subscribe(Observer observer) {
        const auto id = nextId_++;
        observers_->emplace(id, std::move(observer));
        return Subscription([weak = std::weak_ptr(observers_), id] {
            if (auto observers = weak.lock()) observers->erase(id);
        });
    }

  private:
    T value_;
    std::shared_ptr<std::map<std::uint64_t, Observer>> observers_ =
        std::make_shared<std::map<std::uint64_t, Observer>>();
    std::uint64_t nextId_ = 0;
};

}  // namespace varnic
