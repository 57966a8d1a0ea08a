#include "platform/qt/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "windows/DesktopShell.h"

namespace varnic {

void DesktopUrlOpener::open(std::string_view url) const {
    if (url == accessibilitySettingsURL) {
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
