#include "platform/sni/SniTypes.h"

#include <QDBusMetaType>

namespace varnic::sni {

void registerTypes() {
    qDBusRegisterMetaType<IconPixmap>();
    qDBusRegisterMetaType<IconPixmapList>();
    qDBusRegisterMetaType<ToolTip>();
    qDBusRegisterMetaType<MenuLayout>();
    qDBusRegisterMetaType<MenuItemProperties>();
    qDBusRegisterMetaType<MenuItemPropertiesList>();
    qDBusRegisterMetaType<MenuItemPropertyNames>();
    qDBusRegisterMetaType<MenuItemPropertyNamesList>();
    qDBusRegisterMetaType<MenuEvent>();
    qDBusRegisterMetaType<MenuEventList>();
    qDBusRegisterMetaType<QList<QStringList>>();
}

QDBusArgument& operator<<(QDBusArgument& argument, const IconPixmap& value) {
    argument.beginStructure();
    argument << value.width << value.height << value.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, IconPixmap& value) {
    argument.beginStructure();
    argument >> value.width >> value.height >> value.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const ToolTip& value) {
    argument.beginStructure();
    argument << value.iconName << value.icon << value.title << value.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ToolTip& value) {
    argument.beginStructure();
    argument >> value.iconName >> value.icon >> value.title >> value.text;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuLayout& value) {
    argument.beginStructure();
    argument << value.id << value.properties;
    // av: every child goes as a variant, also when there is none.
    argument.beginArray(qMetaTypeId<QDBusVariant>());
    for (const auto& child : value.children) argument << QDBusVariant(child);
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuLayout& value) {
    argument.beginStructure();
    argument >> value.id >> value.properties;
    value.children.clear();
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        value.children.append(child.variant());
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuItemProperties& value) {
    argument.beginStructure();
    argument << value.id << value.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuItemProperties& value) {
    argument.beginStructure();
    argument >> value.id >> value.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuItemPropertyNames& value) {
    argument.beginStructure();
    argument << value.id << value.names;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuItemPropertyNames& value) {
    argument.beginStructure();
    argument >> value.id >> value.names;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const MenuEvent& value) {
    argument.beginStructure();
    argument << value.id << value.eventId << value.data << value.timestamp;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, MenuEvent& value) {
    argument.beginStructure();
    argument >> value.id >> value.eventId >> value.data >> value.timestamp;
    argument.endStructure();
    return argument;
}

}  // namespace varnic::sni
