#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "support/Subscription.h"
#include "windows/AXError.h"
#include "windows/PermissionGuide.h"
#include "windows/RunningApplication.h"
#include "windows/WindowListEntry.h"

namespace varnic {

// An accessibility object (system-wide, application or window). Each platform
// derives its own; the handle releases it when it goes out of scope.
class ElementRef {
  public:
    virtual ~ElementRef() = default;
};
using Element = std::unique_ptr<ElementRef>;
using ElementList = std::vector<Element>;

struct Size {
    double width = 0;
    double height = 0;
};

// What an attribute read yields. monostate is "no value"; a value of a type
// the caller does not expect is treated as absent by the caller.
using AttributeValue = std::variant<std::monostate, Element, std::string, ElementList, Size>;

struct AttributeResult {
    AXError code = ax::success;
    AttributeValue value;

    // The element value, or null when the value is absent or not an element.
    const ElementRef* element() const;
    // The text value, or null when the value is absent or not text.
    const std::string* text() const;
    const ElementList* list() const;
    // The element of a successful read, moved out; null otherwise.
    Element takeElement();
    // The first element of a successful list read, moved out; null otherwise.
    Element takeFirst();
};

// How long a call on another application's element may take.
inline constexpr float messagingTimeoutSeconds = 2.0f;

// The size value written to "AXSize"; created by the platform so that sizes it
// cannot carry are refused before anything is sent.
struct SizeValue {
    Size size;
};

// What a write of "AXSize" achieved; see the contract on setAttributeValue.
struct SizeWriteResult {
    // The outer size the window took instead of the one asked for, and why
    // (its size increments, minimum or maximum).
    struct Nearest {
        Size size;
        std::string reason;
    };

    AXError code = ax::success;
    // Set only on success, when the window allows just a nearby size.
    std::optional<Nearest> nearest;
};

// What an application-activation notification carries: the application under
// the workspace's application key, absent when the entry is missing.
struct ActivationNotification {
    std::optional<RunningApplication> application;
};

namespace attr {
inline constexpr std::string_view focusedApplication = "AXFocusedApplication";
inline constexpr std::string_view focusedWindow = "AXFocusedWindow";
inline constexpr std::string_view mainWindow = "AXMainWindow";
inline constexpr std::string_view focusedUIElement = "AXFocusedUIElement";
inline constexpr std::string_view windows = "AXWindows";
inline constexpr std::string_view title = "AXTitle";
inline constexpr std::string_view size = "AXSize";
}  // namespace attr

// Every platform service the window logic uses: accessibility, the on-screen
// window list, the workspace and running applications. All calls are
// synchronous and made on the main thread.
//
// The contract every backend keeps, whatever the desktop:
// - Every wait is bounded: by the element's messaging timeout, else by the
//   backend's own few seconds. A frozen peer is a failed call, never a hang.
// - A vanished window is invalidUIElement; a lost connection to the display or
//   compositor is cannotComplete. Both are logged once by the backend, never fatal.
// - Sizes are those of the window's outer frame, decorations included.
// - Waits are made of Responsive slices: the application handles its input
//   between two of them. What that input runs may read the backend's socket,
//   so a wait looks at its queue again after every slice, and the backend's
//   own events are not delivered from inside a wait.
class WindowSystem {
  public:
    using ActivationHandler = std::function<void(const ActivationNotification&)>;

    virtual ~WindowSystem() = default;

    // Accessibility.
    virtual bool isProcessTrusted() = 0;
    // Asks the user for the permission where the platform can; the answer is advisory.
    virtual bool isProcessTrustedWithPrompt() = 0;
    // What the onboarding screen says on this desktop while trust is missing.
    virtual PermissionGuide permissionGuide() const = 0;
    virtual Element createSystemWide() = 0;
    virtual Element createApplication(Pid pid) = 0;
    virtual AXError setMessagingTimeout(const ElementRef& application, float seconds) = 0;
    virtual AttributeResult copyAttributeValue(const ElementRef& element,
                                               std::string_view attribute) = 0;
    // Leaves pid untouched on failure.
    virtual AXError getPid(const ElementRef& element, Pid& pid) = 0;
    virtual std::optional<SizeValue> createSizeValue(double width, double height) = 0;
    // Writes the outer size and waits, bounded, until the window has it. The
    // result is success only when the frame now has the size asked for, or the
    // nearest size the window itself allows (then `nearest` says which and why).
    // A window manager or compositor that keeps another size gives `failure`
    // (-25200); no answer within the timeout gives cannotComplete (-25204); a
    // window that is gone gives invalidUIElement (-25202).
    virtual SizeWriteResult setAttributeValue(const ElementRef& element, std::string_view attribute,
                                              const SizeValue& value) = 0;

    // On-screen windows without desktop elements, front-most first; absent
    // when the platform gives no list.
    virtual std::optional<std::vector<WindowListEntry>> copyWindowList() = 0;

    // Workspace.
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual std::optional<RunningApplication> runningApplication(Pid pid) = 0;
    virtual std::optional<std::string> ownBundleIdentifier() = 0;
    virtual Pid ownPid() = 0;
    [[nodiscard]] virtual Subscription subscribeActivations(ActivationHandler handler) = 0;
};

}  // namespace varnic
