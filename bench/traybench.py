"""What the tray benchmarks share: the programs they start (each logging to a
file of its own in the work folder, all ended when the benchmark ends), lines
awaited on a program's output, a window's distance from a click, and the
table of results."""
import atexit, os, statistics, subprocess, time


class Programs:
    def __init__(self, work):
        self.work = work
        self.started = []
        atexit.register(self.stop)

    def start(self, argv, env=None, out=subprocess.DEVNULL, fds=()):
        log = open(f"{self.work}/{os.path.basename(argv[0])}.log", "a")
        p = subprocess.Popen(argv, env={**os.environ, **(env or {})}, stdout=out, stderr=log,
                             text=True, pass_fds=fds)
        self.started.append(p)
        return p

    def stop(self):
        for p in reversed(self.started):
            p.terminate()
        for p in self.started:
            p.wait()


def await_line(stream, text, timeout=15):
    until = time.time() + timeout
    while time.time() < until:
        line = stream.readline()
        if text in line:
            return line
    raise TimeoutError(text)


def distance(rect, at):
    """From the point at to the nearest point of the rectangle (x, y, width, height)."""
    x, y, width, height = rect
    dx = max(x - at[0], 0, at[0] - x - width)
    dy = max(y - at[1], 0, at[1] - y - height)
    return (dx * dx + dy * dy) ** 0.5


def print_table(results):
    """results: for each item, its click-to-menu and click-to-panel seconds and panel distances."""
    def median(values, scale=1):
        return statistics.median(values) * scale if values else float("nan")
    print("item     click-to-menu ms  click-to-panel ms  panel distance from icon px")
    for name, (menu, panel, far) in results.items():
        print(f"{name:8} {median(menu, 1000):16.1f}  {median(panel, 1000):17.1f}  {median(far):.0f}")
