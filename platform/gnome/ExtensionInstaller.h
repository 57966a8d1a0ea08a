#pragma once

#include <QDBusConnection>
#include <QString>
#include <optional>

namespace varnic {

// Puts Varnic's GNOME Shell extension in the user's hands: installs the
// variant that fits the running shell into the user's extension folder when
// the shell does not know the extension (or cannot run the copy it has), and
// asks the shell to switch it on.
class ExtensionInstaller {
  public:
    // variantsDir holds legacy/<uuid>/ and module/<uuid>/.
    ExtensionInstaller(QDBusConnection bus, QString variantsDir);

    enum class Outcome {
        enableAsked,  // the shell knows the extension and was asked to switch it on
        nextLogin,    // installed now; the shell loads it at the next login
        failed,
    };
    Outcome installAndEnable();

    // GNOME Shell's version ("43.9"), absent when the shell does not answer
    // within timeoutMs.
    std::optional<QString> shellVersion(int timeoutMs = 2000) const;
    // Where Varnic's build or installation keeps both variants.
    static QString findVariants(const QString& executableDir);

  private:
    std::optional<double> extensionState() const;
    bool installForUser();

    QDBusConnection bus_;
    QString variantsDir_;
};

}  // namespace varnic
