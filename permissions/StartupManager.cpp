#include "permissions/StartupManager.h"

namespace varnic {
namespace {

// Shown when a service fails without saying why, so that a failure never
// looks like a success under the switch.
constexpr std::string_view unexplainedFailure = "The login item could not be changed.";

}  // namespace

StartupManager::StartupManager(LoginItemService& service)
    : isEnabled(service.status() == LoginItemStatus::enabled), service_(service) {}

void StartupManager::setEnabled(bool enabled) {
    std::string error;
    const bool changed = enabled ? service_.registerItem(error) : service_.unregisterItem(error);
    if (changed) {
        lastError.set(std::nullopt);
    } else {
        lastError.set(error.empty() ? std::string(unexplainedFailure) : std::move(error));
    }
    isEnabled.set(service_.status() == LoginItemStatus::enabled);
}

}  // namespace varnic
