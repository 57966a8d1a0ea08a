// Tests only: clicks and key presses through Clutter virtual devices, as a
// user's would arrive, and what the top bar shows, on the session bus.

// Arguments without a direction are a method's input.
const INTERFACE_XML = `<node><interface name="io.github.varnic.TestInput">
  <method name="Indicators"><arg type="a(s(iiii)bb)" direction="out"/></method>
  <method name="Settled"><arg type="b" direction="out"/></method>
  <method name="KeyFocus"><arg type="s" direction="out"/></method>
  <method name="FocusPid"><arg type="i" direction="out"/></method>
  <method name="Click"><arg type="i"/><arg type="i"/><arg type="u"/></method>
  <method name="Key"><arg type="u"/></method>
</interface></node>`;

class TestInput extends Extension {
    enable() {
        const seat = Clutter.get_default_backend().get_default_seat();
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._dbus = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, this);
        this._dbus.export(Gio.DBus.session, '/io/github/varnic/TestInput');
        this._owner = Gio.bus_own_name_on_connection(Gio.DBus.session, 'io.github.varnic.TestInput',
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        Gio.bus_unown_name(this._owner);
        this._dbus.unexport();
        this._pointer = this._keyboard = null;
    }

    // The shell has started and shows the desktop: it opens the overview at
    // start-up, which would take the keys.
    Settled() {
        if (Main.layoutManager._startingUp)
            return false;
        if (Main.overview.visible && !Main.overview.animationInProgress)
            Main.overview.hide();
        return !Main.overview.visible;
    }

    // The text of the menu item (or other labelled actor) with the key focus,
    // the actor itself when it has none; empty when keys go to the windows.
    KeyFocus() {
        const focus = global.stage.get_key_focus();
        if (!focus || focus === global.stage)
            return '';
        return focus.label?.text ?? String(focus);
    }

    // The process of the window the shell gives the keys to; 0 for none.
    FocusPid() {
        return global.display.focus_window?.get_pid() ?? 0;
    }

    // Each indicator by its key, its stage rectangle, whether its menu is open
    // and whether an item holds a submenu (a host may fill the menu later, and
    // replace an item by a submenu once it knows).
    Indicators() {
        return Object.entries(Main.panel.statusArea).filter(([, actor]) => actor.mapped)
            .map(([key, actor]) => {
                const [x, y] = actor.get_transformed_position();
                const [width, height] = actor.get_transformed_size();
                return [key, [x, y, width, height].map(Math.round), actor.menu?.isOpen ?? false,
                    actor.menu?._getMenuItems?.().some(item => Boolean(item.menu)) ?? false];
            });
    }

    // Presses once the shell has the pointer over (x, y), as a hand would:
    // a press that overtakes the motion lands where the pointer was.
    ClickAsync([x, y, button], invocation) {
        this._pointer.notify_absolute_motion(GLib.get_monotonic_time(), x, y);
        let polls = 100;
        GLib.timeout_add(GLib.PRIORITY_DEFAULT, 10, () => {
            const [px, py] = global.get_pointer();
            if ((px !== x || py !== y) && --polls > 0)
                return GLib.SOURCE_CONTINUE;
            const now = GLib.get_monotonic_time();
            this._pointer.notify_button(now, button, Clutter.ButtonState.PRESSED);
            this._pointer.notify_button(now + 50000, button, Clutter.ButtonState.RELEASED);
            invocation.return_value(null);
            return GLib.SOURCE_REMOVE;
        });
    }

    Key(keyval) {
        const now = GLib.get_monotonic_time();
        this._keyboard.notify_keyval(now, keyval, Clutter.KeyState.PRESSED);
        this._keyboard.notify_keyval(now + 20000, keyval, Clutter.KeyState.RELEASED);
    }
}
