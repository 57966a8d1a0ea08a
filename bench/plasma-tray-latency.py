#!/usr/bin/python3
"""Varnic's tray in Plasma 5.27's panel (plasmashell under a headless KWin),
side by side with a plain Qt tray program (peer_tray), clicked through KWin's
fake input: click-to-menu and click-to-panel latency (median of 10), the
panel's distance from the icon, and optionally screenshots (KWin then
composites with OpenGL on Mesa's software renderer).

Run as a desktop session would (KWin refuses root):
  bash tests/wayland/as-test-user.sh /usr/bin/python3 bench/plasma-tray-latency.py BUILD [SHOT_DIR]
BUILD has the tests and benchmarks (varnic_fake_input, peer_tray); VARNIC_BINARY
names the Varnic to measure (default BUILD/app/varnic). Both ends are what KWin
reports: the click is sent; the menu is there when the host asks the item's
menu to get ready (AboutToShow: Plasma shows it then), the panel when a script
of KWin's says the program's window appeared (for Varnic, stood beside the icon).
"""
import json, os, shutil, subprocess, sys, time

from gi.repository import Gio, GLib
from traybench import Programs, await_line, distance, print_table

build = os.path.abspath(sys.argv[1])
shots = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else None
varnic = os.environ.get("VARNIC_BINARY") or f"{build}/app/varnic"
fake = f"{build}/tests/plasma/varnic_fake_input"
work = os.environ["VARNIC_SESSION_DIR"]
programs = Programs(work)
start = programs.start

os.makedirs(f"{work}/bin")
shutil.copy("/usr/bin/kwin_wayland", f"{work}/bin/kwin_wayland")
with open(f"{work}/announce.sh", "w") as f:
    f.write('#!/bin/sh\necho "ready $WAYLAND_DISPLAY $DISPLAY"\n')
os.chmod(f"{work}/announce.sh", 0o755)
compose = {"KWIN_COMPOSE": "O2", "LIBGL_ALWAYS_SOFTWARE": "1",
           "KWIN_SCREENSHOT_NO_PERMISSION_CHECKS": "1"} if shots else {"KWIN_COMPOSE": "Q"}
kwin = start([f"{work}/bin/kwin_wayland", "--virtual", "--no-lockscreen", "--width", "1920",
              "--height", "1080", "--xwayland", "--socket", f"varnic-bench-{os.getpid()}",
              f"{work}/announce.sh"], {**compose, "KWIN_WAYLAND_NO_PERMISSION_CHECKS": "1"},
             subprocess.PIPE)
_, wayland, display = await_line(kwin.stdout, "ready ").split()
os.environ.update({"WAYLAND_DISPLAY": wayland, "DISPLAY": display, "NO_AT_BRIDGE": "1"})
# KWin's print() goes to its standard error; the log is read from here on.
kwin_log = open(f"{work}/kwin_wayland.log")
kwin_log.seek(0, 2)
monitor = start(["dbus-monitor", "--session"], out=subprocess.PIPE)
await_line(monitor.stdout, "member=NameLost")
hold = start([fake, "hold"], out=subprocess.PIPE)
await_line(hold.stdout, "ready")
qt = {"QT_QPA_PLATFORM": "wayland"}
start(["/usr/lib/x86_64-linux-gnu/libexec/kactivitymanagerd"], qt)
await_line(monitor.stdout, 'string "org.kde.ActivityManager"')
start(["kded5"], qt)
await_line(monitor.stdout, 'string "org.kde.kded5"')
subprocess.run(["qdbus", "org.kde.kded5", "/kded", "org.kde.kded5.loadModule",
                "statusnotifierwatcher"], check=True, stdout=subprocess.DEVNULL)
# plasmashell tells a session's splash screen how far it got: with the name held
# here the call fails at once, where the bus would start a stand-in that stays a minute.
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
              GLib.Variant("(su)", ("org.kde.KSplash", 4)), None, 0, -1)
start(["plasmashell", "--no-respawn"], qt)
await_line(monitor.stdout, "member=RegisterStatusNotifierHost")


def run_script(text):
    """Loads and runs a KWin script that stays loaded."""
    path = f"{work}/script-{len(programs.started)}-{time.time()}.js"
    with open(path, "w") as f:
        f.write(text)
    out = subprocess.run(["qdbus", "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting.loadScript",
                          path, os.path.basename(path)], capture_output=True, text=True)
    subprocess.run(["qdbus", "org.kde.KWin", f"/{out.stdout.strip()}", "org.kde.kwin.Script.run"],
                   stdout=subprocess.DEVNULL)


# Every window that appears or moves, with KWin's clock (ms since the epoch).
run_script("""
function tell(kind, w) {
  const g = w.frameGeometry;
  print("varnic-bench " + JSON.stringify({kind: kind, t: Date.now(), pid: w.pid, cls: String(w.resourceClass),
    x: g.x, y: g.y, w: g.width, h: g.height}));
}
workspace.clientAdded.connect(function (w) {
  tell("added", w);
  w.frameGeometryChanged.connect(function () { tell("moved", w); });
});
workspace.clientRemoved.connect(function (w) { tell("removed", w); });
""")


def window_event(pred, timeout=5):
    until = time.time() + timeout
    while time.time() < until:
        line = kwin_log.readline()
        if not line:
            time.sleep(0.002)
            continue
        if "varnic-bench " in line:
            event = json.loads(line.split("varnic-bench ", 1)[1])
            if pred(event):
                return event
    return None


def tray():
    out = subprocess.run(["qdbus", "org.kde.plasmashell", "/PlasmaShell",
                          "org.kde.PlasmaShell.evaluateScript",
                          "const p = panels()[0]; const t = p.widgets('org.kde.plasma.systemtray')[0];"
                          "print(JSON.stringify([t.geometry.x, t.geometry.width, p.height]));"],
                         capture_output=True, text=True).stdout
    x, width, height = json.loads(out)
    return x, width, 1080 - height // 2


def grown(before):
    until = time.time() + 10
    while time.time() < until:
        now = tray()
        if now[1] > before[1]:
            return now
        time.sleep(0.05)
    raise TimeoutError("the tray did not grow")


def fake_input(*args):
    subprocess.run([fake, *map(str, args)], check=True)


def click(at, button):
    window_event(lambda e: False, 0.01)  # what came before the click
    t = time.time()
    fake_input("click", at[0], at[1], button)
    return t


def frame(e):
    return e["x"], e["y"], e["w"], e["h"]


def screenshot(name):
    """The screen, through KWin's ScreenShot2 interface, as a PNG."""
    read, write = os.pipe()
    fds = Gio.UnixFDList.new_from_array([write])
    reply, _ = bus.call_with_unix_fd_list_sync(
        "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2", "CaptureScreen",
        GLib.Variant("(sa{sv}h)", ("Virtual-0", {}, 0)), None, 0, 5000, fds)
    os.close(write)
    meta = reply.unpack()[0]
    raw = b""
    while chunk := os.read(read, 1 << 20):
        raw += chunk
    os.close(read)
    subprocess.run(["/usr/bin/convert", "-size", f"{meta['width']}x{meta['height']}", "-depth", "8",
                    "bgra:-", f"{shots}/{name}.png"], input=raw, check=True)


gtk = start(["gtk3-demo"], {"GDK_BACKEND": "wayland"})
window_event(lambda e: e["cls"] == "gtk3-demo")
items = {}
before = tray()
for name, argv in (("varnic", [varnic]), ("peer", [f"{build}/bench/peer_tray"])):
    p = start(argv, {"XDG_CONFIG_HOME": f"{work}/config"})
    now = grown(before)
    items[name] = (p, now[1] - before[1])
    before = now
# Each item took one cell; which one leads is what a right click on the first says.
x, width, y = before
cell = items["varnic"][1]
fake_input("click", x + cell // 2, y, "right")
line = await_line(monitor.stdout, "member=AboutToShow")
first = "varnic" if f"-{items['varnic'][0].pid}-" in line else "peer"
await_line(monitor.stdout, 'string "opened"')
fake_input("key", "Escape")
await_line(monitor.stdout, 'string "closed"')
icons = {first: (x + cell // 2, y), ({"varnic", "peer"} - {first}).pop(): (x + cell + cell // 2, y)}

results = {}
for name, (proc, _) in items.items():
    menu, panel, far = [], [], []
    for i in range(10):
        t0 = click(icons[name], "right")
        line = await_line(monitor.stdout, "member=AboutToShow")
        while float(line.split("time=")[1].split()[0]) < t0:  # an earlier menu's
            line = await_line(monitor.stdout, "member=AboutToShow")
        menu.append(float(line.split("time=")[1].split()[0]) - t0)
        await_line(monitor.stdout, 'string "opened"')
        if shots and i == 0 and name == "varnic":
            fake_input("key", "Down")
            time.sleep(0.5)  # drawn
            screenshot("plasma-menu")
        fake_input("key", "Escape")
        await_line(monitor.stdout, 'string "closed"')
        t0 = click(icons[name], "left")
        opened = window_event(lambda e: e["pid"] == proc.pid and e["kind"] == "added")
        placed = opened
        # Varnic's panel maps, then Varnic moves it beside the icon.
        while name == "varnic" and placed and distance(frame(placed), icons[name]) > 80:
            placed = window_event(lambda e: e["pid"] == proc.pid and e["kind"] == "moved", 3)
        if placed:
            panel.append(placed["t"] / 1000 - t0)
            far.append(distance(frame(placed), icons[name]))
        if shots and i == 0 and name == "varnic":
            time.sleep(0.5)
            screenshot("plasma-panel")
        if opened:
            click(icons[name], "left")  # closes it
            window_event(lambda e: e["pid"] == proc.pid and e["kind"] == "removed")
        print(name, i, menu[-1:], panel[-1:], file=sys.stderr)
    results[name] = (menu, panel, far)

print_table(results)
