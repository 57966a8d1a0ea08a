#include "platform/kwin/KWinScripts.h"

#include <QFile>
#include <nlohmann/json.hpp>

#include "platform/kwin/KWinReceiver.h"

// The scripts are resources of a static library: registered by hand.
static void registerScripts() {
    Q_INIT_RESOURCE(kwin);
}

namespace varnic {
namespace {

std::string resource(const char* path) {
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

}  // namespace

KWinScripts::KWinScripts(QDBusConnection bus, int timeoutMillis)
    : bus_(bus), scripting_(std::move(bus), timeoutMillis) {
    registerScripts();
}

std::string KWinScripts::replyAddress() const {
    const nlohmann::json address = {{"service", bus_.baseService().toStdString()},
                                    {"path", KWinReceiver::path},
                                    {"iface", KWinReceiver::interface}};
    return "const varnic = " + address.dump() + ";\n";
}

std::optional<QString> KWinScripts::write(const QString& name, const std::string& text) {
    if (!files_.isValid()) return std::nullopt;
    const auto path = files_.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return std::nullopt;
    const auto bytes = QByteArray::fromStdString(text);
    if (file.write(bytes) != bytes.size()) return std::nullopt;
    return path;
}

std::optional<std::string> KWinScripts::startResident() {
    const auto path =
        write(QStringLiteral("varnic.js"), replyAddress() + resource(":/kwin/varnic.js"));
    if (!path) return "cannot write Varnic's script to " + files_.path().toStdString();
    const auto name = QString::fromLatin1(residentName);
    scripting_.unload(name);
    scripting_.unload(QString::fromLatin1(resizeName));
    const auto id = scripting_.load(*path, name);
    if (!id || !scripting_.run(*id)) return "KWin did not load and run Varnic's script";
    return std::nullopt;
}

bool KWinScripts::runResize(const std::string& request) {
    const auto path =
        write(QStringLiteral("resize.js"), replyAddress() + "const request = " + request + ";\n" +
                                               resource(":/kwin/varnic-resize.js"));
    if (!path) return false;
    const auto id = scripting_.load(*path, QString::fromLatin1(resizeName));
    if (id && scripting_.run(*id)) return true;
    unloadResize();
    return false;
}

void KWinScripts::unloadResize() {
    scripting_.unload(QString::fromLatin1(resizeName));
}

void KWinScripts::unloadAll() {
    unloadResize();
    scripting_.unload(QString::fromLatin1(residentName));
}

}  // namespace varnic
