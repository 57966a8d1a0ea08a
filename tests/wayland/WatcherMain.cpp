// A stand-in for a desktop panel's tray on the session bus, driven through
// standard input and output so that any test can play the panel:
//   out: "ready" once the watcher owns its name
//   out: "item SERVICE PATH" for each item that registers
//   in:  "activate X Y" / "contextmenu X Y" / "secondary X Y": the user's
//        click at screen position X,Y on the last item
//   out: "reply METHOD ok" or "reply METHOD error NAME"
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSocketNotifier>
#include <iostream>
#include <sstream>
#include <map>
#include <optional>
#include <string>

#include "tests/wayland/StatusNotifierWatcher.h"

using varnic::testing::StatusNotifierWatcher;

namespace {

void say(const QString& line) {
    std::cout << line.toStdString() << std::endl;
}

const std::map<std::string, QString> itemMethods{
    {"activate", QStringLiteral("Activate")},
    {"contextmenu", QStringLiteral("ContextMenu")},
    {"secondary", QStringLiteral("SecondaryActivate")},
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    auto bus = QDBusConnection::sessionBus();
    std::optional<StatusNotifierWatcher::Item> last;
    StatusNotifierWatcher watcher([&](const StatusNotifierWatcher::Item& item) {
        last = item;
        say(QStringLiteral("item %1 %2").arg(item.service, item.path));
    });
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllContents) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::cerr << "cannot own org.kde.StatusNotifierWatcher: "
                  << bus.lastError().message().toStdString() << std::endl;
        return 1;
    }
    say(QStringLiteral("ready"));

    const auto call = [&](const std::string& command, int x, int y) {
        const auto method = itemMethods.find(command);
        if (method == itemMethods.end() || !last) {
            say(QStringLiteral("reply %1 error no-item").arg(QString::fromStdString(command)));
            return;
        }
        auto message = QDBusMessage::createMethodCall(last->service, last->path,
                                                      QStringLiteral("org.kde.StatusNotifierItem"),
                                                      method->second);
        message << x << y;
        auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(message, 5000), &application);
        QObject::connect(pending, &QDBusPendingCallWatcher::finished,
                         [name = method->second](QDBusPendingCallWatcher* done) {
                             const QDBusPendingReply<> reply = *done;
                             say(reply.isError() ? QStringLiteral("reply %1 error %2")
                                                       .arg(name, reply.error().name())
                                                 : QStringLiteral("reply %1 ok").arg(name));
                             done->deleteLater();
                         });
    };

    // Several commands may arrive in one read; each line is one.
    std::string pendingInput;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[4096];
        const auto got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        pendingInput.append(chunk, static_cast<std::size_t>(got));
        for (auto end = pendingInput.find('\n'); end != std::string::npos;
             end = pendingInput.find('\n')) {
            std::istringstream line(pendingInput.substr(0, end));
            pendingInput.erase(0, end + 1);
            std::string command;
            int x = 0;
            int y = 0;
            if (line >> command >> x >> y) call(command, x, y);
        }
    });
    return QCoreApplication::exec();
}
