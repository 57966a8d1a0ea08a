#pragma once

#include <optional>
#include <string>

#include "permissions/LoginItemService.h"
#include "support/Published.h"

namespace varnic {

// Publishes whether Varnic starts at login and the last registration failure.
class StartupManager {
  public:
    explicit StartupManager(LoginItemService& service);

    Published<bool> isEnabled;
    Published<std::optional<std::string>> lastError;

    void setEnabled(bool enabled);

  private:
    LoginItemService& service_;
};

}  // namespace varnic
