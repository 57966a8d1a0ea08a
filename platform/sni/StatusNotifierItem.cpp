#include "platform/sni/StatusNotifierItem.h"

#include <QIcon>
#include <QImage>
#include <QtEndian>

namespace varnic::sni {

StatusNotifierItem::StatusNotifierItem(const QString& title, const QIcon& icon,
                                       const QString& menuPath)
    : title_(title), pixmaps_(pixmapsOf(icon)), menu_(menuPath) {}

IconPixmapList StatusNotifierItem::pixmapsOf(const QIcon& icon) {
    IconPixmapList list;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        const QImage image = icon.pixmap(size, size)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32)
                                 .scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QByteArray argb(static_cast<qsizetype>(image.width()) * image.height() * 4, '\0');
        auto* out = reinterpret_cast<quint32*>(argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) *out++ = qToBigEndian(line[x]);
        }
        list.append({image.width(), image.height(), argb});
    }
    return list;
}

void StatusNotifierItem::Activate(int x, int y) {
    emit activated({x, y});
}

// A middle click: the same as a left click.
void StatusNotifierItem::SecondaryActivate(int x, int y) {
    emit activated({x, y});
}

void StatusNotifierItem::ContextMenu(int x, int y) {
    emit contextMenuRequested({x, y});
}

// The icon has nothing to scroll through.
void StatusNotifierItem::Scroll(int, const QString&) {}

// Varnic's windows are XWayland windows, which take no Wayland activation token.
void StatusNotifierItem::ProvideXdgActivationToken(const QString&) {}

}  // namespace varnic::sni
