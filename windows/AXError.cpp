#include "windows/AXError.h"

#include <array>
#include <utility>

namespace varnic {

std::string_view axErrorName(AXError code) {
    static constexpr std::array<std::pair<AXError, std::string_view>, 17> names{{
        {ax::success, "success"},
        {ax::failure, "failure"},
        {ax::illegalArgument, "illegalArgument"},
        {ax::invalidUIElement, "invalidUIElement"},
        {ax::invalidUIElementObserver, "invalidUIElementObserver"},
        {ax::cannotComplete, "cannotComplete"},
        {ax::attributeUnsupported, "attributeUnsupported"},
        {ax::actionUnsupported, "actionUnsupported"},
        {ax::notificationUnsupported, "notificationUnsupported"},
        {ax::notImplemented, "notImplemented"},
        {ax::notificationAlreadyRegistered, "notificationAlreadyRegistered"},
        {ax::notificationNotRegistered, "notificationNotRegistered"},
        {ax::apiDisabled, "apiDisabled"},
        {ax::noValue, "noValue"},
        {ax::parameterizedAttributeUnsupported, "parameterizedAttributeUnsupported"},
        {ax::notEnoughPrecision, "notEnoughPrecision"},
    }};
    for (const auto& [known, name] : names) {
        if (known == code) return name;
    }
    return "unknown";
}

std::string describeAXError(AXError code) {
    return std::to_string(code) + " (" + std::string(axErrorName(code)) + ")";
}

}  // namespace varnic
