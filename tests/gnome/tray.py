#!/usr/bin/env python3
# Varnic's icon in GNOME Shell's top bar, clicked as a user would (through the
# test-input extension's virtual pointer and keyboard), judged by what the
# shell reports: the menu it draws, the frames of the windows it manages.
# Runs inside gnome-session.sh. Usage: tray.py own-icon|appindicator VARNIC
# Prints the panel's distance from the icon.
import os
import shutil
import subprocess
import sys
import tempfile
import time

from gi.repository import Gio, GLib

scenario, varnic_binary = sys.argv[1], sys.argv[2]
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
work = tempfile.mkdtemp()
log_path = os.path.join(work, 'varnic.log')
KEY_RETURN, KEY_RIGHT, KEY_DOWN = 0xff0d, 0xff53, 0xff54
# The AppIndicator host shows the menu on a left click too, and Varnic puts
# "Open Varnic" first in it there.
APPINDICATOR = scenario == 'appindicator'


def fail(message):
    print(f'FAIL ({scenario}): {message}', file=sys.stderr)
    print(f"indicators: {test_input('Indicators')}\nwindows: {windows()}", file=sys.stderr)
    with open(log_path) as log:
        sys.stderr.write('--- varnic log ---\n' + log.read())
    raise SystemExit(1)


def call(name, path, interface, method, args=None):
    reply = bus.call_sync(name, path, interface, method, args, None, Gio.DBusCallFlags.NONE,
                          10000, None)
    return reply.unpack() if reply else None


def test_input(method, *args, signature=''):
    return call('io.github.varnic.TestInput', '/io/github/varnic/TestInput',
                'io.github.varnic.TestInput', method,
                GLib.Variant(f'({signature})', args) if signature else None)


def wait(what, probe, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.02)
    fail(what)


def windows():
    (listed,) = call('io.github.varnic.Extension', '/io/github/varnic/Extension',
                     'io.github.varnic.Extension1', 'ListWindows')
    return listed


def window(pid, title=None):
    return next((w for w in windows() if w[1] == pid and (title is None or w[3] == title)), None)


def varnic_icon(key):
    if APPINDICATOR:
        return key.startswith('appindicator-') and f'-{varnic.pid}-' in key
    return key == 'varnic'


def indicator(matches=varnic_icon):
    (indicators,) = test_input('Indicators')
    return next((found for found in indicators if matches(found[0])), None)


def icon():
    return indicator()[1]


def menu_open():
    found = indicator()
    return found and found[2]


def click(button):
    _, (x, y, width, height), _, _ = indicator()
    test_input('Click', x + width // 2, y + height // 2, button, signature='iiu')


def key(keyval, focus=None):
    """Presses a key; waits until the menu item labelled focus has the key focus."""
    test_input('Key', keyval, signature='u')
    if focus:
        wait(f'the key focus did not reach "{focus}"', lambda: test_input('KeyFocus')[0] == focus)


def gap(a, b):
    """Pixels between two rectangles (x, y, w, h); 0 when they touch or overlap."""
    dx = max(a[0] - (b[0] + b[2]), b[0] - (a[0] + a[2]), 0)
    dy = max(a[1] - (b[1] + b[3]), b[1] - (a[1] + a[3]), 0)
    return max(dx, dy)


wait('no test input', lambda: bus.call_sync(
    'org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'NameHasOwner',
    GLib.Variant('(s)', ('io.github.varnic.TestInput',)), None, 0, 1000, None).unpack()[0])
# As at a login: programs start once the shell is up (the AppIndicator
# extension drops an item that registers while it is still starting).
wait('the shell did not settle', lambda: test_input('Settled')[0], 30)
demo = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), 'windows.py'),
                         'Resize me'], stdout=subprocess.PIPE, text=True)
env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, 'config'))
with open(log_path, 'w') as log:
    varnic = subprocess.Popen([varnic_binary], stdout=log, stderr=subprocess.STDOUT, env=env)
try:
    if demo.stdout.readline().strip() != 'ready':
        fail('the test window did not show')
    wait('no GNOME Shell backend', lambda: 'Window system: GNOME Shell ' in open(log_path).read(), 30)
    # The top bar lays a new indicator out after adding it: until then it has no size.
    wait('no icon with a menu in the top bar',
         lambda: (found := indicator()) and found[3] > 0 and found[1][2] > 0)

    # A window that takes the focus closes an open menu.
    wait('the test window did not get the focus',
         lambda: (w := window(demo.pid, 'Resize me')) and w[6])

    # Right click: the shell's menu; by keyboard to the second preset.
    click(3)
    wait('no menu on a right click', menu_open)
    if APPINDICATOR:
        key(KEY_DOWN, 'Open Varnic')
    key(KEY_DOWN, 'Resize to...')
    key(KEY_RIGHT, '1080p (Full HD) (1920x1080)')
    key(KEY_DOWN, '720p (HD) (1280x720)')
    key(KEY_RETURN)
    wait('the window did not become 1280x720',
         lambda: (w := window(demo.pid, 'Resize me')) and tuple(w[4][2:]) == (1280, 720))

    # Left click: the panel beside the icon.
    click(1)
    if APPINDICATOR:
        wait('no menu on a left click', menu_open)
        key(KEY_DOWN, 'Open Varnic')
        key(KEY_RETURN)
    wait('no panel on a left click', lambda: window(varnic.pid, 'Varnic'))
    # A loaded machine delays Varnic's questions to the shell by seconds.
    frame = wait('the panel did not come near the icon',
                 lambda: (w := window(varnic.pid, 'Varnic')) and gap(w[4], icon()) <= 80 and w[4],
                 60)
    print(f'{scenario}: icon {tuple(icon())}, panel {tuple(frame)}, {gap(frame, icon())} px away')
    if APPINDICATOR:
        # Varnic's own icon only while no tray shows its item: the tray goes, the icon comes.
        if indicator(lambda found: found == 'varnic'):
            fail('two icons in the top bar')
        call('org.gnome.Shell', '/org/gnome/Shell', 'org.gnome.Shell.Extensions',
             'DisableExtension', GLib.Variant('(s)', ('ubuntu-appindicators@ubuntu.com',)))
        APPINDICATOR = False
        wait('no own icon once the tray went', lambda: (found := indicator()) and found[1][2] > 0)
    click(1)
    wait('the panel stayed open', lambda: window(varnic.pid, 'Varnic') is None)
    if scenario == 'appindicator':
        # The tray comes back, Varnic's item with it, and Quit is chosen there.
        call('org.gnome.Shell', '/org/gnome/Shell', 'org.gnome.Shell.Extensions',
             'EnableExtension', GLib.Variant('(s)', ('ubuntu-appindicators@ubuntu.com',)))
        APPINDICATOR = True
        wait('no item once the tray came back',
             lambda: (found := indicator()) and found[3] > 0 and found[1][2] > 0)
    click(3)
    wait('no menu for Quit', menu_open)
    if APPINDICATOR:
        key(KEY_DOWN, 'Open Varnic')
    key(KEY_DOWN, 'Resize to...')
    key(KEY_DOWN, 'Quit')
    key(KEY_RETURN)
    try:
        status = varnic.wait(10)
    except subprocess.TimeoutExpired:
        fail('Quit did not end Varnic')
    if status != 0:
        fail(f'Varnic exited with {status}')
    # Quit waits for the host's "closed", which would otherwise reach no one
    # (the AppIndicator host logs the error). A round trip lets the shell log it.
    test_input('KeyFocus')
    if "No such object path '/MenuBar'" in open(os.environ['VARNIC_SHELL_LOG']).read():
        fail('Varnic quit before the host closed its menu')
    print(f'PASS ({scenario})')
finally:
    for process in (varnic, demo):
        if process.poll() is None:
            process.kill()
            process.wait()
    shutil.rmtree(work)
