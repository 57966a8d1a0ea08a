#include "windows/WindowResizer.h"

#include <string>

#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {
namespace {

std::string displayName(const RunningApplication& application, std::string_view fallback) {
    return logformat::escaped(application.localizedName.value_or(std::string(fallback)));
}

std::string sizeText(double width, double height) {
    return logformat::size(width) + "x" + logformat::size(height);
}

// Follows a success line when the window took a size next to the one asked for.
void logNearest(const SizeWriteResult& result) {
    if (!result.nearest) return;
    const auto& nearest = *result.nearest;
    Log::write("The window took the nearest size it allows, " +
               sizeText(nearest.size.width, nearest.size.height) + ": " +
               logformat::escaped(nearest.reason));
}

}  // namespace

void WindowResizer::resizeWindow(const RunningApplication& application, double width,
                                 double height) {
    const auto name = displayName(application, "unknown");
    const auto app = system_.createApplication(application.processIdentifier);
    system_.setMessagingTimeout(*app, messagingTimeoutSeconds);

    auto focused = system_.copyAttributeValue(*app, attr::focusedWindow);
    Element window = focused.takeElement();
    if (window) {
        Log::write("Found focused window for " + name);
    } else {
        Log::write("AXFocusedWindow failed (" + std::to_string(focused.code) +
                   "), trying AXWindows fallback...");
        auto windows = system_.copyAttributeValue(*app, attr::windows);
        window = windows.takeFirst();
        if (!window) {
            Log::write("Could not find any window for " + name +
                       ". AXResult: " + std::to_string(windows.code));
            performResizeRunning(application, width, height);
            return;
        }
        Log::write("Using first window from AXWindows list for " + name);
    }

    const auto title = system_.copyAttributeValue(*window, attr::title);
    if (title.code == ax::success) {
        const auto* text = title.text();
        Log::write("Targeting window: " + (text ? logformat::escaped(*text) : "no title"));
    }

    const auto value = system_.createSizeValue(width, height);
    if (!value) return;
    const auto result = system_.setAttributeValue(*window, attr::size, *value);
    if (result.code == ax::success) {
        Log::write("Successfully resized " + name + " to " + sizeText(width, height));
        logNearest(result);
        return;
    }
    Log::write("Failed to set window size for " + name + ": " + std::to_string(result.code));
    performResizeRunning(application, width, height);
}

void WindowResizer::performResizeRunning(const RunningApplication& application, double width,
                                         double height) {
    Log::write("performResizeRunning() ");
    const auto name = displayName(application, "unknown app");
    const auto app = system_.createApplication(application.processIdentifier);

    auto focused = system_.copyAttributeValue(*app, attr::focusedWindow);
    const Element window = focused.takeElement();
    if (!window) {
        Log::write("Could not find focused window for " + name);
        return;
    }
    const auto value = system_.createSizeValue(width, height);
    if (!value) return;
    const auto result = system_.setAttributeValue(*window, attr::size, *value);
    if (result.code == ax::success) {
        Log::write("Successfully resized window of " + name + " to " + sizeText(width, height));
        logNearest(result);
    } else {
        Log::write("Failed to set window size: AXError");
    }
}

}  // namespace varnic
