#pragma once

#include <QDBusMessage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace varnic {

// One window as Varnic's GNOME Shell extension describes it.
struct ShellWindow {
    std::uint64_t id = 0;
    std::int32_t pid = 0;  // 0: unknown
    QString app;
    QString title;
    QRect frame;  // the outer frame, decorations included
    bool normal = false;
    bool focused = false;
    bool minimized = false;
};

namespace shellwindow {

// The D-Bus signature of one window and of a frame rectangle.
inline constexpr const char* signature = "(tiss(iiii)bbb)";
inline constexpr const char* listSignature = "a(tiss(iiii)bbb)";

// The windows a ListWindows reply or a WindowsChanged signal carries, topmost
// first; absent when the message holds anything else.
std::optional<std::vector<ShellWindow>> fromMessage(const QDBusMessage& message);
// The frame rectangle of a Resize reply; absent when the reply holds anything else.
std::optional<QRect> frameFromMessage(const QDBusMessage& message);

}  // namespace shellwindow
}  // namespace varnic
