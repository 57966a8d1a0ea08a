#include "platform/kwin/KWinScripting.h"

#include <QDBusMessage>
#include <QRegularExpression>

#include "platform/mirror/ResponsiveDBus.h"

namespace varnic {
namespace {

constexpr const char* scriptingPath = "/Scripting";
constexpr const char* scriptingInterface = "org.kde.kwin.Scripting";
constexpr const char* scriptInterface = "org.kde.kwin.Script";

}  // namespace

KWinScripting::KWinScripting(QDBusConnection bus, int timeoutMillis)
    : bus_(std::move(bus)), timeoutMillis_(timeoutMillis) {}

std::optional<QString> KWinScripting::owner() {
    auto message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    message << QString::fromLatin1(service);
    const auto reply = ResponsiveDBus::call(bus_, message, timeoutMillis_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return std::nullopt;
    }
    const auto name = reply.arguments().front().toString();
    if (name.isEmpty()) return std::nullopt;
    return name;
}

std::optional<int> KWinScripting::load(const QString& path, const QString& name) {
    auto message = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(scriptingPath),
        QString::fromLatin1(scriptingInterface), QStringLiteral("loadScript"));
    message << path << name;
    const auto reply = ResponsiveDBus::call(bus_, message, timeoutMillis_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return std::nullopt;
    }
    bool ok = false;
    const int id = reply.arguments().front().toInt(&ok);
    if (!ok || id < 0) return std::nullopt;
    return id;
}

bool KWinScripting::runAt(const QString& objectPath) {
    const auto message =
        QDBusMessage::createMethodCall(QString::fromLatin1(service), objectPath,
                                       QString::fromLatin1(scriptInterface), QStringLiteral("run"));
    return ResponsiveDBus::call(bus_, message, timeoutMillis_).type() == QDBusMessage::ReplyMessage;
}

bool KWinScripting::run(int id) {
    const auto plasma6 = QStringLiteral("/Scripting/Script%1").arg(id);
    const auto plasma5 = QStringLiteral("/%1").arg(id);
    if (plasma6Paths_) return runAt(*plasma6Paths_ ? plasma6 : plasma5);
    if (runAt(plasma6)) {
        plasma6Paths_ = true;
        return true;
    }
    if (runAt(plasma5)) {
        plasma6Paths_ = false;
        return true;
    }
    return false;
}

bool KWinScripting::unload(const QString& name) {
    auto message = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QString::fromLatin1(scriptingPath),
        QString::fromLatin1(scriptingInterface), QStringLiteral("unloadScript"));
    message << name;
    const auto reply = ResponsiveDBus::call(bus_, message, timeoutMillis_);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().front().toBool();
}

std::optional<std::string> KWinScripting::version() {
    const auto message = QDBusMessage::createMethodCall(
        QString::fromLatin1(service), QStringLiteral("/KWin"), QStringLiteral("org.kde.KWin"),
        QStringLiteral("supportInformation"));
    const auto reply = ResponsiveDBus::call(bus_, message, timeoutMillis_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return std::nullopt;
    }
    static const QRegularExpression versionLine(
        QStringLiteral("^KWin version: ([0-9][0-9.]{0,30})$"), QRegularExpression::MultilineOption);
    const auto match = versionLine.match(reply.arguments().front().toString());
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toStdString();
}

}  // namespace varnic
