// GNOME Shell 40 to 44: imports.* and init().
const {Clutter, Gio, GLib} = imports.gi;
const Main = imports.ui.main;
const Extension = Object;

