#pragma once

#include <QImage>
#include <QPixmap>

#include "windows/AppIcon.h"

namespace varnic::appicon {

// The icon as an image; a null image when its size and pixel count disagree.
QImage toImage(const AppIcon& icon);
QPixmap toPixmap(const AppIcon& icon);

}  // namespace varnic::appicon
