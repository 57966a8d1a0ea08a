#include "platform/sni/MenuExporter.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QTimer>

namespace varnic::sni {
namespace {

// dbusmenu marks the mnemonic with '_' where Qt uses '&'.
QString label(QString text) {
    text.replace(QLatin1Char('_'), QStringLiteral("__"));
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.replace(QLatin1Char('&'), QLatin1Char('_'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

// aas: one list of key names per chord, modifiers first ("Control", "q").
QList<QStringList> shortcut(const QKeySequence& sequence) {
    QList<QStringList> chords;
    for (int i = 0; i < sequence.count(); ++i) {
        const QKeyCombination combination = sequence[i];
        QStringList keys;
        const auto modifiers = combination.keyboardModifiers();
        if (modifiers & Qt::ControlModifier) keys << QStringLiteral("Control");
        if (modifiers & Qt::AltModifier) keys << QStringLiteral("Alt");
        if (modifiers & Qt::ShiftModifier) keys << QStringLiteral("Shift");
        if (modifiers & Qt::MetaModifier) keys << QStringLiteral("Super");
        keys << QKeySequence(combination.key()).toString().toLower();
        chords << keys;
    }
    return chords;
}

}  // namespace

void MenuExporter::setMenu(QMenu* menu) {
    menu_ = menu;
    actions_.clear();
    ids_.clear();
    if (menu_) number(menu_);
    ++revision_;
    emit LayoutUpdated(revision_, 0);
}

void MenuExporter::number(const QMenu* menu) {
    for (QAction* action : menu->actions()) {
        const int id = static_cast<int>(actions_.size()) + 1;
        actions_.insert(id, action);
        ids_.insert(action, id);
        if (action->menu()) number(action->menu());
    }
}

QList<QAction*> MenuExporter::childrenOf(int id) const {
    if (id == 0) return menu_ ? menu_->actions() : QList<QAction*>();
    const QAction* action = actions_.value(id);
    return action && action->menu() ? action->menu()->actions() : QList<QAction*>();
}

QVariantMap MenuExporter::propertiesOf(int id, const QStringList& names) const {
    QVariantMap properties;
    const QAction* action = actions_.value(id);
    if (id == 0) {
        properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (action && action->isSeparator()) {
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    } else if (action) {
        properties.insert(QStringLiteral("label"), label(action->text()));
        if (!action->isEnabled()) properties.insert(QStringLiteral("enabled"), false);
        if (action->menu()) {
            properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        }
        if (!action->shortcut().isEmpty()) {
            properties.insert(QStringLiteral("shortcut"),
                              QVariant::fromValue(shortcut(action->shortcut())));
        }
    }
    if (action && !action->isVisible()) properties.insert(QStringLiteral("visible"), false);
    if (names.isEmpty()) return properties;
    QVariantMap asked;
    for (const auto& name : names) {
        if (properties.contains(name)) asked.insert(name, properties.value(name));
    }
    return asked;
}

MenuLayout MenuExporter::layoutOf(int id, int depth, const QStringList& names) const {
    MenuLayout layout{id, propertiesOf(id, names), {}};
    if (depth == 0) return layout;
    for (const QAction* child : childrenOf(id)) {
        layout.children.append(
            QVariant::fromValue(layoutOf(ids_.value(child), depth < 0 ? -1 : depth - 1, names)));
    }
    return layout;
}

uint MenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                             MenuLayout& layout) {
    layout = layoutOf(parentId, recursionDepth, propertyNames);
    return revision_;
}

MenuItemPropertiesList MenuExporter::GetGroupProperties(const QList<int>& ids,
                                                        const QStringList& propertyNames) {
    MenuItemPropertiesList list;
    for (const int id : ids) {
        if (id == 0 || actions_.value(id)) list.append({id, propertiesOf(id, propertyNames)});
    }
    return list;
}

QDBusVariant MenuExporter::GetProperty(int id, const QString& name) {
    return QDBusVariant(propertiesOf(id, {name}).value(name));
}

void MenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint) {
    activate(id, eventId);
}

QList<int> MenuExporter::EventGroup(const MenuEventList& events) {
    QList<int> errors;
    for (const auto& event : events) {
        if (!activate(event.id, event.eventId) && !actions_.contains(event.id)) {
            errors.append(event.id);
        }
    }
    return errors;
}

bool MenuExporter::activate(int id, const QString& eventId) {
    if (id == 0 && (eventId == QLatin1String("opened") || eventId == QLatin1String("closed"))) {
        shown_ = eventId == QLatin1String("opened");
        if (!shown_) triggerPending();
        return true;
    }
    QAction* action = actions_.value(id);
    if (!action || eventId != QLatin1String("clicked") || action->menu() || !action->isEnabled()) {
        return false;
    }
    // Once the host has closed its menu (GNOME's AppIndicator says "closed"
    // right after "clicked"): the entry's work must not hold the host's call
    // (a resize waits on the window system), and "Quit" must not leave the
    // host's "closed" unanswered.
    pending_ = action;
    QTimer::singleShot(shown_ ? closeWaitMillis : 0, this, &MenuExporter::triggerPending);
    return true;
}

// After the reply to the host's call.
void MenuExporter::triggerPending() {
    if (QAction* action = pending_) QTimer::singleShot(0, action, &QAction::trigger);
    pending_ = nullptr;
}

bool MenuExporter::AboutToShow(int) {
    return false;
}

QList<int> MenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    for (const int id : ids) {
        if (id != 0 && !actions_.value(id)) idErrors.append(id);
    }
    return {};
}

}  // namespace varnic::sni
