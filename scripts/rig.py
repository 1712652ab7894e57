"""The driver's processes under Wine, for the tests, the demo and the
benchmarks: the router simulator on the pty behind COM12 of the Wine prefix,
HXIHOST.EXE, VAL_DRN.EXE (under TRACECAP.EXE when traced), the site
configuration they read, TCP clients of the host that keep every line with
its arrival time, the driver's trace, and PROBE.EXE reading the driver's
windows from outside.

Every wait has a deadline, and every wait fails within about a second
when a message box or other standard dialog is up that the test did not
ask for (Rig.box_expected()): nobody would close it. Each process starts in a session of its own, so a
Ctrl+C at the terminal reaches only the script; Rig.close() ends every
process it started, one way for all (the simulator is asked to quit first).
RigTest runs a test on unittest with a fresh Rig; main() runs a test file
and exits 77 when the build lacks a part, as ctest's SKIP_RETURN_CODE
expects."""
import contextlib
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
BIN = os.path.join(BUILD, "windows", "bin")
SIM = os.path.join(BUILD, "native", "leitch_sim")
PREFIX = os.environ.get("WINEPREFIX") or os.path.join(BUILD, "windows", "wineprefix")
WINE_RUN = os.path.join(ROOT, "cmake", "wine-run.sh")
COM = 12
DEADLINE = float(os.environ.get("RIG_DEADLINE", "60"))
SKIP = 77
IDX_SIZE = 26 * 2048
LIBRARIES = ("ORVA_CC.DLL", "BWCC32.DLL")
BOX_LOOK = 1.0   # seconds between two looks for a box nobody will close
TRACE_MARK = "<VALDRUNE>-"
UP_TRACE = "Dialog_InitDialog: SetComState(FAIL)"

# Settings for tests on the router link: trace on, quick polling, no
# periodic save, status device 200, and a patient link judge (on a loaded
# machine the driver may read an answer a few poll periods late, which the
# default limits would count as a silent router).
QUICK = {"Speed": 38400, "TallyDelay": 100, "DebugMode": 1, "SaveDelay": 1000,
         "StatusInfoDriverId": 200, "MaxUnAcks": 15, "CommErrorLimit": 15}


def now():
    return time.monotonic()


def pty_path():
    """The path COM12 of the prefix is mapped to."""
    return os.path.join(os.path.dirname(os.path.abspath(PREFIX)), "ptys", "com%d" % COM)


# The rig whose waits look for boxes: the latest one open. Every rig runs
# in the one prefix, so one look sees every program's boxes.
_box_rig = None
_box_looked = 0.0


def look_for_boxes(what):
    """Fails a wait for `what` when a box is up that nobody will close,
    naming its program, caption and text, instead of letting the wait sit
    out its whole deadline. Looks at most once per BOX_LOOK seconds."""
    global _box_looked
    if _box_rig is None or now() - _box_looked < BOX_LOOK:
        return
    _box_looked = now()
    boxes = _box_rig.unexpected_boxes()
    if boxes:
        raise AssertionError("waiting for %s, a box nobody will close is up: %s" % (
            what, "; ".join('%s shows "%s": "%s"' % (b[2], b[0], b[1]) for b in boxes)))


def wait_for(condition, what, timeout=DEADLINE):
    """condition()'s first true value within the timeout."""
    end = now() + timeout
    while True:
        value = condition()
        if value:
            return value
        if now() >= end:
            raise AssertionError("timed out waiting for " + what)
        look_for_boxes(what)
        time.sleep(0.02)


def wait_progress(measure, target, what, stall=DEADLINE):
    """Waits until measure() reaches target, failing only when it has not
    moved for `stall` seconds: long runs are bounded by their progress."""
    last, moved = measure(), now()
    while last < target:
        time.sleep(0.05)
        value = measure()
        if value != last:
            last, moved = value, now()
        elif now() - moved > stall:
            raise AssertionError("%s: stuck at %d of %d" % (what, last, target))
        look_for_boxes(what)
    return last


def windows_path(path):
    """The Wine path of a Unix path (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_ini(path, sections):
    with open(path, "w", newline="\r\n") as f:
        for name, keys in sections.items():
            f.write("[%s]\n" % name)
            for k, v in keys.items():
                f.write("%s=%s\n" % (k, v))


def missing(*extra):
    """What the builds lack of the driver, its libraries and extra names
    (programs in the bin folder, or paths)."""
    names = ("VAL_DRN.EXE",) + LIBRARIES + extra
    paths = [n if os.sep in n else os.path.join(BIN, n) for n in names]
    return [p for p in paths if not os.path.exists(p)]


class Level:
    """One configured level: index (0 = A), device number and size."""

    def __init__(self, index, device, sources, dests):
        self.index, self.device, self.sources, self.dests = index, device, sources, dests


def _levels(levels):
    """Levels, or (device, sources, destinations) in level order (device 0:
    a level left out)."""
    out = []
    for i, l in enumerate(levels):
        if not isinstance(l, Level):
            l = Level(i, *l)
        if l.device:
            out.append(l)
    return out


class Site:
    """The driver's configuration tree: CC_ROOT\\sys\\config\\system for
    VAL_DRN.INI, the DEV_nnn.INI files and the tally file, CC_ROOT\\sys\\
    windows\\lib for the control libraries (copied from the bin folder)."""

    def __init__(self, folder, env):
        self.config = os.path.join(folder, "sys", "config", "system")
        self.system = os.path.join(folder, "sys", "windows", "lib")
        os.makedirs(self.config, exist_ok=True)
        os.makedirs(self.system, exist_ok=True)
        for lib in LIBRARIES:
            if os.path.exists(os.path.join(BIN, lib)):
                shutil.copyfile(os.path.join(BIN, lib), os.path.join(self.system, lib))
        self.idx = os.path.join(self.config, "VAL_DRN.IDX")
        env.update(CC_ROOT=windows_path(folder), CC_SYSTEM="sys")

    def configure(self, levels, **controller):
        """Writes VAL_DRN.INI (COM12, no simulation unless said otherwise)
        and one database file per level."""
        keys = {"Com": COM, "Simulation": 0}
        keys.update(controller)
        levels = _levels(levels)
        write_ini(os.path.join(self.config, "VAL_DRN.INI"),
                  {"Controller": keys,
                   "Levels": {"Level_%d" % i: 0 for i in range(26)} |
                   {"Level_%d" % l.index: l.device for l in levels}})
        for l in levels:
            write_ini(os.path.join(self.config, "DEV_%03d.INI" % l.device),
                      {"Database": {"DatabaseSize_0": l.sources, "DatabaseSize_1": l.dests}})
        return self.config

    def read_idx(self):
        with open(self.idx, "rb") as f:
            return f.read()

    def tallies(self, level, count):
        data = self.read_idx()
        base = level.index * 2048
        return [struct.unpack_from(">H", data, base + 2 * i)[0] for i in range(count)]

    def write_idx(self, tallies_by_level):
        """A complete tally file: {level index: [tally of destination 1, ...]}."""
        data = bytearray(IDX_SIZE)
        for index, values in tallies_by_level.items():
            for i, v in enumerate(values):
                struct.pack_into(">H", data, index * 2048 + 2 * i, v)
        with open(self.idx, "wb") as f:
            f.write(data)


class Client:
    """A TCP client of the host. Keeps every line with its arrival time.
    expect() searches forward from a cursor and moves it past the match;
    taken() is what lies beyond the cursor. Waits fail at once when a
    process in `watch` ends (take one out before ending it on purpose)."""

    def __init__(self, port, watch=()):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=DEADLINE)
        self.sock.settimeout(None)
        self.lines, self.times = [], []
        self.cursor = 0
        self.used = set()        # lines matched out of order by expect_all
        self.watch = list(watch)
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        buf = b""
        while True:
            try:
                data = self.sock.recv(65536)
            except OSError:
                return
            if not data:
                return
            *done, buf = (buf + data).split(b"\n")
            t = now()
            with self.lock:
                self.lines.extend(l.decode("latin-1").rstrip("\r") for l in done)
                self.times.extend([t] * len(done))

    def send(self, *lines):
        """Sends the lines; returns the time they left."""
        t = now()
        self.sock.sendall("".join(l + "\n" for l in lines).encode("latin-1"))
        return t

    def send_raw(self, data):
        self.sock.sendall(data)

    def send_in_background(self, lines):
        """Sends from a thread: a host that stops reading must not block the
        test past its deadlines."""
        t = threading.Thread(target=self.send, args=lines, daemon=True)
        t.start()
        return t

    def mark(self):
        with self.lock:
            return len(self.lines)

    def stamped(self, mark=0):
        """(time, text) of the lines from mark on."""
        with self.lock:
            return list(zip(self.times[mark:], self.lines[mark:]))

    def count(self, pattern, start=0):
        rx = re.compile(pattern)
        with self.lock:
            return sum(1 for text in self.lines[start:] if rx.fullmatch(text))

    def taken(self):
        """The lines beyond the cursor that no wait has matched."""
        with self.lock:
            return [l for i, l in enumerate(self.lines[self.cursor:], self.cursor)
                    if i not in self.used]

    def forget(self):
        """Moves the cursor past every line received so far."""
        with self.lock:
            self.cursor = len(self.lines)

    def _wait(self, find, what, timeout):
        def attempt():
            with self.lock:
                found = find()
            if found is None:
                for p in self.watch:
                    if p.poll() is not None:
                        raise AssertionError("%s ended (exit %d) while waiting for %s"
                                             % (p.name, p.returncode, what))
            return found

        try:
            return wait_for(attempt, what, timeout)
        except AssertionError as e:
            raise AssertionError("%s; received: %r" % (e, self.taken()[-30:])) from None

    def _first(self, rx):
        for i in range(self.cursor, len(self.lines)):
            if i not in self.used and rx.fullmatch(self.lines[i]):
                return i
        return None

    def expect_timed(self, pattern, timeout=DEADLINE):
        """Waits for a line matching the regular expression beyond the
        cursor; moves the cursor past it; returns (time, text)."""
        rx = re.compile(pattern)

        def find():
            i = self._first(rx)
            if i is None:
                return None
            self.cursor = i + 1
            return self.times[i], self.lines[i]

        return self._wait(find, "a line like %r" % pattern, timeout)

    def expect(self, pattern, timeout=DEADLINE):
        return self.expect_timed(pattern, timeout)[1]

    def lines_until(self, pattern, timeout=DEADLINE):
        """Waits for a line matching the pattern; returns the lines from the
        cursor up to and including it, and moves the cursor past it."""
        start = self.cursor
        self.expect(pattern, timeout)
        with self.lock:
            return [l for i, l in enumerate(self.lines[start:self.cursor], start)
                    if i not in self.used]

    def expect_all(self, *patterns, timeout=DEADLINE):
        """Waits until a line has matched each pattern, in any order; the
        cursor stays, the lines matched are left out of later waits.
        Returns the lines in the order of the patterns."""
        rxs = [re.compile(p) for p in patterns]
        found = {}

        def find():
            for k, rx in enumerate(rxs):
                if k not in found:
                    i = self._first(rx)
                    if i is not None:
                        found[k] = i
                        self.used.add(i)
            return len(found) == len(rxs) or None

        self._wait(find, "lines like %r" % (patterns,), timeout)
        with self.lock:
            return [self.lines[found[k]] for k in range(len(rxs))]

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass


class Simulator:
    """The router simulator on the pty behind COM12, with its control
    socket. With verbose on, every command it receives is kept with the time
    its log line arrived (commands(), expect())."""

    def __init__(self, folder, args, verbose=False, name="sim", link=None):
        self.control_path = os.path.join(folder, name + ".sock")
        self.link = link or pty_path()
        self.received = []       # (time, command text)
        self.read_at = []        # the simulator's own monotonic time of each, s
        self.lock = threading.Lock()
        os.makedirs(os.path.dirname(self.link), exist_ok=True)
        for path in (self.link, self.control_path):
            if os.path.lexists(path):
                os.remove(path)
        self.out = open(os.path.join(folder, name + ".out"), "wb")
        self.err = open(os.path.join(folder, name + ".err"), "wb")
        cmd = [SIM, "--link", self.link, "--control", self.control_path] + [str(a) for a in args]
        self.proc = subprocess.Popen(cmd + (["-v"] if verbose else []), stdout=self.out,
                                     stderr=subprocess.PIPE, stdin=subprocess.DEVNULL,
                                     start_new_session=True)
        self.proc.name, self.proc.out_path = name, self.err.name
        threading.Thread(target=self._log, daemon=True).start()
        self.buf = b""
        self.sock = wait_for(self._connect, "the simulator's line and control socket")

    def _connect(self):
        if self.proc.poll() is not None:
            raise AssertionError("the simulator ended with %d" % self.proc.returncode)
        if not os.path.islink(self.link):
            return None
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        s.settimeout(DEADLINE)
        try:
            s.connect(self.control_path)
            return s
        except OSError:
            s.close()
            return None

    def _log(self):
        rx = re.compile(r'leitch_sim: received "(.*)"(?: at (\d+))?$')
        for raw in self.proc.stderr:
            t = now()
            m = rx.match(raw.decode("latin-1").rstrip("\n"))
            if m:
                with self.lock:
                    self.received.append((t, m.group(1)))
                    self.read_at.append(int(m.group(2)) / 1000 if m.group(2) else None)
            else:
                self.err.write(raw)
                self.err.flush()

    def _fill(self):
        data = self.sock.recv(65536)
        if not data:
            raise AssertionError("the simulator closed its control socket")
        self.buf += data

    def read_line(self):
        while b"\n" not in self.buf:
            self._fill()
        line, self.buf = self.buf.split(b"\n", 1)
        return line.decode("latin-1")

    def control(self, command):
        """One control command; returns what follows its "ok" (an error
        reply fails)."""
        self.sock.sendall(command.encode("latin-1") + b"\n")
        reply = self.read_line()
        if not reply.startswith("ok"):
            raise AssertionError("simulator: %s -> %s" % (command, reply))
        return reply[3:]

    def rx(self):
        """Every byte the simulator has received since the last clear."""
        n = int(self.control("rx"))
        while len(self.buf) < n:
            self._fill()
        data, self.buf = self.buf[:n], self.buf[n:]
        return data

    def frames(self):
        """The received bytes as CR-ended frames (the last may be partial)."""
        return self.rx().split(b"\r")

    def get(self, level, dest):
        return int(self.control("get %d %d" % (level.index, dest)))

    def set(self, level, dest, source):
        self.control("set %d %d %d" % (level.index, dest, source))

    def crosspoints(self, level):
        """The source of every destination of the level."""
        return [self.get(level, d) for d in range(1, level.dests + 1)]

    def commands(self, start=0):
        with self.lock:
            return list(self.received[start:])

    def expect(self, pattern, start=0, timeout=DEADLINE):
        """Waits for a received command matching the pattern at or after
        index start; returns (index, time, text)."""
        rx = re.compile(pattern)

        def find():
            with self.lock:
                for i in range(start, len(self.received)):
                    if rx.fullmatch(self.received[i][1]):
                        return (i,) + self.received[i]
            return None

        return wait_for(find, "the simulator to receive %r" % pattern, timeout)

    def close(self):
        if self.proc.poll() is None:
            try:
                self.sock.sendall(b"quit\n")
                self.proc.wait(10)
            except (OSError, subprocess.TimeoutExpired):
                pass
        end(self.proc)
        self.sock.close()
        self.out.close()


def end(proc, timeout=DEADLINE):
    """Ends a process started in a session of its own, with everything it
    started there."""
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except OSError:
            pass
    proc.wait(timeout)


class Driver:
    """A started VAL_DRN.EXE. Under TRACECAP.EXE the process ends with the
    driver and its output is the driver's trace."""

    def __init__(self, proc):
        self.proc = proc
        self.read_at = 0
        self.texts = []

    def trace(self):
        """The driver's trace texts so far (without the mark)."""
        with open(self.proc.out_path, "rb") as f:
            f.seek(self.read_at)
            data = f.read()
        cut = data.rfind(b"\n") + 1
        self.read_at += cut
        for line in data[:cut].decode("latin-1").replace("\r", "").split("\n"):
            at = line.find(TRACE_MARK)
            if at >= 0:
                self.texts.append(line[at + len(TRACE_MARK):])
        return self.texts

    def count(self, text):
        return self.trace().count(text)

    def wait_trace(self, text, times=1, timeout=DEADLINE):
        def seen():
            if self.proc.poll() is not None and self.count(text) < times:
                raise AssertionError("the driver ended before tracing %r" % text)
            return self.count(text) >= times
        wait_for(seen, "the trace %r" % text, timeout)

    def wait_up(self):
        """The panel is up: the saved tallies are loaded, polling starts."""
        self.wait_trace(UP_TRACE)

    def ended(self):
        return self.proc.poll() is not None

    def wait_end(self, timeout=DEADLINE):
        wait_for(self.ended, "the driver to end", timeout)
        if os.path.exists(self.proc.out_path):
            self.trace()
        return self.proc.returncode


class Snapshot:
    """One answer of PROBE.EXE: windows, titles, controls by id, lists,
    focus, message boxes (caption, text, program) and process figures."""

    def __init__(self, lines):
        self.windows, self.titles, self.controls, self.lists = {}, {}, {}, {}
        self.boxes, self.stats = [], {}
        self.focus = None
        self.lines = lines
        for line in lines:
            f = line.split("\t")
            if f[0] == "window":
                self.windows[f[1]] = _fields(f[3:])
            elif f[0] == "title":
                self.titles[f[1]] = f[2] if len(f) > 2 else ""
            elif f[0] == "ctl" and f[1] != "-1":
                c = _fields(f[3:])
                c["class"] = f[2]
                self.controls[int(f[1])] = c
            elif f[0] == "list":
                v = _fields(f[2:])
                self.lists[int(f[1])] = {"sel": int(v["sel"]), "count": int(v["count"]),
                                         "items": []}
            elif f[0] == "item":
                self.lists[int(f[1])]["items"].append(f[3] if len(f) > 3 else "")
            elif f[0] == "focus":
                self.focus = int(f[1])
            elif f[0] == "box":
                f += [""] * (4 - len(f))
                self.boxes.append((f[1], f[2], f[3]))
            elif f[0] == "stat":
                self.stats[f[1]] = int(f[2])

    def text(self, cid):
        return self.controls[cid]["text"]

    def state(self, cid):
        return self.controls[cid]["state"]

    def field(self, cid):
        """(state code, caption) of a control."""
        return self.state(cid), self.text(cid)

    def enabled(self, cid):
        return self.controls[cid]["en"] == "1"

    def items(self, cid):
        """The entries, in a full reading."""
        return self.lists[cid]["items"]

    def count(self, cid):
        return self.lists[cid]["count"]

    def sel(self, cid):
        return self.lists[cid]["sel"]


def _fields(parts):
    return dict(p.partition("=")[::2] for p in parts)


class Probe:
    """PROBE.EXE serving under Wine: one line of commands per call,
    answered in order; started on first use, ended with the rig."""

    def __init__(self, rig):
        self.rig = rig
        self.proc = None
        self.buf = b""
        self.lock = threading.Lock()   # one line of commands at a time

    def _answer(self):
        """Lines up to the closing "end <code>" line, and the code."""
        lines = []
        end_at = now() + 2 * DEADLINE   # a box is waited for up to DEADLINE
        while True:
            while b"\n" not in self.buf:
                left = end_at - now()
                if left <= 0 or not select.select([self.proc.stdout], [], [], left)[0]:
                    raise AssertionError("PROBE.EXE gave no answer in time")
                data = os.read(self.proc.stdout.fileno(), 65536)
                if not data:
                    raise AssertionError("PROBE.EXE ended: %s" % "\n".join(lines))
                self.buf += data
            raw, self.buf = self.buf.split(b"\n", 1)
            line = raw.decode("latin-1").rstrip("\r")
            if line.startswith("end\t"):
                return lines, int(line.split("\t")[1])
            lines.append(line)

    def run(self, *args, ok=(0,)):
        """Runs one line of commands; returns (Snapshot, exit code)."""
        with self.lock:
            if self.proc is None:
                self.proc = self.rig.start("PROBE.EXE", ["serve"], "probe", pipe=True)
            self.proc.stdin.write((" ".join(str(a) for a in args) + "\n").encode("latin-1"))
            self.proc.stdin.flush()
            lines, rc = self._answer()
        if rc not in ok:
            raise AssertionError("PROBE.EXE %s: exit %d\n%s"
                                 % (" ".join(map(str, args)), rc, "\n".join(lines)))
        return Snapshot(lines), rc

    def do(self, *args):
        self.run(*args)

    def read(self, full=False):
        """The driver's windows now; full adds every control of the panel
        (the level table) and the lists' entries."""
        return self.run(*(("read", "table", "items") if full else ("read",)))[0]

    def until(self, check, what, timeout=DEADLINE):
        """Reads the panel until check(snapshot) holds; returns that reading."""
        last = [None]

        def attempt():
            x, rc = self.run("read", ok=(0, 3))
            if rc != 0:
                return None
            last[0] = x
            try:
                return x if check(x) else None
            except KeyError:
                return None

        try:
            return wait_for(attempt, what, timeout)
        except AssertionError:
            shown = "\n".join(last[0].lines) if last[0] else "(no panel)"
            raise AssertionError("timed out waiting for %s; last reading:\n%s"
                                 % (what, shown)) from None

    def about(self):
        x, rc = self.run("about", ok=(0, 3))
        return x if rc == 0 else None

    def box(self, timeout=DEADLINE):
        """The text of the next "! Error !" box, which is then dismissed."""
        x, rc = self.run("box", int(timeout * 1000), ok=(0, 2))
        assert rc == 0 and x.boxes, "no message box"
        return x.boxes[0][1]

    def stats(self):
        """The driver's pid, private (bytes) and systemhandles (its entries
        in the system handle table)."""
        return self.run("stats")[0].stats

    def boxes(self):
        """(caption, text, program) of every box up now, left up."""
        return self.run("boxes")[0].boxes


class Rig:
    """HXIHOST.EXE, VAL_DRN.EXE and the router simulator with their
    configuration, outputs and sockets in one folder (a fresh temporary one
    when none is given). With watch on, a client's waits fail as soon as a
    process of the rig ends (stop() it to end it on purpose)."""

    def __init__(self, folder=None, watch=False):
        self.watching = watch
        self.dir = os.path.abspath(folder) if folder else tempfile.mkdtemp(prefix="rig-")
        os.makedirs(self.dir, exist_ok=True)
        self.procs, self.clients, self.sims = [], [], []
        self.host = self.client = None
        self.env = dict(os.environ)
        # A pipe of our own, so a host running elsewhere is never reached.
        self.env.update(WINEPREFIX=os.path.abspath(PREFIX), WINEDEBUG="-all",
                        HXIHOST_PIPE="\\\\.\\pipe\\HXIHOST-rig-%d-%d" % (os.getpid(), id(self)))
        self.site = Site(self.dir, self.env)
        self.probe = Probe(self)
        self.last_step = now()
        self.boxes_expected = 0
        global _box_rig
        _box_rig = self

    def configure(self, levels, **controller):
        """VAL_DRN.INI and the DEV_nnn.INI files (see Site.configure)."""
        return self.site.configure(levels, **controller)

    @contextlib.contextmanager
    def box_expected(self):
        """Waits inside the block let boxes be: the test shows one on
        purpose and reads it with probe.box()."""
        self.boxes_expected += 1
        try:
            yield
        finally:
            self.boxes_expected -= 1

    def unexpected_boxes(self):
        """The boxes up now, unless one is expected; none are looked for
        before a program of the prefix runs, or without PROBE.EXE."""
        if self.boxes_expected or not os.path.exists(os.path.join(BIN, "PROBE.EXE")):
            return []
        if not any(p.name != "probe" and p.poll() is None for p in self.procs):
            return []
        return self.probe.boxes()

    def start(self, exe, args, name, pipe=False):
        """A program of the bin folder under Wine, its output in name.out
        (pipe: talked to over standard input and output)."""
        out = subprocess.PIPE if pipe else open(os.path.join(self.dir, name + ".out"), "wb")
        p = subprocess.Popen(["bash", WINE_RUN, os.path.join(BIN, exe)] + [str(a) for a in args],
                             stdout=out, stderr=subprocess.DEVNULL if pipe else subprocess.STDOUT,
                             stdin=subprocess.PIPE if pipe else subprocess.DEVNULL,
                             env=self.env, cwd=self.dir, start_new_session=True)
        p.name, p.out_path = name, os.devnull if pipe else out.name
        if not pipe:
            out.close()
        self.procs.append(p)
        if self.watching and not pipe:
            for c in self.clients:
                c.watch.append(p)
        return p

    def output(self, p):
        with open(p.out_path, "rb") as f:
            return f.read().decode("latin-1").replace("\r\n", "\n")

    def stop(self, p):
        """Ends a process of the rig; a client stops watching it."""
        for c in self.clients:
            if p in c.watch:
                c.watch.remove(p)
        end(p)

    def start_sim(self, args, verbose=False):
        """The simulator with these command-line arguments; the rig keeps
        the latest as .sim."""
        self.sim = Simulator(self.dir, args, verbose, "sim-%d" % len(self.sims))
        self.sims.append(self.sim)
        return self.sim

    def sim_levels(self, levels, *options):
        """The simulator with exactly these levels."""
        args = ["--levels", "0"]
        for l in _levels(levels):
            args += ["--level", "%d=%d:%d" % (l.index, l.sources, l.dests)]
        return self.start_sim(args + list(options))

    def start_host(self, *switches):
        """HXIHOST.EXE on a free port, and a client of it (.client)."""
        port_file = os.path.join(self.dir, "port.txt")
        if os.path.exists(port_file):
            os.remove(port_file)
        host = self.start("HXIHOST.EXE", ["/port", "0", "/portfile", "port.txt"] + list(switches),
                          "host")

        def listening():
            if host.poll() is not None:
                raise AssertionError("the host ended: " + self.output(host))
            if not os.path.exists(port_file):
                return None
            with open(port_file) as f:
                return f.read().strip()

        host.port = int(wait_for(listening, "the host to listen"))
        self.host = host
        self.client = self.connect()
        return host

    def stop_host(self):
        self.stop(self.host)
        self.client.close()
        self.host = self.client = None

    def connect(self, host=None):
        """Another client of the host (of the latest one by default)."""
        watch = [p for p in self.procs if p.name != "probe"] + [s.proc for s in self.sims]
        c = Client((host or self.host).port, watch if self.watching else ())
        self.clients.append(c)
        return c

    def start_driver(self, name="driver", traced=True):
        """VAL_DRN.EXE, under TRACECAP.EXE when traced (the trace then lands
        in name.out)."""
        if traced:
            p = self.start("TRACECAP.EXE", [windows_path(os.path.join(BIN, "VAL_DRN.EXE"))], name)
        else:
            p = self.start("VAL_DRN.EXE", [], name)
        return Driver(p)

    def step(self, name):
        """Prints how long the part just finished took."""
        t = now()
        print("%-40s %5.1f s" % (name, t - self.last_step), flush=True)
        self.last_step = t

    def driver_pids(self):
        """Linux process ids of the drivers this rig started. TRACECAP
        starts the driver as a process of its own, outside our session; the
        rig's pipe name in its environment tells ours from any other."""
        return processes(b"VAL_DRN.EXE", "HXIHOST_PIPE=" + self.env["HXIHOST_PIPE"])

    def dump(self):
        """The tail of every program's output."""
        for p in self.procs + [s.proc for s in self.sims]:
            if p.out_path != os.devnull and os.path.exists(p.out_path):
                print("--- output of", p.name)
                print(self.output(p)[-3000:])

    def close(self, keep=True):
        """Ends every process; the folder goes too unless kept."""
        global _box_rig
        if _box_rig is self:
            _box_rig = None
        for c in self.clients:
            c.close()
        for pid in self.driver_pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        for p in self.procs:
            try:
                end(p)
            except (OSError, subprocess.TimeoutExpired):
                pass
        for s in self.sims:
            try:
                s.close()
            except (OSError, subprocess.TimeoutExpired):
                pass
        if not keep:
            shutil.rmtree(self.dir, ignore_errors=True)


class RigTest(unittest.TestCase):
    """A test with a fresh Rig in self.rig. NEEDS names what the build must
    have beyond the driver (programs of the bin folder, or paths); without
    them the test is skipped. A failed test prints every program's output
    and keeps its folder."""

    NEEDS = ("HXIHOST.EXE",)

    @classmethod
    def setUpClass(cls):
        gone = missing(*cls.NEEDS)
        if gone:
            raise unittest.SkipTest("the build has no " + ", ".join(gone))
        subprocess.call(["bash", os.path.join(ROOT, "scripts", "wine-prefix.sh"), PREFIX])

    def setUp(self):
        self.rig = Rig()

    def run(self, result=None):
        result = result or self.defaultTestResult()
        before = len(result.failures) + len(result.errors)
        super().run(result)
        rig = getattr(self, "rig", None)
        if rig:
            failed = len(result.failures) + len(result.errors) > before
            rig.close(keep=failed)
            if failed:
                rig.dump()
                print("folder kept:", rig.dir)
            self.rig = None
        return result


def main():
    """Runs the test file's tests; exits 77 when all were skipped."""
    prog = unittest.main(exit=False, verbosity=2)
    r = prog.result
    if r.testsRun and len(r.skipped) == r.testsRun:
        sys.exit(SKIP)
    sys.exit(0 if r.wasSuccessful() else 1)


def wineserver_pid(prefix=PREFIX):
    """The wineserver of the prefix: its working folder is named after the
    prefix's device and inode. None when it does not run."""
    st = os.stat(prefix)
    folder = "server-%x-%x" % (st.st_dev, st.st_ino)
    for p in os.listdir("/proc"):
        if not p.isdigit():
            continue
        try:
            if os.readlink("/proc/%s/cwd" % p).endswith("/" + folder):
                return int(p)
        except OSError:
            continue
    return None


def processes(command_part, variable):
    """Linux process ids whose command line holds the bytes command_part
    (as written or in lower case) and whose environment holds the
    NAME=value variable."""
    marker = variable.encode("latin-1")
    pids = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % name, "rb") as f:
                cmd = f.read()
                if command_part not in cmd and command_part not in cmd.lower():
                    continue
            with open("/proc/%s/environ" % name, "rb") as f:
                if marker in f.read().split(b"\0"):
                    pids.append(int(name))
        except OSError:
            continue
    return pids


def cpu_seconds(pid):
    """User plus system CPU time of a process so far; 0 when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (OSError, TypeError):
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
