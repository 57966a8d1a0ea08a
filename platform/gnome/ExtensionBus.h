#pragma once

#include <QString>

namespace varnic::gnome {

// Varnic's GNOME Shell extension on the session bus (extension/varnic.js).
inline const QString extensionUuid = QStringLiteral("varnic@varnic.github.io");
inline const QString extensionName = QStringLiteral("io.github.varnic.Extension");
inline const QString extensionPath = QStringLiteral("/io/github/varnic/Extension");
inline const QString extensionInterface = QStringLiteral("io.github.varnic.Extension1");
inline const QString extensionErrors = QStringLiteral("io.github.varnic.Extension1.Error.");

// Varnic's own service, which the extension's top-bar icon calls.
inline const QString varnicName = QStringLiteral("io.github.varnic.Varnic");
inline const QString varnicPath = QStringLiteral("/io/github/varnic/Varnic");

// GNOME Shell itself.
inline const QString shellName = QStringLiteral("org.gnome.Shell");
inline const QString shellPath = QStringLiteral("/org/gnome/Shell");

}  // namespace varnic::gnome
