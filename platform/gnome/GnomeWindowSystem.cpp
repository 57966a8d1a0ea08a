#include "platform/gnome/GnomeWindowSystem.h"

#include <QDBusMessage>
#include <cmath>

#include "platform/gnome/ExtensionBus.h"
#include "platform/mirror/ResponsiveDBus.h"
#include "support/Log.h"

namespace varnic {
namespace {

constexpr const char* who = "GNOME Shell: ";
// How long a trust check waits for the extension: less than a poll interval.
constexpr int trustTimeoutMs = 800;

}  // namespace

GnomeWindowSystem::GnomeWindowSystem(QDBusConnection bus, QString variantsDir)
    : MirrorWindowSystem(static_cast<WindowSource&>(*this)),
      feed_(bus, mirror()),
      installer_(bus, std::move(variantsDir)),
      bus_(std::move(bus)) {
    feed_.setFocusHandler([this] { focusMayHaveChanged(); });
}

bool GnomeWindowSystem::current() {
    if (feed_.synced() || feed_.sync(trustTimeoutMs)) {
        reportedUnreachable_ = false;
        return true;
    }
    if (!reportedUnreachable_) Log::write(std::string(who) + "Varnic's extension does not answer");
    reportedUnreachable_ = true;
    return false;
}

bool GnomeWindowSystem::isProcessTrustedWithPrompt() {
    if (current()) return true;
    installer_.installAndEnable();
    return current();
}

PermissionGuide GnomeWindowSystem::permissionGuide() const {
    return {"Extension Required",
            "Varnic needs its GNOME Shell extension to control other windows on your desktop.",
            {"Click the button below to install the extension and switch it on.",
             "Or open Extensions and toggle the switch next to 'Varnic'. A newly installed "
             "extension appears there after you log out and back in.",
             "The app will automatically detect the change."},
            "Enable Extension"};
}

// The extension keeps the frame's top-left corner, restores a maximized
// window first and answers with the frame the window took. GNOME Shell does
// not tell a window's limits: only the size asked for is a success.
SizeWriteResult GnomeWindowSystem::resize(const MirrorWindow& window, Size size,
                                          Deadline deadline) {
    auto call = QDBusMessage::createMethodCall(gnome::extensionName, gnome::extensionPath,
                                               gnome::extensionInterface, QStringLiteral("Resize"));
    call << QVariant::fromValue(qulonglong(std::stoull(window.id))) << static_cast<int>(size.width)
         << static_cast<int>(size.height);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const auto reply =
        ResponsiveDBus::call(bus_, call, static_cast<int>(std::max<long long>(left.count(), 1)));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const auto name = reply.errorName();
        if (reply.errorName() == QDBusError::errorString(QDBusError::Timeout) ||
            reply.errorName() == QDBusError::errorString(QDBusError::NoReply)) {
            Log::write(std::string(who) +
                       "no answer from Varnic's extension to the resize in time");
            return {ax::cannotComplete, std::nullopt};
        }
        Log::write(std::string(who) + "resize refused: " + name.toStdString() + ": " +
                   reply.errorMessage().toStdString());
        if (name == gnome::extensionErrors + QStringLiteral("NoSuchWindow")) {
            return {ax::invalidUIElement, std::nullopt};
        }
        if (name == gnome::extensionErrors + QStringLiteral("NotResizable") ||
            name == gnome::extensionErrors + QStringLiteral("InvalidSize")) {
            return {ax::failure, std::nullopt};
        }
        return {ax::cannotComplete, std::nullopt};
    }
    const auto frame = shellwindow::frameFromMessage(reply);
    if (!frame) {
        Log::write(std::string(who) + "the extension answered a resize with " +
                   reply.signature().toStdString());
        return {ax::cannotComplete, std::nullopt};
    }
    auto resized = window;
    resized.frame = {double(frame->x()), double(frame->y()), double(frame->width()),
                     double(frame->height())};
    mirror().changed(resized);
    return verdict(who, resized, size, resized.frame);
}

}  // namespace varnic
