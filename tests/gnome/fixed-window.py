#!/usr/bin/env python3
# A native Wayland window of a fixed size (not resizable), titled by argv[1].
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gtk  # noqa: E402

window = Gtk.Window(title=sys.argv[1] if len(sys.argv) > 1 else "Fixed")
window.set_resizable(False)
window.set_default_size(400, 300)
window.connect("destroy", Gtk.main_quit)
window.show_all()
Gtk.main()
