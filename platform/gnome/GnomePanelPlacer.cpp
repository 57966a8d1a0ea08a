#include "platform/gnome/GnomePanelPlacer.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QWidget>
#include <chrono>
#include <thread>

#include "platform/gnome/ExtensionBus.h"
#include "support/Log.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

constexpr std::chrono::milliseconds callTimeout{2000};

QDBusMessage extensionCall(const QString& method) {
    return QDBusMessage::createMethodCall(gnome::extensionName, gnome::extensionPath,
                                          gnome::extensionInterface, method);
}

}  // namespace

GnomePanelPlacer::GnomePanelPlacer(QDBusConnection bus) : bus_(std::move(bus)) {}

std::optional<QPoint> GnomePanelPlacer::pointerPosition(QWidget& /*window*/) {
    QDBusPendingCall call =
        bus_.asyncCall(extensionCall(QStringLiteral("PointerPosition")), callTimeout.count());
    Responsive::waitUntil(std::chrono::steady_clock::now() + callTimeout,
                          [&](Responsive::Slice slice) {
                              if (call.isFinished()) return true;
                              std::this_thread::sleep_for(slice);
                              return call.isFinished();
                          });
    const QDBusMessage reply = call.reply();
    if (!call.isFinished() || reply.type() != QDBusMessage::ReplyMessage ||
        reply.signature() != QLatin1String("(ii)")) {
        return std::nullopt;
    }
    int x = 0;
    int y = 0;
    const auto position = reply.arguments().front().value<QDBusArgument>();
    position.beginStructure();
    position >> x >> y;
    position.endStructure();
    return QPoint(x, y);
}

// The shell moves the window once it manages it; nothing waits for that.
void GnomePanelPlacer::placeOwnWindow(QWidget& window, QPoint topLeft) {
    auto call = extensionCall(QStringLiteral("PlaceWindow"));
    call << static_cast<uint>(QCoreApplication::applicationPid())
         << QStringLiteral("0x%1").arg(window.winId(), 0, 16) << topLeft.x() << topLeft.y();
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, callTimeout.count()));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher] {
        if (watcher->isError())
            Log::write("GNOME Shell: cannot place the panel: " +
                       watcher->error().message().toStdString());
        watcher->deleteLater();
    });
}

}  // namespace varnic
