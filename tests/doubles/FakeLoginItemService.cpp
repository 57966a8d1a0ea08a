#include "tests/doubles/FakeLoginItemService.h"

namespace varnic {

LoginItemStatus FakeLoginItemService::status() {
    calls.push_back(Call::status);
    return current;
}

bool FakeLoginItemService::registerItem(std::string& error) {
    calls.push_back(Call::registerItem);
    return change(afterRegister, error);
}

bool FakeLoginItemService::unregisterItem(std::string& error) {
    calls.push_back(Call::unregisterItem);
    return change(LoginItemStatus::notRegistered, error);
}

bool FakeLoginItemService::change(LoginItemStatus to, std::string& error) {
    if (!failures.empty()) {
        error = std::move(failures.front());
        failures.pop_front();
        return false;
    }
    current = to;
    return true;
}

}  // namespace varnic
