#include "platform/gnome/ShellWindow.h"

#include <QDBusArgument>

namespace varnic::shellwindow {
namespace {

// Titles longer than this are cut, as on X11.
constexpr qsizetype maxTitle = 65536;

QRect readRect(const QDBusArgument& argument) {
    int x = 0, y = 0, width = 0, height = 0;
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return {x, y, width, height};
}

ShellWindow readWindow(const QDBusArgument& argument) {
    ShellWindow window;
    qulonglong id = 0;
    argument.beginStructure();
    argument >> id >> window.pid >> window.app >> window.title;
    window.frame = readRect(argument);
    argument >> window.normal >> window.focused >> window.minimized;
    argument.endStructure();
    window.id = id;
    window.pid = std::max(window.pid, 0);
    window.title.truncate(maxTitle);
    window.app.truncate(maxTitle);
    return window;
}

}  // namespace

// The signature is checked before anything is read, so a reply of another
// shape is refused whole rather than read half.
std::optional<std::vector<ShellWindow>> fromMessage(const QDBusMessage& message) {
    if (message.signature() != QLatin1String(listSignature) || message.arguments().size() != 1)
        return std::nullopt;
    const auto argument = message.arguments().front().value<QDBusArgument>();
    std::vector<ShellWindow> windows;
    argument.beginArray();
    while (!argument.atEnd()) windows.push_back(readWindow(argument));
    argument.endArray();
    return windows;
}

std::optional<QRect> frameFromMessage(const QDBusMessage& message) {
    if (message.signature() != QLatin1String("(iiii)") || message.arguments().size() != 1)
        return std::nullopt;
    return readRect(message.arguments().front().value<QDBusArgument>());
}

}  // namespace varnic::shellwindow
