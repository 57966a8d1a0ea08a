#!/usr/bin/python3
# Native Wayland test windows (GTK 3): COUNT windows titled TITLE, of a fixed
# size with --fixed. Prints "ready" once all are shown.
import argparse

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

options = argparse.ArgumentParser()
options.add_argument("title")
options.add_argument("--fixed", action="store_true")
options.add_argument("--count", type=int, default=1)
arguments = options.parse_args()

for number in range(arguments.count):
    window = Gtk.Window(title=arguments.title)
    window.set_resizable(not arguments.fixed)
    window.set_default_size(400, 300)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
print("ready", flush=True)
Gtk.main()
