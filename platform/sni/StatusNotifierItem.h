#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>

#include "platform/sni/SniTypes.h"

class QIcon;

namespace varnic::sni {

// The tray icon as org.kde.StatusNotifierItem: what a host shows (title,
// icon at several sizes for any scale, tooltip, the path of the exported
// menu) and the clicks it passes on, with the click's position as the host
// gives it (hosts differ: global, icon-local, or 0,0).
class StatusNotifierItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ emptyText)
    Q_PROPERTY(QString IconName READ emptyText)
    Q_PROPERTY(QList<varnic::sni::IconPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyText)
    Q_PROPERTY(QList<varnic::sni::IconPixmap> OverlayIconPixmap READ noPixmap)
    Q_PROPERTY(QString AttentionIconName READ emptyText)
    Q_PROPERTY(QList<varnic::sni::IconPixmap> AttentionIconPixmap READ noPixmap)
    Q_PROPERTY(QString AttentionMovieName READ emptyText)
    Q_PROPERTY(varnic::sni::ToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

  public:
    StatusNotifierItem(const QString& title, const QIcon& icon, const QString& menuPath);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("varnic"); }
    QString title() const { return title_; }
    QString status() const { return QStringLiteral("Active"); }
    int windowId() const { return 0; }
    QString emptyText() const { return {}; }
    IconPixmapList iconPixmap() const { return pixmaps_; }
    IconPixmapList noPixmap() const { return {}; }
    ToolTip toolTip() const { return {QString(), {}, title_, QString()}; }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return menu_; }

    // The icon drawn at the sizes hosts ask for, from 16 px up to the 64 px a
    // panel at scale 2 or more wants.
    static IconPixmapList pixmapsOf(const QIcon& icon);

  public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);
    void ProvideXdgActivationToken(const QString& token);

  signals:
    // A left click on the icon, at the host's x, y.
    void activated(QPoint click);
    // The host asks the item to show its menu itself, at x, y.
    void contextMenuRequested(QPoint click);

    // Only these go on the bus: the two above are Varnic's own.
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewAttentionIcon();
    Q_SCRIPTABLE void NewOverlayIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);

  private:
    QString title_;
    IconPixmapList pixmaps_;
    QDBusObjectPath menu_;
};

}  // namespace varnic::sni
