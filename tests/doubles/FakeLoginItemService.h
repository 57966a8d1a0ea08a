#pragma once

#include <deque>
#include <string>
#include <utility>

#include "permissions/LoginItemService.h"

namespace varnic {

// A login-item service whose changes succeed unless a test scripts their
// failures; its status is what the last successful change left.
class FakeLoginItemService : public LoginItemService {
  public:
    // Texts of the next changes that fail, one per register or unregister call.
    std::deque<std::string> failures;

    LoginItemStatus status() override { return current_; }
    bool registerItem(std::string& error) override { return change(true, error); }
    bool unregisterItem(std::string& error) override { return change(false, error); }

  private:
    bool change(bool registered, std::string& error) {
        if (failures.empty()) {
            current_ = registered ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
            return true;
        }
        error = std::move(failures.front());
        failures.pop_front();
        return false;
    }

    LoginItemStatus current_ = LoginItemStatus::notRegistered;
};

}  // namespace varnic
