#include "platform/kwin/KWinPanelPlacer.h"

#include <QCoreApplication>
#include <QFile>
#include <QWidget>
#include <chrono>
#include <thread>

#include "platform/kwin/KWinPointerReport.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

constexpr int callTimeoutMillis = 2000;
constexpr const char* pointerScriptName = "varnic-pointer";
constexpr const char* placeScriptName = "varnic-place";

}  // namespace

KWinPanelPlacer::KWinPanelPlacer()
    : connectionName_(
          QStringLiteral("varnic-kwin-placer-%1").arg(reinterpret_cast<quintptr>(this))),
      bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)),
      scripting_(bus_, callTimeoutMillis),
      report_(new KWinPointerReport) {
    report_->moveToThread(&reportThread_);
    reportThread_.start();
    bus_.registerObject(QString::fromLatin1(KWinPointerReport::path), report_,
                        QDBusConnection::ExportAllSlots);
}

KWinPanelPlacer::~KWinPanelPlacer() {
    bus_.unregisterObject(QString::fromLatin1(KWinPointerReport::path));
    report_->deleteLater();
    reportThread_.quit();
    reportThread_.wait();
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool KWinPanelPlacer::runScript(const QString& name, const QString& text) {
    if (!files_.isValid()) return false;
    QFile file(files_.filePath(name + QStringLiteral(".js")));
    const auto bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    // A copy left by a Varnic that crashed holds the name.
    scripting_.unload(name);
    const auto id = scripting_.load(file.fileName(), name);
    const bool ran = id && scripting_.run(*id);
    scripting_.unload(name);
    return ran;
}

std::optional<QPoint> KWinPanelPlacer::pointerPosition(QWidget& /*window*/) {
    const auto owner = scripting_.owner();
    if (!owner) return std::nullopt;
    report_->expect(*owner);
    const auto script =
        QStringLiteral(
            "callDBus(%1, %2, %3, 'Pointer', workspace.cursorPos.x, "
            "workspace.cursorPos.y);")
            .arg(QStringLiteral("'%1'").arg(bus_.baseService()),
                 QStringLiteral("'%1'").arg(QString::fromLatin1(KWinPointerReport::path)),
                 QStringLiteral("'%1'").arg(QString::fromLatin1(KWinPointerReport::interface)));
    if (!runScript(QString::fromLatin1(pointerScriptName), script)) return std::nullopt;
    std::optional<QPoint> position;
    Responsive::waitUntil(
        std::chrono::steady_clock::now() + std::chrono::milliseconds(callTimeoutMillis),
        [&](Responsive::Slice slice) {
            position = report_->take();
            if (!position) std::this_thread::sleep_for(slice);
            return position.has_value();
        });
    return position;
}

// X11 windows name their pid and window id to KWin; the frame keeps its size.
void KWinPanelPlacer::placeOwnWindow(QWidget& window, QPoint topLeft) {
    const auto script =
        QStringLiteral(
            "(workspace.windowList ? workspace.windowList() : workspace.clientList())"
            ".filter(function (w) { return w.pid === %1 && w.windowId === %2; })"
            ".forEach(function (w) { const f = w.frameGeometry;"
            " w.frameGeometry = {x: %3, y: %4, width: f.width, height: f.height}; });")
            .arg(QCoreApplication::applicationPid())
            .arg(window.winId())
            .arg(topLeft.x())
            .arg(topLeft.y());
    runScript(QString::fromLatin1(placeScriptName), script);
}

}  // namespace varnic
