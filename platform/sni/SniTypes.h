#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace varnic::sni {

// The D-Bus structures of org.kde.StatusNotifierItem and com.canonical.dbusmenu.

// One size of an icon: ARGB32 pixels in network byte order, (iiay).
struct IconPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using IconPixmapList = QList<IconPixmap>;

// (sa(iiay)ss): icon name, icon, title, text.
struct ToolTip {
    QString iconName;
    IconPixmapList icon;
    QString title;
    QString text;
};

// (ia{sv}av): an entry, its properties and its children (each a variant
// holding a MenuLayout).
struct MenuLayout {
    int id = 0;
    QVariantMap properties;
    QVariantList children;
};

// (ia{sv}): the properties of one entry.
struct MenuItemProperties {
    int id = 0;
    QVariantMap properties;
};
using MenuItemPropertiesList = QList<MenuItemProperties>;

// (ias): properties removed from one entry.
struct MenuItemPropertyNames {
    int id = 0;
    QStringList names;
};
using MenuItemPropertyNamesList = QList<MenuItemPropertyNames>;

// (isvu): one event of EventGroup.
struct MenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using MenuEventList = QList<MenuEvent>;

// Makes the types above known to Qt's D-Bus marshalling; before any export.
void registerTypes();

QDBusArgument& operator<<(QDBusArgument& argument, const IconPixmap& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, IconPixmap& value);
QDBusArgument& operator<<(QDBusArgument& argument, const ToolTip& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, ToolTip& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuLayout& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuLayout& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuItemProperties& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuItemProperties& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuItemPropertyNames& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuItemPropertyNames& value);
QDBusArgument& operator<<(QDBusArgument& argument, const MenuEvent& value);
const QDBusArgument& operator>>(const QDBusArgument& argument, MenuEvent& value);

}  // namespace varnic::sni

Q_DECLARE_METATYPE(varnic::sni::IconPixmap)
Q_DECLARE_METATYPE(varnic::sni::ToolTip)
Q_DECLARE_METATYPE(varnic::sni::MenuLayout)
Q_DECLARE_METATYPE(varnic::sni::MenuItemProperties)
Q_DECLARE_METATYPE(varnic::sni::MenuItemPropertyNames)
Q_DECLARE_METATYPE(varnic::sni::MenuEvent)
