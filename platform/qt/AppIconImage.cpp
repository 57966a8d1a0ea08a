#include "platform/qt/AppIconImage.h"

#include <cstring>

namespace varnic::appicon {

QImage toImage(const AppIcon& icon) {
    if (icon.width <= 0 || icon.height <= 0) return {};
    const auto width = static_cast<std::size_t>(icon.width);
    const auto height = static_cast<std::size_t>(icon.height);
    if (icon.argb.size() / width != height || icon.argb.size() % width != 0) return {};
    // Format_ARGB32 stores each pixel as a native 0xAARRGGBB word, unpremultiplied,
    // which is exactly the layout of the icon's rows.
    QImage image(icon.width, icon.height, QImage::Format_ARGB32);
    if (image.isNull()) return {};
    for (int row = 0; row < icon.height; ++row) {
        std::memcpy(image.scanLine(row), icon.argb.data() + static_cast<std::size_t>(row) * width,
                    width * sizeof(std::uint32_t));
    }
    return image;
}

QPixmap toPixmap(const AppIcon& icon) {
    return QPixmap::fromImage(toImage(icon));
}

}  // namespace varnic::appicon
