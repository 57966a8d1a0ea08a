#!/usr/bin/python3
"""Varnic's tray in xfce4-panel (tests/xfce's panel, under xfwm4 on a private
Xvfb), side by side with a plain Qt tray program (peer_tray), clicked with
XTEST through xdotool: click-to-menu and click-to-panel latency (median of 10),
the panel's distance from the icon, and optionally screenshots.

Run under a session bus of its own:
  dbus-run-session -- /usr/bin/python3 bench/xfce-tray-latency.py BUILD [SHOT_DIR]
BUILD has bench/peer_tray; VARNIC_BINARY names the Varnic to measure (default
BUILD/app/varnic). Both ends are what the X server reports (xev on the root
window): the click is sent; the menu is there when the host's popup menu maps,
the panel when the program's window maps (for Varnic, beside the icon).
"""
import atexit, os, queue, shutil, subprocess, sys, tempfile, threading, time

from traybench import Programs, distance, print_table

build = os.path.abspath(sys.argv[1])
shots = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else None
varnic = os.environ.get("VARNIC_BINARY") or f"{build}/app/varnic"
work = tempfile.mkdtemp(prefix="varnic-xfce-bench-")
atexit.register(shutil.rmtree, work)  # after the programs, which end first
start = Programs(work).start


def run(*argv):
    return subprocess.run(argv, capture_output=True, text=True).stdout


def until(what, check, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        if result := check():
            return result
        time.sleep(0.02)
    raise TimeoutError(what)


read, write = os.pipe()
start(["Xvfb", "-displayfd", str(write), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
      fds=(write,))
os.close(write)
os.environ["DISPLAY"] = ":" + os.read(read, 16).decode().strip()
config = f"{work}/config/xfce4/xfconf/xfce-perchannel-xml"
os.makedirs(config)
here = os.path.dirname(os.path.abspath(__file__))
shutil.copy(f"{here}/../tests/xfce/panel.xml", f"{config}/xfce4-panel.xml")
os.environ.update({"XDG_CONFIG_HOME": f"{work}/config", "NO_AT_BRIDGE": "1",
                   "QT_QPA_PLATFORM": "xcb", "XDG_SESSION_TYPE": "x11"})
# The settings store, started here: it writes back when it ends, before the folder goes.
with open("/usr/share/dbus-1/services/org.xfce.Xfconf.service") as f:
    start([line.split("=", 1)[1].strip() for line in f if line.startswith("Exec=")])
subprocess.run(["timeout", "10", "gdbus", "wait", "--session", "org.xfce.Xfconf"])
start(["xfwm4", "--compositor=off"])
until("wm ready", lambda: "window id" in run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"))
start(["xfce4-panel"])
subprocess.run(["timeout", "10", "gdbus", "wait", "--session", "org.kde.StatusNotifierWatcher"])
panel = run("xdotool", "search", "--sync", "--onlyvisible", "--class", "xfce4-panel").split()[0]
start(["xlogo", "-geometry", "400x300+300+200"])
run("xdotool", "search", "--sync", "--onlyvisible", "--class", "xlogo")

# Windows that map on the root window, as the X server reports them.
maps = queue.Queue()
xev = start(["stdbuf", "-oL", "xev", "-root", "-event", "substructure"], out=subprocess.PIPE)


def read_maps():
    mapping = False
    for line in xev.stdout:
        if line.startswith("MapNotify"):
            mapping = True
        elif mapping and "override" in line:
            maps.put((time.time(), line.split("window ")[1].split(",")[0], "override YES" in line))
            mapping = False


threading.Thread(target=read_maps, daemon=True).start()


def panel_picture():
    return subprocess.run(["import", "-window", panel, "png:-"], capture_output=True).stdout


def changed_area(before):
    """Where the panel's picture differs from before (new icons): x, y, width."""
    with open(f"{work}/before.png", "wb") as f:
        f.write(before)
    with open(f"{work}/after.png", "wb") as f:
        f.write(panel_picture())
    area = run("convert", f"{work}/before.png", f"{work}/after.png", "-compose", "difference",
               "-composite", "-format", "%@", "info:")
    width, rest = area.split("x", 1)
    height, x, y = map(int, rest.split("+"))
    return (x, y + height // 2, int(width)) if 8 <= int(width) < 128 else None


def program_window(proc):
    found = run("xdotool", "search", "--onlyvisible", "--pid", str(proc.pid)).split()
    return found[0] if found else None


before = panel_picture()
items = {"varnic": start([varnic]), "peer": start([f"{build}/bench/peer_tray"])}
# Both icons drawn: two cells side by side; which is whose, a left click on the
# first tells.
x, y, width = until("icons drawn", lambda: (a := changed_area(before)) and a[2] > 32 and a)
time.sleep(0.5)
first = (x + width // 4, y)
run("xdotool", "mousemove", str(first[0]), str(first[1]), "click", "1")
owner = until("opened", lambda: next((n for n, p in items.items() if program_window(p)), None))
run("xdotool", "click", "1")
until("closed", lambda: not program_window(items[owner]))
icons = {owner: first, ({"varnic", "peer"} - {owner}).pop(): (x + 3 * width // 4, y)}
print("icons", icons, file=sys.stderr)


def window_at(window):
    """Geometry of a client window (x, y, width, height) in root coordinates."""
    values = dict(line.split("=") for line in run("xdotool", "getwindowgeometry", "--shell",
                                                  window).split())
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def click(at, button):
    while not maps.empty():
        maps.get()
    t = time.time()
    run("xdotool", "mousemove", str(at[0]), str(at[1]), "click", str(button))
    return t


def shot(name):
    subprocess.run(["import", "-window", "root", f"{shots}/{name}.png"])


results = {}
for name, proc in items.items():
    at = icons[name]
    menu, panel_times, far = [], [], []
    for i in range(10):
        t0 = click(at, 3)
        t1, _, override = maps.get(timeout=5)
        while not override:
            t1, _, override = maps.get(timeout=5)
        menu.append(t1 - t0)
        if shots and i == 0 and name == "varnic":
            run("xdotool", "key", "Down", "Right")
            time.sleep(0.8)  # drawn
            shot("xfce-menu")
        run("xdotool", "key", "Escape")  # closes the whole menu
        time.sleep(0.3)
        t0 = click(at, 1)
        t1, _, override = maps.get(timeout=5)
        while override:  # a tooltip
            t1, _, override = maps.get(timeout=5)
        window = until("mapped", lambda: program_window(proc))
        # Varnic's panel counts once it stands beside the icon.
        while name == "varnic" and distance(window_at(window), at) > 80 and time.time() < t0 + 3:
            time.sleep(0.005)
            t1 = time.time()
        panel_times.append(t1 - t0)
        far.append(distance(window_at(window), at))
        print(name, i, f"menu {menu[-1] * 1000:.0f} ms, panel {panel_times[-1] * 1000:.0f} ms,"
              f" {far[-1]:.0f} px", file=sys.stderr)
        if shots and i == 0 and name == "varnic":
            time.sleep(0.8)
            shot("xfce-panel")
        click(at, 1)  # closes it
        until("closed", lambda: not program_window(proc), 5)
        time.sleep(0.3)
    results[name] = (menu, panel_times, far)

print_table(results)
