#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/Observers.h"
#include "windows/WindowSystem.h"

namespace varnic {

// A WindowSystem that a test scripts completely and that records what the
// logic asked of it. Windows are named by small integers.
class FakeWindowSystem : public WindowSystem {
  public:
    using WindowId = int;

    // The scripted answer to a read of an element-valued attribute.
    struct ElementRead {
        AXError code = ax::noValue;
        std::optional<WindowId> window;
    };
    struct ListRead {
        AXError code = ax::success;
        std::optional<std::vector<WindowId>> windows = std::vector<WindowId>{};
    };
    struct TextRead {
        AXError code = ax::success;
        std::optional<std::string> text;
        bool wrongType = false;  // a value that is not text
    };

    struct Application {
        RunningApplication info;
        bool running = true;  // false: the process has quit, no running application
        ElementRead focusedWindow;
        ElementRead mainWindow;
        ListRead windows;
    };
    struct Window {
        TextRead title;
        AXError sizeResult = ax::success;
        std::deque<AXError> nextSizeResults;              // answered first, one per write
        std::optional<SizeWriteResult::Nearest> nearest;  // told with a success
    };
    struct FocusedApplicationRead {
        AXError code = ax::noValue;
        std::optional<Pid> pid;  // the element's pid; absent: a read without value
        AXError pidCode = ax::success;
    };

    struct SizeWrite {
        WindowId window;
        Size size;
        AXError result;
    };
    struct TimeoutSet {
        Pid pid;
        float seconds;
    };

    // Script.
    Application& addApplication(Pid pid, std::optional<std::string> name,
                                std::optional<std::string> bundleIdentifier);
    Application& application(Pid pid) { return applications_.at(pid); }
    Window& addWindow(WindowId id, std::optional<std::string> title);
    Window& window(WindowId id) { return windows_.at(id); }
    // Appends an on-screen window of owner with every key set (creating the
    // list when there is none); tests then remove or change keys.
    WindowListEntry& addListEntry(Pid owner, std::string name, double width, double height);
    // Makes pid's application focused (system-wide read) and frontmost.
    void focus(Pid pid);
    // Delivers an activation notification to every subscriber.
    void postActivation(const ActivationNotification& notification);

    bool trusted = true;
    FocusedApplicationRead focusedApplication;
    std::optional<Pid> frontmost;
    std::optional<std::vector<WindowListEntry>> windowList;
    std::optional<std::string> ownBundle = std::string("/usr/bin/varnic");
    Pid selfPid = 4242;
    bool refuseSizeValues = false;

    // Record.
    std::vector<SizeWrite> sizeWrites;
    std::vector<TimeoutSet> timeouts;
    int promptCount = 0;
    int windowListRequests = 0;
    int liveElements() const { return *liveElements_; }
    std::size_t activationSubscribers() const { return activationHandlers_.size(); }

    // WindowSystem.
    bool isProcessTrusted() override { return trusted; }
    bool isProcessTrustedWithPrompt() override;
    PermissionGuide permissionGuide() const override;
    Element createSystemWide() override;
    Element createApplication(Pid pid) override;
    AXError setMessagingTimeout(const ElementRef& application, float seconds) override;
    AttributeResult copyAttributeValue(const ElementRef& element,
                                       std::string_view attribute) override;
    AXError getPid(const ElementRef& element, Pid& pid) override;
    std::optional<SizeValue> createSizeValue(double width, double height) override;
    SizeWriteResult setAttributeValue(const ElementRef& element, std::string_view attribute,
                                      const SizeValue& value) override;
    std::optional<std::vector<WindowListEntry>> copyWindowList() override;
    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<RunningApplication> runningApplication(Pid pid) override;
    std::optional<std::string> ownBundleIdentifier() override { return ownBundle; }
    Pid ownPid() override { return selfPid; }
    Subscription subscribeActivations(ActivationHandler handler) override;

  private:
    Element makeElement(int kind, Pid pid, WindowId window);
    AttributeResult readElement(const ElementRead& read, Pid pid);
    AttributeResult readApplication(Pid pid, std::string_view attribute);
    AttributeResult readWindow(WindowId id, std::string_view attribute);

    std::map<Pid, Application> applications_;
    std::map<WindowId, Window> windows_;
    Observers<const ActivationNotification&> activationHandlers_;
    std::shared_ptr<int> liveElements_ = std::make_shared<int>(0);
};

}  // namespace varnic
