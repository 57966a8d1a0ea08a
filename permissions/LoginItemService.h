#pragma once

#include <string>

namespace varnic {

enum class LoginItemStatus { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

// The platform's start-at-login registration of Varnic.
class LoginItemService {
  public:
    virtual ~LoginItemService() = default;
    virtual LoginItemStatus status() = 0;
    // On failure return false and put a human-readable description in error.
    virtual bool registerItem(std::string& error) = 0;
    virtual bool unregisterItem(std::string& error) = 0;
};

}  // namespace varnic
