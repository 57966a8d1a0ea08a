#include "platform/kwin/KWinWindowSystem.h"

#include "platform/kwin/KWinFeed.h"
#include "platform/kwin/KWinReceiver.h"
#include "support/Log.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

constexpr int timeoutMillis = static_cast<int>(MirrorWindowSystem::defaultTimeoutSeconds * 1000);
// How long a loaded script that has not reported in is waited for before it
// is loaded again.
constexpr std::chrono::seconds reloadInterval{5};

}  // namespace

KWinWindowSystem::KWinWindowSystem()
    : MirrorWindowSystem(static_cast<WindowSource&>(*this)),
      connectionName_(QStringLiteral("varnic-kwin-%1").arg(reinterpret_cast<quintptr>(this))),
      bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)),
      scripts_(bus_, timeoutMillis),
      resize_(scripts_, answers_, mirror()),
      feed_(new KWinFeed(mirror(),
                         [this] {
                             QMetaObject::invokeMethod(
                                 &mainThread_, [this] { focusMayHaveChanged(); },
                                 Qt::QueuedConnection);
                         })),
      receiver_(new KWinReceiver(*feed_, answers_)) {
    feed_->moveToThread(&reportThread_);
    receiver_->moveToThread(&reportThread_);
    reportThread_.start();
    bus_.registerObject(QString::fromLatin1(KWinReceiver::path), receiver_,
                        QDBusConnection::ExportAllSlots);
    bus_.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                 {QString::fromLatin1(KWinScripting::service)}, QString(), receiver_,
                 SLOT(kwinOwnerChanged(QString, QString, QString)));
    // Loads the resident script now, so that the mirror is filled before the first read.
    isProcessTrusted();
}

KWinWindowSystem::~KWinWindowSystem() {
    if (!answers_.kwinOwner().empty()) scripts_.unloadAll();
    bus_.unregisterObject(QString::fromLatin1(KWinReceiver::path));
    receiver_->deleteLater();
    feed_->deleteLater();
    reportThread_.quit();
    reportThread_.wait();
    QDBusConnection::disconnectFromBus(connectionName_);
}

bool KWinWindowSystem::kwinOnBus(QDBusConnection bus) {
    constexpr int probeMillis = 500;
    return KWinScripting(std::move(bus), probeMillis).owner().has_value();
}

void KWinWindowSystem::unreachable(const std::string& why) {
    if (!reportedUnreachable_) Log::write("KWin: " + why);
    reportedUnreachable_ = true;
}

bool KWinWindowSystem::loadResidentScript() {
    const auto deadline = deadlineFor(std::nullopt);
    const auto owner = scripts_.scripting().owner();
    if (!owner) {
        unreachable("org.kde.KWin is not on the session bus");
        return false;
    }
    answers_.reset(owner->toStdString());
    mirror().cleared();
    if (const auto failed = scripts_.startResident()) {
        unreachable(*failed);
        return false;
    }
    Responsive::waitUntil(
        deadline, [&](Responsive::Slice slice) { return answers_.waitFor(slice, std::nullopt); });
    if (!answers_.ready()) {
        unreachable("Varnic's script did not report in within 2.0 s");
        return false;
    }
    reportedUnreachable_ = false;
    return true;
}

bool KWinWindowSystem::awaitWindows(const std::function<bool(const WindowMirror::Windows&)>& done,
                                    double seconds) const {
    const auto deadline = deadlineFor(static_cast<float>(seconds));
    return Responsive::waitUntil(
        deadline, [&](Responsive::Slice slice) { return mirror().waitFor(slice, done); });
}

// Only the trust check loads the script again (after KWin restarted): a
// read never waits on a KWin that does not answer. A script that was loaded
// but has not reported in yet is given time before it is loaded again, so a
// slow KWin does not cost the caller a wait at every check.
bool KWinWindowSystem::isProcessTrusted() {
    if (answers_.ready()) return true;
    const auto now = std::chrono::steady_clock::now();
    if (lastLoad_ && now - *lastLoad_ < reloadInterval && !answers_.kwinOwner().empty()) {
        return false;
    }
    lastLoad_ = now;
    return loadResidentScript();
}

SizeWriteResult KWinWindowSystem::resize(const MirrorWindow& window, Size size, Deadline deadline) {
    return resize_(window, size, deadline);
}

PermissionGuide KWinWindowSystem::permissionGuide() const {
    return {"KWin Scripting Required",
            "On KDE Plasma, Varnic controls other windows through a small script of its own "
            "that KWin loads and runs.",
            {"Click the button below to open Varnic's help page.",
             "Make sure KWin runs and that scripting is not disabled for your account.",
             "The app will automatically detect the change."},
            "Open Help Page"};
}

}  // namespace varnic
