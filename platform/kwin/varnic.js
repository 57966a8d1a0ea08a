// Varnic's resident KWin script. It tells Varnic, over D-Bus, about every
// window, its changes, its removal and each activation, so that Varnic keeps a
// mirror and never asks KWin during a discovery. Varnic prepends `varnic`, the
// address its reports go to. The names differ between Plasma 5 and 6; the
// script uses whichever exist.

// callDBus is bound to KWin's script object: called directly, never through apply.
function report(method, text, more) {
    if (more === undefined) {
        callDBus(varnic.service, varnic.path, varnic.iface, method, text);
    } else {
        callDBus(varnic.service, varnic.path, varnic.iface, method, text, more);
    }
}

function idOf(window) {
    return window ? String(window.internalId) : "";
}

function rect(r) {
    return r ? {x: r.x, y: r.y, width: r.width, height: r.height} : null;
}

function size(s) {
    return s ? {width: s.width, height: s.height} : null;
}

function describe(window) {
    report("Window", JSON.stringify({
        id: idOf(window),
        pid: window.pid,
        x11Window: window.windowId || 0,
        resourceClass: String(window.resourceClass || ""),
        frame: rect(window.frameGeometry),
        client: rect(window.clientGeometry),
        minSize: size(window.minSize),
        maxSize: size(window.maxSize),
        normal: !!window.normalWindow,
        dialog: !!window.dialog,
        desktop: !!window.desktopWindow,
        dock: !!window.dock,
        popup: !!(window.popupMenu || window.dropdownMenu || window.tooltip),
        notification: !!window.notification,
        keepAbove: !!window.keepAbove,
        skipTaskbar: !!window.skipTaskbar,
        minimized: !!window.minimized,
        resizeable: !!window.resizeable,
        stacking: window.stackingOrder
    }), String(window.caption || ""));
}

function follow(window) {
    if (!window) return;
    const again = function () { describe(window); };
    for (const name of ["frameGeometryChanged", "captionChanged", "stackingOrderChanged",
                        "minimizedChanged", "keepAboveChanged"]) {
        if (window[name]) window[name].connect(again);
    }
    describe(window);
}

const windows = workspace.windowList ? workspace.windowList() : workspace.clientList();
const added = workspace.windowAdded || workspace.clientAdded;
const removed = workspace.windowRemoved || workspace.clientRemoved;
const activated = workspace.windowActivated || workspace.clientActivated;
const active = function () {
    return "activeWindow" in workspace ? workspace.activeWindow : workspace.activeClient;
};

for (const window of windows) follow(window);
added.connect(follow);
removed.connect(function (window) { report("Removed", idOf(window)); });
activated.connect(function (window) { report("Activated", idOf(window)); });
report("Activated", idOf(active()));
report("Ready", workspace.windowList ? "windowList" : "clientList");
