#pragma once

#include <QDBusConnection>
#include <QDBusMessage>

namespace varnic {

// A D-Bus call that waits for its reply like QDBus::Block, bounded by the
// timeout, but in short slices between which the application handles its
// input: a compositor that does not answer delays the request, never the
// tray or the panel. A call without a reply in time is a timeout error.
class ResponsiveDBus {
  public:
    static QDBusMessage call(const QDBusConnection& bus, const QDBusMessage& message,
                             int timeoutMillis);
};

}  // namespace varnic
