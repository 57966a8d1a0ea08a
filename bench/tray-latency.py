#!/usr/bin/python3
"""Varnic's tray in waybar under headless sway, side by side with a plain Qt
tray program (peer_tray): click-to-menu and click-to-panel latency (median of
10), the panel's distance from the icon, and optionally screenshots.

Run as a desktop session would (sway refuses root):
  bash tests/wayland/as-test-user.sh /usr/bin/python3 bench/tray-latency.py BUILD [SHOT_DIR]
Click-to-menu ends at the host's AboutToShowGroup call (it shows the menu
then); click-to-panel ends when sway maps the window, and for Varnic when the
window stands beside the icon.
"""
import json, os, socket, struct, subprocess, sys, time

from traybench import Programs, await_line, distance, print_table

build = os.path.abspath(sys.argv[1])
shots = sys.argv[2] if len(sys.argv) > 2 else None
here = os.path.dirname(os.path.abspath(__file__))
work = os.environ["VARNIC_SESSION_DIR"]
start = Programs(work).start


class Ipc:
    def __init__(self, path):
        self.s = socket.socket(socket.AF_UNIX)
        self.s.connect(path)

    def send(self, kind, payload=""):
        data = payload.encode()
        self.s.sendall(b"i3-ipc" + struct.pack("=II", len(data), kind) + data)

    def recv(self):
        head = self._read(14)
        length, kind = struct.unpack("=II", head[6:])
        return kind, json.loads(self._read(length))

    def _read(self, n):
        buf = b""
        while len(buf) < n:
            buf += self.s.recv(n - len(buf))
        return buf

    def run(self, command):
        self.send(0, command)
        return self.recv()[1]


with open(f"{work}/config", "w") as f:
    f.write("output HEADLESS-1 resolution 1920x1080\nxwayland enable\n"
            'exec echo "ready $WAYLAND_DISPLAY $DISPLAY"\n')
sock = f"{work}/sway.sock"
sway = start(["sway", "-c", f"{work}/config"],
             {"WLR_BACKENDS": "headless", "WLR_RENDERER": "pixman",
              "WLR_LIBINPUT_NO_DEVICES": "1", "SWAYSOCK": sock}, subprocess.PIPE)
_, wayland, display = sway.stdout.readline().split()
env = {"WAYLAND_DISPLAY": wayland, "DISPLAY": display, "SWAYSOCK": sock}
os.environ.update(env)
ipc, events = Ipc(sock), Ipc(sock)
events.send(2, '["window"]')
events.recv()
monitor = start(["dbus-monitor", "--session"], out=subprocess.PIPE)


def await_window(pred):
    """The first window event pred accepts, or (None, None) after 5 s without one."""
    events.s.settimeout(5)
    try:
        while True:
            kind, event = events.recv()
            if pred(event):
                return time.time(), event
    except socket.timeout:
        return None, None


vp = start([f"{build}/tests/sway/varnic_virtual_pointer"], out=subprocess.PIPE)
vp.stdout.readline()
start(["waybar", "-c", f"{here}/../tests/sway/waybar/config.json",
       "-s", f"{here}/../tests/sway/waybar/style.css"])
await_line(monitor.stdout, "member=RegisterStatusNotifierHost")
start(["foot"])
await_window(lambda e: e["change"] == "focus")
items = {}
for name, argv in (("varnic", [f"{build}/app/varnic"]), ("peer", [f"{build}/bench/peer_tray"])):
    p = start(argv)
    line = await_line(monitor.stdout, "member=GetLayout")
    items[name] = (p, line.split("destination=")[1].split()[0])
# Two 24 px icons, 8 px apart, centred on the bar, in the order they came.
icons = {"varnic": (944, 15), "peer": (976, 15)}


def drain():
    """Drops the window events already queued, so that a wait sees only new ones."""
    events.s.settimeout(0.05)
    try:
        while True:
            events.recv()
    except socket.timeout:
        pass


def click(at, button):
    drain()
    ipc.run(f"seat seat0 cursor set {at[0]} {at[1]}")
    t = time.time()
    ipc.run(f"seat seat0 cursor press {button}")
    ipc.run(f"seat seat0 cursor release {button}")
    return t


def shot(name):
    if shots:
        subprocess.run(["grim", f"{shots}/{name}.png"])


def frame(rect):
    return rect["x"], rect["y"], rect["width"], rect["height"]


def node_of(pid):
    def walk(n):
        if n.get("pid") == pid:
            return n
        for k in ("nodes", "floating_nodes"):
            for c in n.get(k, []):
                found = walk(c)
                if found:
                    return found
    ipc.send(4)
    return walk(ipc.recv()[1])


results = {}
for name, (proc, dest) in items.items():
    menu, panel, far = [], [], []
    for i in range(10):
        t0 = click(icons[name], "BTN_RIGHT")
        line = await_line(monitor.stdout, "member=AboutToShowGroup")
        while float(line.split("time=")[1].split()[0]) < t0:  # an earlier menu's
            line = await_line(monitor.stdout, "member=AboutToShowGroup")
        assert dest in line, line
        menu.append(float(line.split("time=")[1].split()[0]) - t0)
        if i == 0 and name == "varnic":
            time.sleep(0.6)
            ipc.run(f"seat seat0 cursor set {icons[name][0] + 60} {icons[name][1] + 16}")
            time.sleep(0.8)
            shot("waybar-menu")
        click((1500, 800), "BTN_LEFT")  # closes the menu
        time.sleep(0.3)
        t0 = click(icons[name], "BTN_LEFT")
        t1, new = await_window(lambda e: e["change"] == "new" and e["container"]["pid"] == proc.pid)
        if t1 is None:
            print(name, "panel", i, "did not open", file=sys.stderr)
            continue
        if name == "varnic":  # mapped, then moved beside the icon by Varnic
            while (node_of(proc.pid) and time.time() < t1 + 3 and
                   distance(frame(node_of(proc.pid)["rect"]), icons[name]) > 80):
                time.sleep(0.005)
            t1 = time.time()
        panel.append(t1 - t0)
        print(name, i, f"menu {menu[-1] * 1000:.0f} ms, panel {panel[-1] * 1000:.0f} ms",
              file=sys.stderr)
        shown = node_of(proc.pid)
        far.append(distance(frame(shown["rect"]), icons[name]) if shown else float("inf"))
        if i == 0 and name == "varnic":
            time.sleep(0.5)
            shot("waybar-panel")
        if node_of(proc.pid):
            click(icons[name], "BTN_LEFT")  # closes the panel
            await_window(lambda e: e["change"] == "close" and e["container"]["pid"] == proc.pid)
        time.sleep(0.3)
    results[name] = (menu, panel, far)

print_table(results)
