#pragma once

#include <deque>
#include <string>
#include <utility>

#include "permissions/LoginItemService.h"

namespace varnic {

// A login-item service that a test scripts: the status it reports and
// failures with their texts.
class FakeLoginItemService : public LoginItemService {
  public:
    LoginItemStatus current = LoginItemStatus::notRegistered;
    // Texts of the next changes that fail, one per register or unregister call.
    std::deque<std::string> failures;

    LoginItemStatus status() override { return current; }
    bool registerItem(std::string& error) override {
        return change(LoginItemStatus::enabled, error);
    }
    bool unregisterItem(std::string& error) override {
        return change(LoginItemStatus::notRegistered, error);
    }

  private:
    bool change(LoginItemStatus to, std::string& error) {
        if (failures.empty()) {
            current = to;
            return true;
        }
        error = std::move(failures.front());
        failures.pop_front();
        return false;
    }
};

}  // namespace varnic
