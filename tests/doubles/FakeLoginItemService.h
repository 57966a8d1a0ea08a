#pragma once

#include <deque>
#include <string>
#include <vector>

#include "permissions/LoginItemService.h"

namespace varnic {

// A login-item service that a test scripts: the status it reports, what a
// successful change leaves, and failures with their texts. Records every call.
class FakeLoginItemService : public LoginItemService {
  public:
    enum class Call { status, registerItem, unregisterItem };

    LoginItemStatus current = LoginItemStatus::notRegistered;
    // What a successful registration leaves, e.g. requiresApproval.
    LoginItemStatus afterRegister = LoginItemStatus::enabled;
    // Texts of the next changes that fail, one per register or unregister call.
    std::deque<std::string> failures;

    std::vector<Call> calls;

    LoginItemStatus status() override;
    bool registerItem(std::string& error) override;
    bool unregisterItem(std::string& error) override;

  private:
    bool change(LoginItemStatus to, std::string& error);
};

}  // namespace varnic
