// One resize request: sets the outer frame of one window, keeping its
// position, and answers at once. The size the window takes arrives later
// through the resident script (on Wayland only after the client acknowledged
// it). Varnic prepends `varnic` and `request` ({serial, id, width, height}).

(function () {
    const windows = workspace.windowList ? workspace.windowList() : workspace.clientList();
    const window = windows.find(function (w) { return String(w.internalId) === request.id; });
    const answer = {serial: request.serial, state: "gone"};
    if (window && !window.resizeable) {
        answer.state = "fixed";
    } else if (window) {
        // KWin keeps a maximized or full-screen window at the size of the screen.
        if (window.setMaximize) window.setMaximize(false, false);
        if (window.fullScreen) window.fullScreen = false;
        const frame = window.frameGeometry;
        window.frameGeometry = {x: frame.x, y: frame.y, width: request.width,
                                height: request.height};
        answer.state = "asked";
    }
    callDBus(varnic.service, varnic.path, varnic.iface, "Resized", JSON.stringify(answer));
})();
