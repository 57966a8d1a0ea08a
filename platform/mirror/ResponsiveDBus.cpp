#include "platform/mirror/ResponsiveDBus.h"

#include <QDBusPendingCall>
#include <thread>

#include "support/Responsive.h"

namespace varnic {
namespace {

// QtDBus completes a pending call on its own thread; it is looked at this often.
constexpr std::chrono::milliseconds pollInterval{1};

}  // namespace

QDBusMessage ResponsiveDBus::call(const QDBusConnection& bus, const QDBusMessage& message,
                                  int timeoutMillis) {
    auto pending = bus.asyncCall(message, timeoutMillis);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMillis);
    Responsive::waitUntil(deadline, [&](Responsive::Slice slice) {
        const auto until = std::chrono::steady_clock::now() + slice;
        while (!pending.isFinished()) {
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(pollInterval);
        }
        return true;
    });
    if (!pending.isFinished()) {
        return message.createErrorReply(QDBusError::Timeout,
                                        QStringLiteral("no reply within the timeout"));
    }
    return pending.reply();
}

}  // namespace varnic
