#include "platform/gnome/ExtensionInstaller.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>

#include "platform/gnome/ExtensionBus.h"
#include "platform/mirror/ResponsiveDBus.h"
#include "support/Log.h"

namespace varnic {
namespace {

constexpr int callTimeoutMs = 2000;
// The first shell that runs extensions as ES modules.
constexpr int firstModuleShell = 45;
// GNOME Shell's extension states (ExtensionState in extensionUtils.js) that
// mean its copy cannot run here.
constexpr double stateError = 3;
constexpr double stateOutOfDate = 4;

QDBusMessage extensionsCall(const QString& method) {
    return QDBusMessage::createMethodCall(gnome::shellName, gnome::shellPath,
                                          QStringLiteral("org.gnome.Shell.Extensions"), method);
}

}  // namespace

ExtensionInstaller::ExtensionInstaller(QDBusConnection bus, QString variantsDir)
    : bus_(std::move(bus)), variantsDir_(std::move(variantsDir)) {}

QString ExtensionInstaller::findVariants(const QString& executableDir) {
    const QString installed =
        QDir(executableDir).filePath(QStringLiteral("../share/varnic/gnome-shell-extension"));
    if (QFileInfo::exists(installed)) return QDir::cleanPath(installed);
    return QStringLiteral(VARNIC_EXTENSION_BUILD_DIR);
}

std::optional<QString> ExtensionInstaller::shellVersion(int timeoutMs) const {
    auto call = QDBusMessage::createMethodCall(gnome::shellName, gnome::shellPath,
                                               QStringLiteral("org.freedesktop.DBus.Properties"),
                                               QStringLiteral("Get"));
    call << QStringLiteral("org.gnome.Shell") << QStringLiteral("ShellVersion");
    const auto reply = ResponsiveDBus::call(bus_, call, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("v"))
        return std::nullopt;
    const auto value = reply.arguments().front().value<QDBusVariant>().variant();
    // Another program holding the name gives no version of a shell.
    if (value.typeId() != QMetaType::QString || value.toString().isEmpty()) return std::nullopt;
    return value.toString();
}

// The state GNOME Shell gives the extension; absent when the shell does not
// know it (or does not answer).
std::optional<double> ExtensionInstaller::extensionState() const {
    auto call = extensionsCall(QStringLiteral("GetExtensionInfo"));
    call << gnome::extensionUuid;
    const auto reply = ResponsiveDBus::call(bus_, call, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a{sv}"))
        return std::nullopt;
    const auto info = qdbus_cast<QVariantMap>(reply.arguments().front());
    const auto state = info.value(QStringLiteral("state"));
    if (state.typeId() != QMetaType::Double) return std::nullopt;
    return state.toDouble();
}

bool ExtensionInstaller::installForUser() {
    const auto version = shellVersion();
    if (!version) return false;
    const bool modules = version->section(QLatin1Char('.'), 0, 0).toInt() >= firstModuleShell;
    const auto source = std::filesystem::path(variantsDir_.toStdString()) /
                        (modules ? "module" : "legacy") / gnome::extensionUuid.toStdString();
    const auto target =
        std::filesystem::path(
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString()) /
        "gnome-shell" / "extensions" / gnome::extensionUuid.toStdString();
    std::error_code error;
    std::filesystem::create_directories(target, error);
    if (!error) {
        std::filesystem::copy(source, target,
                              std::filesystem::copy_options::recursive |
                                  std::filesystem::copy_options::overwrite_existing,
                              error);
    }
    if (error) {
        Log::write("GNOME Shell: cannot install Varnic's extension in " + target.string() + ": " +
                   error.message());
        return false;
    }
    Log::write("GNOME Shell: installed Varnic's extension in " + target.string() +
               "; GNOME Shell loads it at the next login");
    return true;
}

ExtensionInstaller::Outcome ExtensionInstaller::installAndEnable() {
    const auto state = extensionState();
    if (!state || *state == stateError || *state == stateOutOfDate) {
        return installForUser() ? Outcome::nextLogin : Outcome::failed;
    }
    auto call = extensionsCall(QStringLiteral("EnableExtension"));
    call << gnome::extensionUuid;
    const auto reply = ResponsiveDBus::call(bus_, call, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        Log::write("GNOME Shell: cannot switch Varnic's extension on: " +
                   reply.errorMessage().toStdString());
        return Outcome::failed;
    }
    return Outcome::enableAsked;
}

}  // namespace varnic
