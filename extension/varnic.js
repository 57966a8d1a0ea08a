// Varnic's reach into GNOME Shell: the windows the shell manages, exported on
// the session bus under a name of Varnic's own, and, where no tray shows
// Varnic's status icon, a button in the top bar. The shell-version specific
// imports and entry points are added around this body at build time.

const BUS_NAME = 'io.github.varnic.Extension';
const OBJECT_PATH = '/io/github/varnic/Extension';
const INTERFACE = 'io.github.varnic.Extension1';
const ERROR_PREFIX = `${INTERFACE}.Error`;

// Varnic's own service, which the top-bar button drives.
const VARNIC_NAME = 'io.github.varnic.Varnic';
const VARNIC_PATH = '/io/github/varnic/Varnic';
const VARNIC_INTERFACE = 'io.github.varnic.Varnic1';

const WATCHER_NAME = 'org.kde.StatusNotifierWatcher';
const WATCHER_PATH = '/StatusNotifierWatcher';

// The waits stay below the two seconds Varnic gives a call, so that Varnic
// always hears why a resize did not finish.
const UNMAXIMIZE_TIMEOUT_MS = 500;
// How long a window Varnic just mapped may take to be managed.
const PLACE_TIMEOUT_MS = 1000;
const RESIZE_TIMEOUT_MS = 1200;
const CALL_TIMEOUT_MS = 1000;
// Larger sizes than X11 can carry are refused everywhere alike.
const MAX_SIDE = 32767;

const WINDOW = '(tiss(iiii)bbb)';
const INTERFACE_XML = `
<node>
  <interface name="${INTERFACE}">
    <method name="ListWindows">
      <arg type="a${WINDOW}" direction="out" name="windows"/>
    </method>
    <method name="Resize">
      <arg type="t" direction="in" name="id"/>
      <arg type="i" direction="in" name="width"/>
      <arg type="i" direction="in" name="height"/>
      <arg type="(iiii)" direction="out" name="frame"/>
    </method>
    <method name="PointerPosition">
      <arg type="(ii)" direction="out" name="position"/>
    </method>
    <method name="PlaceWindow">
      <arg type="u" direction="in" name="pid"/>
      <arg type="s" direction="in" name="xid"/>
      <arg type="i" direction="in" name="x"/>
      <arg type="i" direction="in" name="y"/>
    </method>
    <signal name="WindowsChanged">
      <arg type="a${WINDOW}" name="windows"/>
    </signal>
    <signal name="FocusChanged">
      <arg type="t" name="id"/>
    </signal>
  </interface>
</node>`;

function frameOf(window) {
    const rect = window.get_frame_rect();
    return [rect.x, rect.y, rect.width, rect.height];
}

function describe(window, focus) {
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    const normal = window.get_window_type() === Meta.WindowType.NORMAL &&
        !window.is_skip_taskbar();
    return [
        window.get_id(),
        Math.max(window.get_pid(), 0),
        app?.get_name() ?? window.get_wm_class() ?? '',
        window.get_title() ?? '',
        frameOf(window),
        normal,
        window === focus,
        window.minimized,
    ];
}

// Resolves with true once `signal` fired and `done` holds, false after ms.
function waitFor(window, signal, done, ms) {
    return new Promise(resolve => {
        let timeout = 0;
        const handler = window.connect(signal, () => {
            if (!done())
                return;
            finish(true);
        });
        function finish(result) {
            window.disconnect(handler);
            if (timeout)
                GLib.source_remove(timeout);
            resolve(result);
        }
        timeout = GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
            timeout = 0;
            finish(false);
            return GLib.SOURCE_REMOVE;
        });
    });
}

class ResizeError extends Error {
    constructor(name, message) {
        super(message);
        this.dbusName = `${ERROR_PREFIX}.${name}`;
    }
}

class WindowService {
    constructor() {
        this._windowSignals = new Map();
        this._lastFocus = null;
        this._reportedFocus = null;
        this._displaySignals = [];
        this._pendingList = 0;
    }

    enable() {
        this._dbus = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, this);
        // The object is there before the name is, so a client that sees the
        // name can call at once.
        this._dbus.export(Gio.DBus.session, OBJECT_PATH);
        const display = global.display;
        this._displaySignals = [
            display.connect('window-created', (_display, window) => this._track(window)),
            display.connect('notify::focus-window', () => this._focusChanged()),
            display.connect('restacked', () => this._listChanged()),
        ];
        // A window that goes ends its actor; by then the shell's list is
        // without it.
        this._destroyId = global.window_manager.connect('destroy', () => this._listChanged());
        for (const actor of global.get_window_actors())
            this._track(actor.meta_window);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    disable() {
        Gio.bus_unown_name(this._nameId);
        for (const id of this._displaySignals)
            global.display.disconnect(id);
        global.window_manager.disconnect(this._destroyId);
        this._forgetUnmanaged();
        for (const [window, ids] of this._windowSignals)
            ids.forEach(id => window.disconnect(id));
        this._windowSignals.clear();
        if (this._pendingList)
            GLib.source_remove(this._pendingList);
        this._pendingList = 0;
        this._dbus.unexport();
        this._dbus = null;
        this._lastFocus = null;
        this._reportedFocus = null;
    }

    // The managed windows, topmost first. The shell's own list is the truth:
    // a window leaves it when unmanaged, while its actor may outlive it.
    _windows() {
        const windows = global.display.list_all_windows().filter(w => !w.is_override_redirect());
        return global.display.sort_windows_by_stacking(windows).reverse();
    }

    // The handlers of a window that is no longer managed went with it:
    // disconnecting from a window being unmanaged upsets GJS (g_closure_unref
    // criticals, later a crash at exit), so no handler watches for the end.
    _forgetUnmanaged() {
        const managed = new Set(global.display.list_all_windows());
        for (const window of this._windowSignals.keys()) {
            if (!managed.has(window))
                this._windowSignals.delete(window);
        }
    }

    _track(window) {
        if (this._windowSignals.has(window) || window.is_override_redirect())
            return;
        const changed = () => this._listChanged();
        this._windowSignals.set(window, [
            window.connect('notify::title', changed),
            window.connect('notify::minimized', changed),
            window.connect('position-changed', changed),
            window.connect('size-changed', changed),
        ]);
        changed();
    }

    // The window that has the focus or, while a menu or nothing has it, the
    // one that had it last; once that one is gone, the topmost normal window.
    _focus(windows) {
        const current = global.display.focus_window;
        if (current && windows.includes(current))
            this._lastFocus = current;
        if (this._lastFocus && windows.includes(this._lastFocus))
            return this._lastFocus;
        return windows.find(w => !w.minimized && w.get_window_type() === Meta.WindowType.NORMAL) ??
            null;
    }

    _focusChanged() {
        const focus = this._focus(this._windows());
        const moved = focus && focus !== this._reportedFocus;
        this._reportedFocus = focus;
        if (!moved) {
            this._listChanged();
            return;
        }
        // The list goes first: a window that takes the focus as it opens is
        // not in the last one, and a client asked to act on the focused
        // window at once must know it.
        this._emitList();
        this._dbus?.emit_signal('FocusChanged', new GLib.Variant('(t)', [focus.get_id()]));
    }

    // Many changes in one main-loop turn (a drag, a restack) are one signal.
    _listChanged() {
        if (this._pendingList)
            return;
        this._pendingList = GLib.idle_add(GLib.PRIORITY_DEFAULT_IDLE, () => {
            this._pendingList = 0;
            this._emitList();
            return GLib.SOURCE_REMOVE;
        });
    }

    // Sends the list now; a list already waiting to go would say the same.
    _emitList() {
        if (this._pendingList)
            GLib.source_remove(this._pendingList);
        this._pendingList = 0;
        this._forgetUnmanaged();
        this._dbus?.emit_signal('WindowsChanged',
            new GLib.Variant(`(a${WINDOW})`, [this._describeAll()]));
    }

    _describeAll() {
        const windows = this._windows();
        const focus = this._focus(windows);
        return windows.map(window => describe(window, focus));
    }

    ListWindows() {
        return this._describeAll();
    }

    // Where the compositor has the pointer: Xwayland only knows where it was
    // last over one of its own windows.
    PointerPosition() {
        const [x, y] = global.get_pointer();
        return [x, y];
    }

    // Moves a window of Varnic's own (an X11 window, by its id in hex) whose
    // place only the compositor decides, once the shell manages it.
    PlaceWindowAsync([pid, xid, x, y], invocation) {
        const find = () => global.display.list_all_windows().find(w =>
            w.get_pid() === pid && (w.get_description() ?? '').split(' ')[0] === xid);
        const place = window => {
            window.move_frame(true, x, y);
            invocation.return_value(null);
            // The shell places a window where it likes when it first shows
            // it; a window not shown yet is moved again then.
            if (window.get_compositor_private()?.visible)
                return;
            let timeout = 0;
            const shown = window.connect('shown', () => {
                window.disconnect(shown);
                GLib.source_remove(timeout);
                window.move_frame(true, x, y);
            });
            timeout = GLib.timeout_add(GLib.PRIORITY_DEFAULT, PLACE_TIMEOUT_MS, () => {
                if (global.display.list_all_windows().includes(window))
                    window.disconnect(shown);
                return GLib.SOURCE_REMOVE;
            });
        };
        const window = find();
        if (window) {
            place(window);
            return;
        }
        let timeout = 0;
        const created = global.display.connect('window-created', () => {
            const found = find();
            if (!found)
                return;
            global.display.disconnect(created);
            GLib.source_remove(timeout);
            place(found);
        });
        timeout = GLib.timeout_add(GLib.PRIORITY_DEFAULT, PLACE_TIMEOUT_MS, () => {
            global.display.disconnect(created);
            invocation.return_dbus_error(`${ERROR_PREFIX}.NoSuchWindow`, `no window ${xid}`);
            return GLib.SOURCE_REMOVE;
        });
    }

    ResizeAsync([id, width, height], invocation) {
        this._resize(id, width, height).then(
            frame => invocation.return_value(new GLib.Variant('((iiii))', [frame])),
            error => invocation.return_dbus_error(
                error.dbusName ?? `${ERROR_PREFIX}.Failed`, error.message));
    }

    // Keeps the frame's top-left corner. Answers with the frame reached once
    // the window has taken a new size; the caller judges whether it is the
    // size asked for.
    async _resize(id, width, height) {
        if (width < 1 || height < 1 || width > MAX_SIDE || height > MAX_SIDE)
            throw new ResizeError('InvalidSize', `${width}x${height} is no window size`);
        const window = this._windows().find(w => w.get_id() === id);
        if (!window)
            throw new ResizeError('NoSuchWindow', `no window ${id}`);
        if (!window.allows_resize())
            throw new ResizeError('NotResizable', 'the window has a fixed size');
        if (window.is_fullscreen())
            throw new ResizeError('NotResizable', 'the window is full screen');
        const gone = () => !this._windows().includes(window);
        // A maximized window keeps the size of the screen; it is restored
        // first and resized from where it was restored to.
        if (window.get_maximized()) {
            const restored = waitFor(window, 'size-changed',
                () => !window.get_maximized(), UNMAXIMIZE_TIMEOUT_MS);
            window.unmaximize(Meta.MaximizeFlags.BOTH);
            await restored;
        }
        if (gone())
            throw new ResizeError('NoSuchWindow', `window ${id} is gone`);
        const [x, y, w, h] = frameOf(window);
        if (w === width && h === height)
            return [x, y, w, h];
        // X11 windows change size during the call, Wayland ones once the
        // client has drawn the new size: the first change is the answer.
        const resized = waitFor(window, 'size-changed', () => true, RESIZE_TIMEOUT_MS);
        window.move_resize_frame(true, x, y, width, height);
        const changed = await resized;
        if (gone())
            throw new ResizeError('NoSuchWindow', `window ${id} is gone`);
        const reached = frameOf(window);
        if (!changed && reached[2] === w && reached[3] === h)
            throw new ResizeError('Timeout', `the window kept ${w}x${h}`);
        return reached;
    }
}

// Varnic's icon in the top bar while Varnic runs and no StatusNotifierItem
// host shows its tray icon: then a click is the only way to reach Varnic.
class TopBarIcon {
    constructor(iconPath) {
        this._iconPath = iconPath;
        this._button = null;
        this._varnicRunning = false;
        this._hostRegistered = false;
    }

    enable() {
        this._cancellable = new Gio.Cancellable();
        this._subscriptions = [
            Gio.DBus.session.signal_subscribe('org.freedesktop.DBus', 'org.freedesktop.DBus',
                'NameOwnerChanged', '/org/freedesktop/DBus', null, Gio.DBusSignalFlags.NONE,
                (_c, _s, _p, _i, _n, parameters) => {
                    const [name, , owner] = parameters.deepUnpack();
                    this._ownerChanged(name, owner !== '');
                }),
            Gio.DBus.session.signal_subscribe(null, WATCHER_NAME, 'StatusNotifierHostRegistered',
                WATCHER_PATH, null, Gio.DBusSignalFlags.NONE, () => this._readHost()),
        ];
        for (const name of [VARNIC_NAME, WATCHER_NAME]) {
            Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
                'org.freedesktop.DBus', 'NameHasOwner', new GLib.Variant('(s)', [name]),
                new GLib.VariantType('(b)'), Gio.DBusCallFlags.NONE, CALL_TIMEOUT_MS,
                this._cancellable, (connection, result) => {
                    try {
                        const [owned] = connection.call_finish(result).deepUnpack();
                        this._ownerChanged(name, owned);
                    } catch (error) {
                        // Cancelled by disable(); the bus itself always answers.
                    }
                });
        }
    }

    disable() {
        this._cancellable.cancel();
        this._subscriptions.forEach(id => Gio.DBus.session.signal_unsubscribe(id));
        this._removeButton();
    }

    _ownerChanged(name, owned) {
        if (name === VARNIC_NAME)
            this._setVarnicRunning(owned);
        else if (name === WATCHER_NAME && owned)
            this._readHost();
        else if (name === WATCHER_NAME)
            this._setHost(false);
    }

    _setVarnicRunning(running) {
        this._varnicRunning = running;
        this._update();
    }

    _setHost(registered) {
        this._hostRegistered = registered;
        this._update();
    }

    // Qt shows its tray icon as a StatusNotifierItem exactly when the watcher
    // says a host is registered.
    _readHost() {
        Gio.DBus.session.call(WATCHER_NAME, WATCHER_PATH, 'org.freedesktop.DBus.Properties', 'Get',
            new GLib.Variant('(ss)', [WATCHER_NAME, 'IsStatusNotifierHostRegistered']),
            new GLib.VariantType('(v)'), Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS,
            this._cancellable, (connection, result) => {
                try {
                    const [value] = connection.call_finish(result).deepUnpack();
                    this._setHost(value.unpack() === true);
                } catch (error) {
                    if (!error.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        this._setHost(false);
                }
            });
    }

    _update() {
        const wanted = this._varnicRunning && !this._hostRegistered;
        if (wanted && !this._button)
            this._addButton();
        else if (!wanted && this._button)
            this._removeButton();
    }

    _addButton() {
        const button = new PanelMenu.Button(0.0, 'Varnic', false);
        button.add_child(new St.Icon({
            gicon: Gio.icon_new_for_string(`${this._iconPath}/varnic-symbolic.svg`),
            style_class: 'system-status-icon',
        }));
        // Ahead of the button's own handler, which would open the menu on
        // any button.
        button.connect('event', (_actor, event) => {
            if (event.type() !== Clutter.EventType.BUTTON_PRESS ||
                event.get_button() !== Clutter.BUTTON_PRIMARY)
                return Clutter.EVENT_PROPAGATE;
            button.menu.close();
            const [x, y] = button.get_transformed_position();
            const [width, height] = button.get_transformed_size();
            this._ask('TogglePanel', new GLib.Variant('(ii)',
                [Math.round(x + width / 2), Math.round(y + height / 2)]));
            return Clutter.EVENT_STOP;
        });
        this._fillMenu(button.menu);
        let reported = false;
        const shown = () => {
            if (button.mapped && !reported)
                log('Varnic: top-bar icon shown');
            reported ||= button.mapped;
        };
        button.connect('notify::mapped', shown);
        Main.panel.addToStatusArea('varnic', button);
        this._button = button;
        shown();
    }

    // The menu of Varnic's tray icon, drawn by the shell so that it follows
    // the theme and takes the keyboard: the presets Varnic names, then Quit.
    _fillMenu(menu) {
        const presets = new PopupMenu.PopupSubMenuMenuItem('Resize to...');
        menu.addMenuItem(presets);
        menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
        const quit = new PopupMenu.PopupMenuItem('Quit');
        quit.connect('activate', () => this._ask('Quit', null));
        menu.addMenuItem(quit);
        Gio.DBus.session.call(VARNIC_NAME, VARNIC_PATH, VARNIC_INTERFACE, 'Presets', null,
            new GLib.VariantType('(as)'), Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS,
            this._cancellable, (connection, result) => {
                try {
                    const [titles] = connection.call_finish(result).deepUnpack();
                    titles.forEach((title, index) => {
                        const item = new PopupMenu.PopupMenuItem(title);
                        item.connect('activate', () =>
                            this._ask('ResizeTo', new GLib.Variant('(u)', [index])));
                        presets.menu.addMenuItem(item);
                    });
                } catch (error) {
                    if (!error.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        log(`Varnic: Presets failed: ${error.message}`);
                }
            });
    }

    _removeButton() {
        if (!this._button)
            return;
        this._button.destroy();
        this._button = null;
        log('Varnic: top-bar icon removed');
    }

    _ask(method, parameters) {
        Gio.DBus.session.call(VARNIC_NAME, VARNIC_PATH, VARNIC_INTERFACE, method, parameters, null,
            Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS, null, (connection, result) => {
                try {
                    connection.call_finish(result);
                } catch (error) {
                    log(`Varnic: ${method} failed: ${error.message}`);
                }
            });
    }
}

class Varnic {
    constructor(path) {
        this._windows = new WindowService();
        this._icon = new TopBarIcon(path);
    }

    enable() {
        this._windows.enable();
        this._icon.enable();
    }

    disable() {
        this._icon.disable();
        this._windows.disable();
    }
}
