#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "support/Subscription.h"

namespace varnic {

// A list of callbacks told of an event. Each stays registered while the
// Subscription it was given lives; a callback may subscribe or unsubscribe
// others (or itself) while being told.
template <typename... Args>
class Observers {
  public:
    using Observer = std::function<void(Args...)>;

    [[nodiscard]] Subscription subscribe(Observer observer) {
        const auto id = nextId_++;
        observers_->emplace(id, std::move(observer));
        return Subscription([weak = std::weak_ptr(observers_), id] {
            if (auto observers = weak.lock()) observers->erase(id);
        });
    }

    void notify(const Args&... args) const {
        const auto observers = *observers_;
        for (const auto& [id, observer] : observers) observer(args...);
    }

  private:
    std::shared_ptr<std::map<std::uint64_t, Observer>> observers_ =
        std::make_shared<std::map<std::uint64_t, Observer>>();
    std::uint64_t nextId_ = 0;
};

}  // namespace varnic
