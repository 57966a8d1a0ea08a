
let varnic = null;

function init() {
}

function enable() {
    varnic = new Varnic(ExtensionUtils.getCurrentExtension().path);
    varnic.enable();
}

function disable() {
    varnic.disable();
    varnic = null;
}
