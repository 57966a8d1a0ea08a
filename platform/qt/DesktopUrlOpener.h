#pragma once

#include <QString>
#include <string_view>

namespace varnic {

// Opens the URLs the window logic asks for. The permission's settings link has
// no meaning on Linux desktops; it opens Varnic's own help page, which says what
// the desktop must offer instead.
class DesktopUrlOpener {
  public:
    explicit DesktopUrlOpener(QString helpPage) : helpPage_(std::move(helpPage)) {}

    void open(std::string_view url) const;

    // The installed help page next to the executable, else the one in the source tree.
    static QString findHelpPage(const QString& executableDir, const QString& sourceDir);

  private:
    QString helpPage_;
};

}  // namespace varnic
