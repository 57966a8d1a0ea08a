#pragma once

#include <QDBusConnection>
#include <optional>
#include <string>

#include "platform/gnome/ExtensionInstaller.h"
#include "platform/gnome/ShellWindowFeed.h"
#include "platform/mirror/MirrorWindowSystem.h"

namespace varnic {

// The window system under GNOME Shell (Wayland or X11), reached through
// Varnic's own shell extension on the session bus. Reads come from the mirror
// that the extension's signals keep current; a resize is one call that
// answers once the window has taken its new size. Trust means the extension
// answers.
class GnomeWindowSystem final : private WindowSource, public MirrorWindowSystem {
  public:
    // variantsDir: where both variants of the extension are kept, for
    // installing it for the user.
    GnomeWindowSystem(QDBusConnection bus, QString variantsDir);

    bool isProcessTrustedWithPrompt() override;
    PermissionGuide permissionGuide() const override;

  private:
    // The mirror when it is current, asking the extension when it is not.
    bool current() override;
    SizeWriteResult resize(const MirrorWindow& window, Size size, Deadline deadline) override;

    ShellWindowFeed feed_;
    ExtensionInstaller installer_;
    QDBusConnection bus_;
    bool reportedUnreachable_ = false;
};

}  // namespace varnic
