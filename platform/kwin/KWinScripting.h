#pragma once

#include <QDBusConnection>
#include <QString>
#include <optional>
#include <string>

namespace varnic {

// KWin's scripting interface (org.kde.KWin /Scripting), every call bounded by
// a timeout. Plasma 5 puts a loaded script at /<id>, Plasma 6 at
// /Scripting/Script<id>; the first run finds out which.
class KWinScripting {
  public:
    static constexpr const char* service = "org.kde.KWin";

    KWinScripting(QDBusConnection bus, int timeoutMillis);

    // The unique name that owns org.kde.KWin; absent when KWin is not on the bus.
    std::optional<QString> owner();
    // Loads the file under a name; absent when KWin refuses (a script of that
    // name is loaded) or does not answer.
    std::optional<int> load(const QString& path, const QString& name);
    bool run(int id);
    bool unload(const QString& name);
    // KWin's version from its support information, when it gives one.
    std::optional<std::string> version();

  private:
    bool runAt(const QString& objectPath);

    QDBusConnection bus_;
    int timeoutMillis_;
    std::optional<bool> plasma6Paths_;
};

}  // namespace varnic
