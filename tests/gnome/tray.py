#!/usr/bin/python3
# Varnic's icon in GNOME Shell's top bar, clicked as a user would (through the
# test-input extension's virtual pointer and keyboard), judged by what the
# shell reports: the menu it draws, the frames of the windows it manages.
# Runs inside gnome-session.sh. Usage: tray.py own-icon|appindicator VARNIC
import os
import subprocess
import sys
import time

from gi.repository import Gio, GLib

scenario, varnic_binary = sys.argv[1], sys.argv[2]
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
# The session's home is fresh: Varnic's settings and log go there.
log_path = os.path.join(os.environ['HOME'], 'varnic.log')
WINDOWS = os.path.join(os.path.dirname(__file__), 'windows.py')
KEY_SPACE, KEY_RETURN, KEY_ESCAPE, KEY_RIGHT, KEY_DOWN = 0x20, 0xff0d, 0xff1b, 0xff53, 0xff54
TO_720P = [(KEY_DOWN, 'Resize to...'), (KEY_RIGHT, '1080p (Full HD) (1920x1080)'),
           (KEY_DOWN, '720p (HD) (1280x720)')]
# The AppIndicator host shows the menu on a left click too, and Varnic puts
# "Open Varnic" first in it there.
tray = scenario == 'appindicator'


def log():
    with open(log_path) as text:
        return text.read()


def fail(message):
    print(f'FAIL ({scenario}): {message}\n--- varnic log ---\n{log()}', file=sys.stderr, flush=True)
    print(f"indicators: {test_input('Indicators')}", file=sys.stderr)
    if owned('io.github.varnic.Extension'):
        print(f"windows: {extension('ListWindows')[0]}", file=sys.stderr)
    raise SystemExit(1)


def call(name, path, interface, method, *args, signature=''):
    arguments = GLib.Variant(f'({signature})', args) if signature else None
    return bus.call_sync(name, path, interface, method, arguments, None, 0, 10000, None).unpack()


def test_input(method, *args, signature=''):
    return call('io.github.varnic.TestInput', '/io/github/varnic/TestInput',
                'io.github.varnic.TestInput', method, *args, signature=signature)


def switch(method, uuid):
    call('org.gnome.Shell', '/org/gnome/Shell', 'org.gnome.Shell.Extensions', method, uuid,
         signature='s')


def owned(name):
    return call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
                'NameHasOwner', name, signature='s')[0]


def wait(what, probe, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.02)
    fail(what)


def extension(method, *args, signature=''):
    return call('io.github.varnic.Extension', '/io/github/varnic/Extension',
                'io.github.varnic.Extension1', method, *args, signature=signature)


def window(process, title):
    return next((w for w in extension('ListWindows')[0] if w[1] == process.pid and w[3] == title),
                None)


def focused(process, title):
    """The frame of the window, once it has the focus."""
    return wait(f'"{title}" did not get the focus',
                lambda: (w := window(process, title)) and w[6] and w[4])


def indicator(own=None):
    """Varnic's icon: the tray's item while the AppIndicator host shows it, else its own."""
    own = not tray if own is None else own
    return next((found for found in test_input('Indicators')[0]
                 if (found[0] == 'varnic' if own else varnics_item(found[0]))), None)


def varnics_item(key):
    """The tray names an item by the connection that registered it: appindicator-BUS@PATH."""
    if not key.startswith('appindicator-') or '@' not in key:
        return False
    connection = key.removeprefix('appindicator-').split('@')[0]
    try:
        return call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
                    'GetConnectionUnixProcessID', connection, signature='s')[0] == varnic.pid
    except GLib.Error:  # a connection that has gone
        return False


def laid_out():
    """The top bar lays a new indicator out after adding it: until then it has no size.
    A tray fills its menu later: "Resize to..." becomes a submenu last."""
    return (found := indicator()) and found[1][2] > 0 and found[3]


def key(keyval, focus=None):
    """Presses a key; waits until the menu item labelled focus has the key focus."""
    test_input('Key', keyval, signature='u')
    if focus:
        wait(f'the key focus did not reach "{focus}"', lambda: test_input('KeyFocus')[0] == focus)


def pick(button, *items):
    """Clicks the icon; where a menu opens, takes the item the keys reach."""
    x, y, width, height = indicator()[1]
    test_input('Click', x + width // 2, y + height // 2, button, signature='iiu')
    if button == 1 and not tray:
        return
    wait(f'no menu on button {button}', lambda: (found := indicator()) and found[2])
    for keyval, focus in ([(KEY_DOWN, 'Open Varnic')] if tray else []) + list(items):
        key(keyval, focus)
    key(KEY_RETURN)


def gap(a, b):
    """Pixels between two rectangles (x, y, w, h); 0 when they touch or overlap."""
    dx = max(a[0] - (b[0] + b[2]), b[0] - (a[0] + a[2]), 0)
    dy = max(a[1] - (b[1] + b[3]), b[1] - (a[1] + a[3]), 0)
    return max(dx, dy)


wait('no test input', lambda: owned('io.github.varnic.TestInput'))
# As at a login: programs start once the shell is up (the AppIndicator
# extension drops an item that registers while it is still starting).
wait('the shell did not settle', lambda: test_input('Settled')[0], 30)
if tray:
    # Varnic starts without its extension: the onboarding panel's button has
    # GNOME Shell switch it on.
    switch('DisableExtension', 'varnic@varnic.github.io')
    wait('the extension stayed on', lambda: not owned('io.github.varnic.Extension'))
demo = subprocess.Popen([sys.executable, WINDOWS, 'Resize me'], stdout=subprocess.DEVNULL)
with open(log_path, 'w') as output:
    varnic = subprocess.Popen([varnic_binary], stdout=output, stderr=subprocess.STDOUT)
fixed = None
try:
    wait('no GNOME Shell backend', lambda: 'Window system: GNOME Shell ' in log(), 30)
    wait('no icon with a menu in the top bar', laid_out)
    if tray:
        pick(1)
        # Keys reach the panel once the shell gives them to the windows (not
        # to the tray's button, which keeps them a while after its menu went),
        # the shell's focus window is the panel and the X server's focus is in it.
        wait('the onboarding panel did not take the focus', lambda: not test_input('KeyFocus')[0]
             and test_input('FocusPid')[0] == varnic.pid
             and subprocess.run(['xdotool', 'getwindowfocus', 'getwindowpid'],
                                capture_output=True, text=True).stdout.strip() == str(varnic.pid))
        key(KEY_SPACE)
        wait('the extension did not come back', lambda: owned('io.github.varnic.Extension'))
        wait('the panel did not turn', lambda: 'isAuthorized : true' in log())
        key(KEY_ESCAPE)
        wait('the panel stayed open', lambda: window(varnic, 'Varnic') is None)
    # A window that takes the focus closes an open menu.
    focused(demo, 'Resize me')
    pick(3, *TO_720P)
    wait('the window did not become 1280x720',
         lambda: tuple(window(demo, 'Resize me')[4][2:]) == (1280, 720))
    # The extension keeps the frame's place (the first resize may meet a
    # window that does not fit where it is: GNOME Shell moves it).
    before = window(demo, 'Resize me')
    if extension('Resize', before[0], 1000, 700, signature='tii')[0] != (*before[4][:2], 1000, 700):
        fail('the window moved')

    # A window of one size: a failure said, the window as it was.
    fixed = subprocess.Popen([sys.executable, WINDOWS, 'Fixed size', '--fixed'],
                             stdout=subprocess.DEVNULL)
    frame = focused(fixed, 'Fixed size')
    pick(3, *TO_720P)
    wait('no failure on the fixed window', lambda: 'Failed to set window size for ' in log())
    if window(fixed, 'Fixed size')[4] != frame:
        fail('the fixed window changed')
    fixed.kill()
    focused(demo, 'Resize me')

    # Left click: the panel beside the icon, for the window that had the focus.
    pick(1)
    # A loaded machine delays Varnic's questions to the shell by seconds.
    wait('the panel did not come near the icon',
         lambda: (w := window(varnic, 'Varnic')) and gap(w[4], indicator()[1]) <= 80, 60)
    wait('the panel is not for "Resize me"', lambda: any(
        line.startswith(('fetchActiveWindowInfo: using last non-self app pid=',
                         'fetchActiveWindowInfo: AXFocusedApplication pid=')) and
        f'pid={demo.pid} ' in line for line in log().splitlines()))
    if tray:
        # Varnic's own icon only while no tray shows its item: the tray goes, the icon comes.
        if indicator(own=True):
            fail('two icons in the top bar')
        switch('DisableExtension', 'ubuntu-appindicators@ubuntu.com')
        tray = False
        wait('no own icon once the tray went', laid_out)
    pick(1)
    wait('the panel stayed open', lambda: window(varnic, 'Varnic') is None)
    if scenario == 'appindicator':
        # The tray comes back, Varnic's item with it, and Quit is chosen there.
        switch('EnableExtension', 'ubuntu-appindicators@ubuntu.com')
        tray = True
        wait('no item once the tray came back', laid_out)
    pick(3, (KEY_DOWN, 'Resize to...'), (KEY_DOWN, 'Quit'))
    wait('Quit did not end Varnic', lambda: varnic.poll() is not None, 10)
    if varnic.returncode != 0:
        fail(f'Varnic exited with {varnic.returncode}')
    # Quit waits for the host's "closed", which would otherwise reach no one
    # (the AppIndicator host logs the error). A round trip lets the shell log it.
    test_input('KeyFocus')
    if "No such object path '/MenuBar'" in open(os.environ['VARNIC_SHELL_LOG']).read():
        fail('Varnic quit before the host closed its menu')
    print(f'PASS ({scenario})')
finally:
    for process in (varnic, demo, fixed):
        if process and process.poll() is None:
            process.kill()
        if process:
            process.wait()
