#include "tests/doubles/FakeWindowSystem.h"

#include "support/Responsive.h"
#include "windows/WindowBounds.h"

namespace varnic {
namespace {

// An application element has no window; the system-wide element has neither.
struct FakeElement : ElementRef {
    FakeElement(Pid pid, std::optional<int> window) : pid(pid), window(window) {}
    Pid pid;
    std::optional<int> window;
};
constexpr Pid systemWidePid = -1;

const FakeElement& fake(const ElementRef& element) {
    return dynamic_cast<const FakeElement&>(element);
}

}  // namespace

FakeWindowSystem::Application& FakeWindowSystem::addApplication(
    Pid pid, std::optional<std::string> name, std::optional<std::string> bundleIdentifier,
    std::optional<WindowId> focusedWindow) {
    auto& app = applications_[pid];
    app.info.processIdentifier = pid;
    app.info.localizedName = std::move(name);
    app.info.bundleIdentifier = std::move(bundleIdentifier);
    if (focusedWindow) app.reads[attr::focusedWindow] = {ax::success, *focusedWindow};
    return app;
}

WindowListEntry& FakeWindowSystem::addListEntry(Pid owner, std::string name, double width,
                                                double height) {
    if (!windowList_) windowList_.emplace();
    const auto found = applications_.find(owner);
    return windowList_->emplace_back(WindowListEntry{
        .ownerPID = owner,
        .windowName = std::move(name),
        .ownerName = found != applications_.end() ? found->second.info.localizedName : std::nullopt,
        .windowNumber = static_cast<std::int64_t>(windowList_->size() + 1),
        .windowLayer = 0,
        .bounds = WindowBounds{{"X", 0}, {"Y", 25}, {"Width", width}, {"Height", height}},
    });
}

void FakeWindowSystem::focus(Pid pid) {
    focusedApplication = {ax::success, pid};
    frontmost = pid;
}

Element FakeWindowSystem::createSystemWide() {
    return std::make_unique<FakeElement>(systemWidePid, std::nullopt);
}

Element FakeWindowSystem::createApplication(Pid pid) {
    return std::make_unique<FakeElement>(pid, std::nullopt);
}

AttributeResult FakeWindowSystem::answer(const Read& read, Pid pid) const {
    AttributeResult result{read.code, {}};
    if (read.code != ax::success) return result;
    if (const auto* id = std::get_if<WindowId>(&read.value)) {
        result.value = std::make_unique<FakeElement>(pid, *id);
    } else if (const auto* ids = std::get_if<std::vector<WindowId>>(&read.value)) {
        ElementList list;
        for (const auto each : *ids) list.push_back(std::make_unique<FakeElement>(pid, each));
        result.value = std::move(list);
    } else if (const auto* text = std::get_if<std::string>(&read.value)) {
        result.value = *text;
    }
    return result;
}

AttributeResult FakeWindowSystem::copyAttributeValue(const ElementRef& element,
                                                     std::string_view attribute) {
    const auto& target = fake(element);
    if (target.pid == systemWidePid) {
        AttributeResult result{focusedApplication.code, {}};
        if (focusedApplication.code == ax::success && focusedApplication.pid) {
            result.value = createApplication(*focusedApplication.pid);
        }
        return result;
    }
    if (target.window) {
        const auto found = titles.find(*target.window);
        if (found == titles.end()) return {ax::invalidUIElement, {}};
        return answer(found->second, target.pid);
    }
    const auto found = applications_.find(target.pid);
    if (found == applications_.end() || !found->second.running) return {ax::invalidUIElement, {}};
    const auto read = found->second.reads.find(attribute);
    if (read == found->second.reads.end()) return {ax::noValue, {}};
    return answer(read->second, target.pid);
}

AXError FakeWindowSystem::getPid(const ElementRef& element, Pid& pid) {
    pid = fake(element).pid;
    return ax::success;
}

SizeWriteResult FakeWindowSystem::setAttributeValue(const ElementRef& element,
                                                    std::string_view attribute,
                                                    const SizeValue& value) {
    const auto& target = fake(element);
    if (!target.window || attribute != attr::size) return {ax::illegalArgument, std::nullopt};
    Responsive::handleInput();  // a write waits for the window, handling input meanwhile
    SizeWriteResult result;
    if (!sizeResults.empty()) {
        result = sizeResults.front();
        sizeResults.pop_front();
    }
    sizeWrites.push_back({*target.window, value.size});
    return result;
}

std::optional<RunningApplication> FakeWindowSystem::frontmostApplication() {
    if (!frontmost) return std::nullopt;
    return runningApplication(*frontmost);
}

std::optional<RunningApplication> FakeWindowSystem::runningApplication(Pid pid) {
    const auto found = applications_.find(pid);
    if (found == applications_.end() || !found->second.running) return std::nullopt;
    auto info = found->second.info;
    info.isActive = frontmost == pid;
    return info;
}

}  // namespace varnic
