#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "support/Observers.h"
#include "windows/WindowSystem.h"

namespace varnic {

// A WindowSystem that a test scripts completely and that records the sizes
// written. Windows are named by small integers.
class FakeWindowSystem : public WindowSystem {
  public:
    using WindowId = int;

    // The scripted answer to a read: its code and its value, a window, a list
    // of windows or text. A value of the wrong kind stands for a wrong type.
    struct Read {
        AXError code = ax::success;
        std::variant<std::monostate, WindowId, std::vector<WindowId>, std::string> value;
    };
    struct Application {
        RunningApplication info;
        bool running = true;  // false: the process has quit
        // Reads of its element by attribute; any other gives noValue.
        std::map<std::string_view, Read> reads;
    };
    struct SizeWrite {
        WindowId window;
        Size size;
    };

    // Script. An application's focused window, when given, is read with success.
    Application& addApplication(Pid pid, std::optional<std::string> name,
                                std::optional<std::string> bundleIdentifier,
                                std::optional<WindowId> focusedWindow = std::nullopt);
    Application& application(Pid pid) { return applications_.at(pid); }
    // Appends an on-screen window of owner with every key set; tests then
    // remove or change keys.
    WindowListEntry& addListEntry(Pid owner, std::string name, double width, double height);
    // Makes pid's application focused (system-wide read) and frontmost.
    void focus(Pid pid);
    void postActivation(const ActivationNotification& notification) {
        activationHandlers_.notify(notification);
    }

    std::map<WindowId, Read> titles;          // a window's "AXTitle"; a window not here is gone
    std::deque<SizeWriteResult> sizeResults;  // one per write; success once none is left
    bool trusted = true;
    struct {
        AXError code = ax::noValue;
        std::optional<Pid> pid;
    } focusedApplication;
    std::optional<Pid> frontmost;
    std::optional<std::string> ownBundle = std::string("/usr/bin/varnic");
    Pid selfPid = 4242;

    // Record.
    std::vector<SizeWrite> sizeWrites;
    int promptCount = 0;

    // WindowSystem.
    bool isProcessTrusted() override { return trusted; }
    bool isProcessTrustedWithPrompt() override {
        ++promptCount;
        return trusted;
    }
    PermissionGuide permissionGuide() const override { return {}; }
    Element createSystemWide() override;
    Element createApplication(Pid pid) override;
    AXError setMessagingTimeout(const ElementRef&, float) override { return ax::success; }
    AttributeResult copyAttributeValue(const ElementRef& element,
                                       std::string_view attribute) override;
    AXError getPid(const ElementRef& element, Pid& pid) override;
    std::optional<SizeValue> createSizeValue(double width, double height) override {
        return SizeValue{{width, height}};
    }
    SizeWriteResult setAttributeValue(const ElementRef& element, std::string_view attribute,
                                      const SizeValue& value) override;
    std::optional<std::vector<WindowListEntry>> copyWindowList() override { return windowList_; }
    std::optional<RunningApplication> frontmostApplication() override;
    std::optional<RunningApplication> runningApplication(Pid pid) override;
    std::optional<std::string> ownBundleIdentifier() override { return ownBundle; }
    Pid ownPid() override { return selfPid; }
    Subscription subscribeActivations(ActivationHandler handler) override {
        return activationHandlers_.subscribe(std::move(handler));
    }

  private:
    AttributeResult answer(const Read& read, Pid pid) const;

    std::map<Pid, Application> applications_;
    std::optional<std::vector<WindowListEntry>> windowList_;  // absent until an entry is added
    Observers<const ActivationNotification&> activationHandlers_;
};

}  // namespace varnic
