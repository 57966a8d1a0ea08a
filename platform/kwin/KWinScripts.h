#pragma once

#include <QDBusConnection>
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <string>

#include "platform/kwin/KWinScripting.h"

namespace varnic {

// Varnic's two KWin scripts: the resident one that reports every window, and
// the one-off resize request. Each is written to a private folder with the
// address it reports to, then loaded and run through KWin's scripting.
class KWinScripts {
  public:
    static constexpr const char* residentName = "varnic";
    static constexpr const char* resizeName = "varnic-resize";

    KWinScripts(QDBusConnection bus, int timeoutMillis);

    KWinScripting& scripting() { return scripting_; }
    // Loads and runs the resident script afresh: a copy left by a Varnic that
    // crashed is unloaded first, under the fixed name. What failed, if anything.
    std::optional<std::string> startResident();
    // Loads and runs one resize request (a JSON object); false when KWin did not.
    bool runResize(const std::string& request);
    void unloadResize();
    void unloadAll();

  private:
    std::optional<QString> write(const QString& name, const std::string& text);
    std::string replyAddress() const;

    QDBusConnection bus_;
    KWinScripting scripting_;
    QTemporaryDir files_;
};

}  // namespace varnic
