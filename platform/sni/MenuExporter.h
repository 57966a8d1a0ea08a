#pragma once

#include <QDBusContext>
#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "platform/sni/SniTypes.h"

class QAction;
class QMenu;

namespace varnic::sni {

// A QMenu published as com.canonical.dbusmenu, so that a tray host draws it
// natively (its theme, keyboard and scale). Entries are the menu's actions:
// submenus, separators, labels, enabled state and shortcuts. A host's
// "clicked" event triggers the action itself, so a chosen entry runs the same
// code as in a menu Varnic shows.
class MenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

  public:
    MenuExporter() = default;

    // Publishes menu (not owned) in place of the last one and tells hosts.
    void setMenu(QMenu* menu);

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }
    uint revision() const { return revision_; }

  public slots:
    // Qt's D-Bus layer matches these by their spelled-out types, not by aliases.
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   varnic::sni::MenuLayout& layout);
    QList<varnic::sni::MenuItemProperties> GetGroupProperties(const QList<int>& ids,
                                                              const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const QList<varnic::sni::MenuEvent>& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

  signals:
    void ItemsPropertiesUpdated(const QList<varnic::sni::MenuItemProperties>& updated,
                                const QList<varnic::sni::MenuItemPropertyNames>& removed);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

  private:
    // Entry 0 is the menu itself; the others are numbered in menu order.
    void number(const QMenu* menu);
    MenuLayout layoutOf(int id, int depth, const QStringList& names) const;
    QVariantMap propertiesOf(int id, const QStringList& names) const;
    QList<QAction*> childrenOf(int id) const;
    // Handles a host's event; false when there is no such entry to trigger.
    bool activate(int id, const QString& eventId);
    void triggerPending();

    QPointer<QMenu> menu_;
    uint revision_ = 0;
    QMap<int, QPointer<QAction>> actions_;
    QHash<const QAction*, int> ids_;
    // The host said it opened the menu and has not yet said it closed it.
    bool shown_ = false;
    QPointer<QAction> pending_;
    // How long a chosen entry waits for a host that never says "closed".
    static constexpr int closeWaitMillis = 250;
};

}  // namespace varnic::sni
