#include "tests/doubles/FakeWindowSystem.h"

namespace varnic {
namespace {

enum class Kind { systemWide, application, window };

struct FakeElement : ElementRef {
    FakeElement(Kind kind, Pid pid, int window, std::shared_ptr<int> live)
        : kind(kind), pid(pid), window(window), live(std::move(live)) {
        ++*this->live;
    }
    ~FakeElement() override { --*live; }

    Kind kind;
    Pid pid;
    int window;
    std::shared_ptr<int> live;
};

const FakeElement& fake(const ElementRef& element) {
    return dynamic_cast<const FakeElement&>(element);
}

}  // namespace

FakeWindowSystem::Application& FakeWindowSystem::addApplication(
    Pid pid, std::optional<std::string> name, std::optional<std::string> bundleIdentifier) {
    auto& app = applications_[pid];
    app.info.processIdentifier = pid;
    app.info.localizedName = std::move(name);
    app.info.bundleIdentifier = std::move(bundleIdentifier);
    return app;
}

FakeWindowSystem::Window& FakeWindowSystem::addWindow(WindowId id,
                                                      std::optional<std::string> title) {
    auto& window = windows_[id];
    window.title.text = std::move(title);
    return window;
}

WindowListEntry& FakeWindowSystem::addListEntry(Pid owner, std::string name, double width,
                                                double height) {
    if (!windowList) windowList.emplace();
    const auto found = applications_.find(owner);
    const bool known = found != applications_.end();
    return windowList->emplace_back(WindowListEntry{
        .ownerPID = owner,
        .windowName = std::move(name),
        .ownerName = known ? found->second.info.localizedName : std::nullopt,
        .windowNumber = static_cast<std::int64_t>(windowList->size() + 1),
        .windowLayer = 0,
        .bounds =
            std::map<std::string, double>{
                {"X", 0}, {"Y", 25}, {"Width", width}, {"Height", height}},
    });
}

void FakeWindowSystem::focus(Pid pid) {
    focusedApplication = {ax::success, pid, ax::success};
    frontmost = pid;
}

void FakeWindowSystem::postActivation(const ActivationNotification& notification) {
    activationHandlers_.notify(notification);
}

bool FakeWindowSystem::isProcessTrustedWithPrompt() {
    ++promptCount;
    return trusted;
}

PermissionGuide FakeWindowSystem::permissionGuide() const {
    return {"Trust Required",
            "Varnic needs the fake desktop's trust.",
            {"Click the button below.", "Trust Varnic.", "The change is detected."},
            "Open Fake Settings"};
}

Element FakeWindowSystem::makeElement(int kind, Pid pid, WindowId window) {
    return std::make_unique<FakeElement>(static_cast<Kind>(kind), pid, window, liveElements_);
}

Element FakeWindowSystem::createSystemWide() {
    return makeElement(static_cast<int>(Kind::systemWide), 0, 0);
}

Element FakeWindowSystem::createApplication(Pid pid) {
    return makeElement(static_cast<int>(Kind::application), pid, 0);
}

AXError FakeWindowSystem::setMessagingTimeout(const ElementRef& element, float seconds) {
    timeouts.push_back({fake(element).pid, seconds});
    return ax::success;
}

AttributeResult FakeWindowSystem::readElement(const ElementRead& read, Pid pid) {
    AttributeResult result{read.code, {}};
    if (read.code == ax::success && read.window) {
        result.value = makeElement(static_cast<int>(Kind::window), pid, *read.window);
    }
    return result;
}

AttributeResult FakeWindowSystem::readApplication(Pid pid, std::string_view attribute) {
    const auto found = applications_.find(pid);
    if (found == applications_.end() || !found->second.running) return {ax::invalidUIElement, {}};
    const auto& app = found->second;
    if (attribute == attr::focusedWindow) return readElement(app.focusedWindow, pid);
    if (attribute == attr::mainWindow) return readElement(app.mainWindow, pid);
    if (attribute == attr::focusedUIElement) return {ax::noValue, {}};
    if (attribute != attr::windows) return {ax::attributeUnsupported, {}};

    AttributeResult result{app.windows.code, {}};
    if (app.windows.code != ax::success) return result;
    if (app.windows.windows) {
        ElementList list;
        for (const auto id : *app.windows.windows)
            list.push_back(makeElement(static_cast<int>(Kind::window), pid, id));
        result.value = std::move(list);
    }
    return result;
}

AttributeResult FakeWindowSystem::readWindow(WindowId id, std::string_view attribute) {
    const auto found = windows_.find(id);
    if (found == windows_.end()) return {ax::invalidUIElement, {}};
    if (attribute != attr::title) return {ax::attributeUnsupported, {}};
    const auto& title = found->second.title;
    AttributeResult result{title.code, {}};
    if (title.code != ax::success) return result;
    if (title.wrongType) {
        result.value = Size{1, 1};
    } else if (title.text) {
        result.value = *title.text;
    }
    return result;
}

AttributeResult FakeWindowSystem::copyAttributeValue(const ElementRef& element,
                                                     std::string_view attribute) {
    const auto& target = fake(element);
    switch (target.kind) {
        case Kind::systemWide: {
            if (attribute != attr::focusedApplication) return {ax::attributeUnsupported, {}};
            AttributeResult result{focusedApplication.code, {}};
            if (focusedApplication.code == ax::success && focusedApplication.pid) {
                result.value =
                    makeElement(static_cast<int>(Kind::application), *focusedApplication.pid, 0);
            }
            return result;
        }
        case Kind::application:
            return readApplication(target.pid, attribute);
        case Kind::window:
            return readWindow(target.window, attribute);
    }
    return {ax::failure, {}};
}

AXError FakeWindowSystem::getPid(const ElementRef& element, Pid& pid) {
    const auto& target = fake(element);
    if (target.kind == Kind::application && focusedApplication.pidCode != ax::success) {
        return focusedApplication.pidCode;
    }
    pid = target.pid;
    return ax::success;
}

std::optional<SizeValue> FakeWindowSystem::createSizeValue(double width, double height) {
    if (refuseSizeValues) return std::nullopt;
    return SizeValue{{width, height}};
}

SizeWriteResult FakeWindowSystem::setAttributeValue(const ElementRef& element,
                                                    std::string_view attribute,
                                                    const SizeValue& value) {
    const auto& target = fake(element);
    const auto found = windows_.find(target.window);
    if (target.kind != Kind::window || attribute != attr::size || found == windows_.end()) {
        return {ax::illegalArgument, std::nullopt};
    }
    auto& window = found->second;
    auto result = window.sizeResult;
    if (!window.nextSizeResults.empty()) {
        result = window.nextSizeResults.front();
        window.nextSizeResults.pop_front();
    }
    sizeWrites.push_back({target.window, value.size, result});
    if (result != ax::success) return {result, std::nullopt};
    return {result, window.nearest};
}

std::optional<std::vector<WindowListEntry>> FakeWindowSystem::copyWindowList() {
    ++windowListRequests;
    return windowList;
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

Subscription FakeWindowSystem::subscribeActivations(ActivationHandler handler) {
    return activationHandlers_.subscribe(std::move(handler));
}

}  // namespace varnic
