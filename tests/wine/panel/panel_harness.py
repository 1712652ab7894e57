"""The panel tests' tools beside the host link harness: the native router
simulator with its control channel, PANELPROBE.EXE to read and drive the
driver's panel from outside, and screenshots of the panel from the test's X
display. Every wait has a deadline; every process started is ended."""
import os
import select
import shutil
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from hostlink_harness import DEADLINE, WINE_RUN, DriverSetup, run_session, wait_for  # noqa: E402


class Router:
    """build/native/leitch_sim on the pty that a COM port of the test prefix
    maps to (port "com12": <prefix>/../ptys/com12), with its control socket."""

    def __init__(self, session, sim_path, port, *args):
        self.socket_path = os.path.join(session.dir, "sim.sock")
        prefix = os.environ.get("WINEPREFIX") or os.path.join(session.bin, "..", "wineprefix")
        link_path = os.path.join(os.path.dirname(os.path.abspath(prefix)), "ptys", port)
        os.makedirs(os.path.dirname(link_path), exist_ok=True)
        err = open(os.path.join(session.dir, "sim.err"), "wb")
        self.proc = subprocess.Popen([sim_path, "--link", link_path, "--control",
                                      self.socket_path] + list(args),
                                     stdout=subprocess.PIPE, stderr=err,
                                     stdin=subprocess.DEVNULL)
        session.procs.append(self.proc)
        self.proc.out_path = err.name
        # The pty's path comes first, once the line and the socket are ready.
        if not select.select([self.proc.stdout], [], [], DEADLINE)[0] \
                or not self.proc.stdout.readline():
            raise AssertionError("the router simulator did not start")
        self.sock = self._connect()
        self.buf = b""

    def _connect(self):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.settimeout(DEADLINE)
        s.connect(self.socket_path)
        return s

    def _line(self):
        while b"\n" not in self.buf:
            data = self.sock.recv(65536)
            if not data:
                raise AssertionError("the simulator closed its control channel")
            self.buf += data
        line, self.buf = self.buf.split(b"\n", 1)
        return line.decode("latin-1")

    def command(self, text):
        self.sock.sendall((text + "\n").encode("latin-1"))
        reply = self._line()
        if not reply.startswith("ok"):
            raise AssertionError("simulator: %s -> %s" % (text, reply))
        return reply

    def received(self):
        """Every byte the router has received since the last clear."""
        n = int(self.command("rx").split()[1])
        while len(self.buf) < n:
            data = self.sock.recv(65536)
            if not data:
                raise AssertionError("the simulator closed its control channel")
            self.buf += data
        data, self.buf = self.buf[:n], self.buf[n:]
        return data.decode("latin-1")


class Snapshot:
    """One reading of the panel: controls by id, lists, focus, windows."""

    def __init__(self, lines):
        self.windows, self.titles, self.controls, self.lists = {}, {}, {}, {}
        self.focus = None
        self.lines = lines
        for line in lines:
            f = line.split("\t")
            if f[0] == "window":
                self.windows[f[1]] = fields(f[3:])
            elif f[0] == "title":
                self.titles[f[1]] = f[2] if len(f) > 2 else ""
            elif f[0] == "ctl" and f[1] != "-1":
                c = fields(f[3:])
                c["class"] = f[2]
                self.controls[int(f[1])] = c
            elif f[0] == "list":
                v = fields(f[2:])
                self.lists[int(f[1])] = {"sel": int(v["sel"]), "count": int(v["count"]),
                                         "items": []}
            elif f[0] == "item":
                self.lists[int(f[1])]["items"].append(f[3] if len(f) > 3 else "")
            elif f[0] == "focus":
                self.focus = int(f[1])

    def text(self, cid):
        return self.controls[cid]["text"]

    def state(self, cid):
        return self.controls[cid]["state"]

    def enabled(self, cid):
        return self.controls[cid]["en"] == "1"

    def items(self, cid):
        """The entries, in a full reading."""
        return self.lists[cid]["items"]

    def count(self, cid):
        return self.lists[cid]["count"]

    def sel(self, cid):
        return self.lists[cid]["sel"]

    def rect(self, cid):
        return rect(self.controls[cid]["rect"])

    def window_rect(self, name):
        return rect(self.windows[name]["rect"])


def fields(parts):
    out = {}
    for p in parts:
        key, _, value = p.partition("=")
        out[key] = value
    return out


def rect(text):
    return tuple(int(v) for v in text.split(","))


class Probe:
    """PANELPROBE.EXE serving under Wine: one line of commands per call,
    answered in order; started on first use, ended with the session."""

    def __init__(self, session):
        self.session = session
        self.exe = os.path.join(session.bin, "PANELPROBE.EXE")
        self.proc = None
        self.buf = b""

    def _start(self):
        self.proc = subprocess.Popen(["bash", WINE_RUN, self.exe, "serve"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                     env=self.session.env)
        self.proc.out_path = os.devnull
        self.session.procs.append(self.proc)

    def _answer(self):
        """Lines up to the closing "end <code>" line, and the code."""
        lines = []
        end = time.monotonic() + DEADLINE
        while True:
            while b"\n" not in self.buf:
                left = end - time.monotonic()
                if left <= 0 or not select.select([self.proc.stdout], [], [], left)[0]:
                    raise AssertionError("PANELPROBE gave no answer in time")
                data = os.read(self.proc.stdout.fileno(), 65536)
                if not data:
                    raise AssertionError("PANELPROBE ended: %s" % "\n".join(lines))
                self.buf += data
            raw, self.buf = self.buf.split(b"\n", 1)
            line = raw.decode("latin-1").rstrip("\r")
            if line.startswith("end\t"):
                return lines, int(line.split("\t")[1])
            lines.append(line)

    def run(self, *args, ok=(0,)):
        if self.proc is None:
            self._start()
        self.proc.stdin.write((" ".join(str(a) for a in args) + "\n").encode("latin-1"))
        self.proc.stdin.flush()
        lines, rc = self._answer()
        if rc not in ok:
            raise AssertionError("PANELPROBE %s: exit %d\n%s"
                                 % (" ".join(map(str, args)), rc, "\n".join(lines)))
        return lines, rc

    def read(self, full=False):
        """The panel now; full adds every control (the level table) and the
        lists' entries."""
        return Snapshot(self.run(*(("read", "table", "items") if full else ("read",)))[0])

    def do(self, *args):
        self.run(*args)

    def until(self, check, what, timeout=DEADLINE):
        """Reads the panel until check(snapshot) holds; returns that reading."""
        last = [None]

        def attempt():
            lines, rc = self.run("read", ok=(0, 3))
            if rc != 0:
                return None
            last[0] = Snapshot(lines)
            try:
                return last[0] if check(last[0]) else None
            except KeyError:
                return None

        try:
            return wait_for(attempt, what, timeout)
        except AssertionError:
            shown = "\n".join(last[0].lines) if last[0] else "(no panel)"
            raise AssertionError("timed out waiting for %s; last reading:\n%s" % (what, shown))

    def about(self):
        lines, rc = self.run("about", ok=(0, 3))
        return Snapshot(lines) if rc == 0 else None


class Camera:
    """Screenshots of a window's rectangle from the test's X display, saved
    as PNG files into the build tree."""

    def __init__(self, folder):
        self.folder = folder
        self.usable = bool(os.environ.get("DISPLAY")) and shutil.which("import") \
            and shutil.which("convert")
        if self.usable:
            os.makedirs(folder, exist_ok=True)
        else:
            print("screenshots skipped: no X display or no imagemagick")

    def grab(self, area):
        x, y, w, h = area
        geometry = "%dx%d+%d+%d" % (w, h, max(x, 0), max(y, 0))
        p = subprocess.run(["import", "-silent", "-window", "root", "-crop", geometry,
                            "+repage", "-depth", "8", "ppm:-"], stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, timeout=DEADLINE)
        return p.stdout if p.returncode == 0 else None

    def shoot(self, name, area, probe, expect):
        """Saves name.png of the screen area once every control rectangle in
        expect shows its colour family (a dict rect -> hue), so the picture
        is known to show the state; with expect None, once two grabs in a
        row agree. Returns the Image, or None without a display."""
        if not self.usable:
            return None
        last = {}

        def shows_state():
            probe.do("redraw")
            ppm = self.grab(area)
            if not ppm:
                return None
            steady = ppm == last.get("ppm")
            last["ppm"] = ppm
            image = Image(ppm, area)
            if expect is None:
                return image if steady else None
            last["seen"] = {r: hue(image.face(r) or (0, 0, 0)) for r in expect}
            return image if last["seen"] == expect else None

        path = os.path.join(self.folder, name + ".png")
        try:
            return wait_for(shows_state, "the screen to show " + name)
        except AssertionError:
            raise AssertionError("%s: wanted %r, saw %r" % (name, expect, last.get("seen")))
        finally:
            if last.get("ppm"):
                subprocess.run(["convert", "ppm:-", "-strip", path], input=last["ppm"],
                               check=True, timeout=DEADLINE)


class Image:
    """A PPM picture (P6, 8 bits) of a screen area, for colour checks."""

    def __init__(self, ppm, area):
        parts = ppm.split(maxsplit=4)
        assert parts[0] == b"P6" and parts[3] == b"255", parts[:4]
        self.width, self.height = int(parts[1]), int(parts[2])
        self.pixels = parts[4]
        self.left, self.top = area[0], area[1]

    def face(self, screen_rect):
        """The commonest colour inside a control's screen rectangle, edges
        left out: the colour a person sees there from afar."""
        x, y, w, h = screen_rect
        counts = {}
        for row in range(y - self.top + 2, y - self.top + h - 2):
            for col in range(x - self.left + 2, x - self.left + w - 2):
                if 0 <= row < self.height and 0 <= col < self.width:
                    i = 3 * (row * self.width + col)
                    px = tuple(self.pixels[i:i + 3])
                    counts[px] = counts.get(px, 0) + 1
        return max(counts, key=counts.get) if counts else None


def hue(rgb):
    """The colour family a person would name from across a room."""
    r, g, b = rgb
    if max(r, g, b) - min(r, g, b) < 40:
        return "grey"
    if g > r + 60 and g > b + 60:
        return "green"
    if r > g + 100 and r > b + 100:
        return "red"
    if r > 180 and 100 <= g <= 210 and b < 90:
        return "amber"
    if r > 180 and g > 210 and b < 150:
        return "yellow"
    if r > g + 80 and b > g + 80:
        return "purple"
    if b > r + 60:
        return "blue"
    return "other"


def main(run, needs_router=True):
    """Runs run(session, simulator, screenshot_dir) with the arguments
    BIN_DIR LEITCH_SIM SCREENSHOT_DIR; skips when the build lacks a part."""
    bin_dir, sim, shots = (os.path.abspath(a) for a in sys.argv[1:4])
    missing = DriverSetup.missing(bin_dir)
    if needs_router and not os.path.exists(sim):
        missing.append(sim)
    run_session(bin_dir, missing, lambda s: run(s, sim, shots))
