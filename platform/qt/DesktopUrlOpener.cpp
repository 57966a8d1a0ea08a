#include "platform/qt/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace varnic {
namespace {

constexpr std::string_view settingsScheme = "x-apple.systempreferences:";

}  // namespace

void DesktopUrlOpener::open(std::string_view url) const {
    if (url.starts_with(settingsScheme)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpPage_));
        return;
    }
    QDesktopServices::openUrl(
        QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
}

QString DesktopUrlOpener::findHelpPage(const QString& executableDir, const QString& sourceDir) {
    const QString installed =
        QDir(executableDir).filePath(QStringLiteral("../share/doc/varnic/help.html"));
    if (QFileInfo::exists(installed)) return QDir::cleanPath(installed);
    return QDir(sourceDir).filePath(QStringLiteral("docs/help.html"));
}

}  // namespace varnic
