#include "windows/WindowDiscovery.h"

#include "support/Log.h"
#include "support/LogFormat.h"
#include "windows/WindowBounds.h"

namespace varnic {
namespace {

constexpr std::string_view prefix = "fetchActiveWindowInfo: ";
// Smaller on-screen windows are taken for tool tips, docks and the like.
constexpr double minimumWindowSide = 50;

void logLine(const std::string& text) {
    Log::write(std::string(prefix) + text);
}

// The name that goes into the record.
std::string recordName(const std::optional<RunningApplication>& application) {
    if (!application || !application->localizedName) return "Unknown App";
    return *application->localizedName;
}

// The name lines 2 and 4 show, escaped for the log.
std::string shortName(const std::optional<RunningApplication>& application) {
    if (!application || !application->localizedName) return "unknown";
    return logformat::escaped(*application->localizedName);
}

const std::string* successfulText(const AttributeResult& result) {
    return result.code == ax::success ? result.text() : nullptr;
}

std::string orMinusOne(std::optional<std::int64_t> value) {
    return std::to_string(value.value_or(-1));
}

}  // namespace

WindowDiscovery::Outcome WindowDiscovery::discover(std::optional<Pid> lastNonSelfFrontmostPID) {
    logLine("AXIsProcessTrusted=" + std::string(logformat::truth(system_.isProcessTrusted())));
    if (auto settled = focusedApplicationRoute(lastNonSelfFrontmostPID)) return *settled;
    return windowListRoute();
}

WindowDiscovery::RouteEnd WindowDiscovery::focusedApplicationRoute(
    std::optional<Pid> lastNonSelfFrontmostPID) {
    const auto systemWide = system_.createSystemWide();
    auto focused = system_.copyAttributeValue(*systemWide, attr::focusedApplication);
    const auto application = focused.takeElement();
    if (!application) {
        logLine("AXFocusedApplication failed: " + describeAXError(focused.code));
        return std::nullopt;
    }
    Pid pid = 0;
    system_.getPid(*application, pid);
    const auto running = system_.runningApplication(pid);
    logLine("AXFocusedApplication pid=" + std::to_string(pid) + " app=" + shortName(running));

    if (!isOwnApplication(running)) return focusedWindowRoute(*application, pid, running);
    if (lastNonSelfFrontmostPID) {
        if (const auto last = system_.runningApplication(*lastNonSelfFrontmostPID)) {
            logLine("using last non-self app pid=" + std::to_string(*lastNonSelfFrontmostPID) +
                    " app=" + shortName(last));
            return fetchWindowInfo(*last);
        }
    }
    // Varnic's own panel is never the target: without another application to
    // fall back on, the window list names the front-most window of another one.
    return std::nullopt;
}

WindowDiscovery::RouteEnd WindowDiscovery::focusedWindowRoute(
    const ElementRef& application, Pid pid, const std::optional<RunningApplication>& running) {
    auto focused = system_.copyAttributeValue(application, attr::focusedWindow);
    const auto window = focused.takeElement();
    if (!window) {
        logLine("AXFocusedWindow for focused app failed: " + describeAXError(focused.code));
        return std::nullopt;
    }
    const auto title = system_.copyAttributeValue(*window, attr::title);
    const auto* text = successfulText(title);
    if (!text) {
        logLine("system-wide focused window title missing for pid=" + std::to_string(pid));
        return std::nullopt;
    }
    const auto name = recordName(running);
    logLine("system-wide focused window title for " + logformat::escaped(name) + "=" +
            logformat::escaped(*text));
    return Outcome::store(TargetWindowInfo{name, *text, running ? running->icon : nullptr, pid});
}

WindowDiscovery::Outcome WindowDiscovery::fetchWindowInfo(const RunningApplication& application) {
    const auto name = recordName(application);
    const auto logName = logformat::escaped(name);
    const auto element = system_.createApplication(application.processIdentifier);
    system_.setMessagingTimeout(*element, messagingTimeoutSeconds);

    auto read = system_.copyAttributeValue(*element, attr::focusedWindow);
    if (read.code != ax::success) read = system_.copyAttributeValue(*element, attr::mainWindow);
    const auto window = read.code == ax::success ? read.takeElement() : windowOf(*element, logName);
    if (!window) {
        logLine("AX window lookup failed for " + logName + ": " + describeAXError(read.code));
        return Outcome::keep();
    }
    const auto title = system_.copyAttributeValue(*window, attr::title);
    const auto* text = successfulText(title);
    if (!text) {
        logLine("AX window title missing for " + logName);
        return Outcome::keep();
    }
    return Outcome::store(
        TargetWindowInfo{name, *text, application.icon, application.processIdentifier});
}

// The first of the application's windows, or null after logging why there is none.
Element WindowDiscovery::windowOf(const ElementRef& application, const std::string& name) {
    auto windows = system_.copyAttributeValue(application, attr::windows);
    auto first = windows.takeFirst();
    if (!first) {
        logLine("AX window lookup failed for " + name + ": " + describeAXError(windows.code));
    }
    return first;
}

bool WindowDiscovery::isOwnApplication(const std::optional<RunningApplication>& running) {
    const auto bundle = running ? running->bundleIdentifier : std::nullopt;
    return sameBundle(bundle, system_.ownBundleIdentifier());
}

WindowDiscovery::Outcome WindowDiscovery::windowListRoute() {
    const auto list = system_.copyWindowList();
    if (!list) {
        logLine("CGWindowListCopyWindowInfo returned nil");
        return Outcome::keep();
    }
    logLine("CGWindowList returned " + std::to_string(list->size()) + " windows");
    const Pid ownPid = system_.ownPid();
    for (const auto& entry : *list) {
        if (const auto owner = eligibleOwner(entry, ownPid)) {
            return Outcome::store(candidate(entry, *owner));
        }
    }
    return Outcome::store(std::nullopt);
}

// The entry's owner when the entry can be the target.
std::optional<RunningApplication> WindowDiscovery::eligibleOwner(const WindowListEntry& entry,
                                                                 Pid ownPid) {
    if (!entry.ownerPID || *entry.ownerPID == ownPid) return std::nullopt;
    if (isSmallerThan(entry.bounds, minimumWindowSide)) return std::nullopt;
    auto owner = system_.runningApplication(*entry.ownerPID);
    if (!owner || owner->activationPolicy != ActivationPolicy::regular) return std::nullopt;
    return owner;
}

TargetWindowInfo WindowDiscovery::candidate(const WindowListEntry& entry,
                                            const RunningApplication& owner) {
    const auto name = recordName(owner);
    const auto logName = logformat::escaped(name);
    const Pid pid = *entry.ownerPID;
    auto title = entry.windowName.value_or("");
    logLine("candidate app=" + logName +
            " ownerName=" + logformat::escaped(entry.ownerName.value_or("unknown owner")) +
            " pid=" + std::to_string(pid) +
            " isActive=" + std::string(logformat::truth(owner.isActive)) +
            " isHidden=" + std::string(logformat::truth(owner.isHidden)));
    logLine("CGWindow name=\"" + logformat::escaped(title) +
            "\" number=" + orMinusOne(entry.windowNumber) +
            " layer=" + orMinusOne(entry.windowLayer) + " bounds=" + describeBounds(entry.bounds));

    const auto application = system_.createApplication(pid);
    system_.setMessagingTimeout(*application, messagingTimeoutSeconds);
    auto focused = system_.copyAttributeValue(*application, attr::focusedWindow);
    if (const auto window = focused.takeElement()) {
        const auto axTitle = system_.copyAttributeValue(*window, attr::title);
        if (const auto* text = successfulText(axTitle)) {
            title = *text;
            Log::write("Successfully got title via AX for " + logName + ": " +
                       logformat::escaped(title));
        } else {
            logLine("AX focused window title missing for " + logName);
        }
    } else {
        Log::write("AX focused window failed for " + logName +
                   " in fetch: " + describeAXError(focused.code));
        logFallbackReads(*application, logName);
    }
    return TargetWindowInfo{name, title, owner.icon, pid};
}

// Reads that only tell the log why the focused window was not found.
void WindowDiscovery::logFallbackReads(const ElementRef& application, const std::string& name) {
    const auto main = system_.copyAttributeValue(application, attr::mainWindow);
    logLine("AXMainWindow result for " + name + ": " + describeAXError(main.code));
    const auto focused = system_.copyAttributeValue(application, attr::focusedUIElement);
    logLine("AXFocusedUIElement result for " + name + ": " + describeAXError(focused.code));

    const auto windows = system_.copyAttributeValue(application, attr::windows);
    const auto* list = windows.code == ax::success ? windows.list() : nullptr;
    if (!list) {
        logLine("AXWindows fetch failed for " + name + ": " + describeAXError(windows.code));
        return;
    }
    logLine("AXWindows count for " + name + "=" + std::to_string(list->size()));
    if (list->empty()) return;
    const auto title = system_.copyAttributeValue(*list->front(), attr::title);
    if (title.code != ax::success) return;
    const auto* text = title.text();
    logLine("first AXWindow title for " + name + "=" +
            (text ? logformat::escaped(*text) : "no title"));
}

}  // namespace varnic
