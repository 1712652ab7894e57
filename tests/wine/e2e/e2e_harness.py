"""The real processes end to end: the native router simulator on the pty
behind COM12, HXIHOST.EXE, and VAL_DRN.EXE started under TRACECAP.EXE so its
debug trace is kept, on a configuration site of its own. Built on the host
link harness (processes, clients, deadlines); every process started here is
ended by Rig.close()."""
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from hostlink_harness import (DEADLINE, SKIP, WINE_RUN, Session, wait_for,  # noqa: E402,F401
                              windows_path, write_ini)

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(HERE)))
COM = 12
IDX_SIZE = 26 * 2048
LCK_SIZE = 26 * 1024
UNKNOWN = 0xFFFF
NO_LEVELS_TEXT = ("There are no router driver ID's defined in the VAL_DRN.INI file.  "
                  "There must be at least one router defined before VAL_DRN.EXE can function.")


def expect_all(client, *patterns, timeout=DEADLINE):
    """Waits until a line has matched each pattern, in any order; each line
    matched is taken out. Returns the lines in the order of the patterns."""
    rxs = [re.compile(p) for p in patterns]
    found = [None] * len(rxs)

    def take():
        with client.lock:
            for i, rx in enumerate(rxs):
                if found[i] is None:
                    for j, line in enumerate(client.lines):
                        if rx.fullmatch(line):
                            found[i] = client.lines.pop(j)
                            break
        return all(f is not None for f in found)

    try:
        wait_for(take, "lines like %r" % (patterns,), timeout)
    except AssertionError:
        missing = [p for p, f in zip(patterns, found) if f is None]
        raise AssertionError("no lines like %r; received: %r" % (missing, client.taken()))
    return found


def wait_progress(measure, target, what, stall=DEADLINE):
    """Waits until measure() reaches target, failing only when it has not
    moved for `stall` seconds: long runs are bounded by their progress."""
    last, moved = measure(), time.monotonic()
    while last < target:
        time.sleep(0.05)
        now = measure()
        if now != last:
            last, moved = now, time.monotonic()
        elif time.monotonic() - moved > stall:
            raise AssertionError("%s: stuck at %d of %d" % (what, last, target))
    return last


def lines_until(client, pattern, timeout=DEADLINE):
    """Waits for a line matching the pattern; returns every line up to and
    including it, and takes them out."""
    rx = re.compile(pattern)

    def find():
        with client.lock:
            for i, line in enumerate(client.lines):
                if rx.fullmatch(line):
                    taken = client.lines[: i + 1]
                    del client.lines[: i + 1]
                    return taken
        return None

    try:
        return wait_for(find, "a line like %r" % pattern, timeout)
    except AssertionError:
        raise AssertionError("no line like %r; received: %r" % (pattern, client.taken()))


def forget(client):
    """Drops every line received so far."""
    with client.lock:
        client.lines.clear()


def prefix_of(bin_dir):
    return os.environ.get("WINEPREFIX") or os.path.join(os.path.dirname(bin_dir), "wineprefix")


def pty_link(bin_dir):
    """The path COM12 of the test prefix is mapped to."""
    prefix = os.path.abspath(prefix_of(bin_dir))
    return os.path.join(os.path.dirname(prefix), "ptys", "com%d" % COM)


class Level:
    """One configured level: index (0 = A), device number and size."""

    def __init__(self, index, device, sources, dests):
        self.index, self.device, self.sources, self.dests = index, device, sources, dests


class Site:
    """CC_ROOT\\sys\\config\\system holds VAL_DRN.INI, the DEV_nnn.INI files
    and the tally and lock files; CC_ROOT\\sys\\windows\\lib the control
    libraries."""

    LIBRARIES = ("ORVA_CC.DLL", "BWCC32.DLL")

    def __init__(self, session):
        self.config = os.path.join(session.dir, "sys", "config", "system")
        self.system = os.path.join(session.dir, "sys", "windows", "lib")
        os.makedirs(self.config, exist_ok=True)
        os.makedirs(self.system, exist_ok=True)
        for lib in self.LIBRARIES:
            with open(os.path.join(session.bin, lib), "rb") as f, \
                    open(os.path.join(self.system, lib), "wb") as g:
                g.write(f.read())
        session.env["CC_ROOT"] = windows_path(session.dir)
        session.env["CC_SYSTEM"] = "sys"
        self.idx = os.path.join(self.config, "VAL_DRN.IDX")
        self.lck = os.path.join(self.config, "VAL_DRN.LCK")

    def configure(self, levels, **controller):
        """Writes VAL_DRN.INI and one database file per level. Unless said
        otherwise: COM12, trace on, quick polling, no periodic save, status
        device 200, and a patient link judge: on a loaded machine the
        driver may read an answer a few poll periods late, which the
        default limits would count as a silent router."""
        keys = {"Com": COM, "Speed": 38400, "TallyDelay": 100, "DebugMode": 1,
                "SaveDelay": 1000, "StatusInfoDriverId": 200, "Simulation": 0,
                "MaxUnAcks": 15, "CommErrorLimit": 15}
        keys.update(controller)
        write_ini(os.path.join(self.config, "VAL_DRN.INI"),
                  {"Controller": keys,
                   "Levels": {"Level_%d" % i: 0 for i in range(26)} |
                   {"Level_%d" % l.index: l.device for l in levels}})
        for l in levels:
            write_ini(os.path.join(self.config, "DEV_%03d.INI" % l.device),
                      {"Database": {"DatabaseSize_0": l.sources, "DatabaseSize_1": l.dests}})

    def read_idx(self):
        with open(self.idx, "rb") as f:
            return f.read()

    def tallies(self, level, count):
        data = self.read_idx()
        base = level.index * 2048
        return [struct.unpack(">H", data[base + 2 * i: base + 2 * i + 2])[0] for i in range(count)]

    def write_idx(self, tallies_by_level):
        """A complete tally file: {level index: [tally of destination 1, ...]}."""
        data = bytearray(IDX_SIZE)
        for index, values in tallies_by_level.items():
            for i, v in enumerate(values):
                struct.pack_into(">H", data, index * 2048 + 2 * i, v)
        with open(self.idx, "wb") as f:
            f.write(data)


class Sim:
    """The native router simulator, its pty linked where COM12 points and
    its control socket in the session folder."""

    def __init__(self, rig, levels, *options):
        self.rig = rig
        self.exe = rig.sim_exe
        self.link = pty_link(rig.s.bin)
        self.sock_path = os.path.join(rig.s.dir, "sim.sock")
        os.makedirs(os.path.dirname(self.link), exist_ok=True)
        args = [self.exe, "--link", self.link, "--control", self.sock_path, "--levels", "0"]
        for l in levels:
            args += ["--level", "%d=%d:%d" % (l.index, l.sources, l.dests)]
        args += list(options)
        for path in (self.link, self.sock_path):
            if os.path.lexists(path):
                os.remove(path)
        self.log = open(os.path.join(rig.s.dir, "sim-%d.log" % len(rig.sims)), "wb")
        self.proc = subprocess.Popen(args, stdout=self.log, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL)
        rig.sims.append(self)
        self.conn = None
        self.buf = b""
        wait_for(self._connect, "the simulator's control socket")

    def _connect(self):
        if self.proc.poll() is not None:
            raise AssertionError("the simulator ended: %r" % open(self.log.name, "rb").read())
        if not os.path.lexists(self.link):
            return False
        try:
            self.conn = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            self.conn.settimeout(DEADLINE)
            self.conn.connect(self.sock_path)
            return True
        except OSError:
            self.conn = None
            return False

    def _fill(self):
        data = self.conn.recv(65536)
        if not data:
            raise AssertionError("the simulator closed its control socket")
        self.buf += data

    def _read_exact(self, n):
        while len(self.buf) < n:
            self._fill()
        out, self.buf = self.buf[:n], self.buf[n:]
        return out

    def _read_line(self):
        while b"\n" not in self.buf:
            self._fill()
        line, _, self.buf = self.buf.partition(b"\n")
        return line.decode("latin-1")

    def ctl(self, command):
        """One control command; returns the reply after "ok"."""
        self.conn.sendall(command.encode("latin-1") + b"\n")
        reply = self._read_line()
        if not reply.startswith("ok"):
            raise AssertionError("simulator: %s -> %s" % (command, reply))
        return reply[3:]

    def rx(self):
        """Every byte the simulator has received since the last clear."""
        n = int(self.ctl("rx"))
        return self._read_exact(n)

    def frames(self):
        """The received bytes as CR-ended frames (the last may be partial)."""
        return self.rx().split(b"\r")

    def get(self, level, dest):
        return int(self.ctl("get %d %d" % (level.index, dest)))

    def set(self, level, dest, source):
        self.ctl("set %d %d %d" % (level.index, dest, source))

    def stop(self):
        if self.proc.poll() is None:
            try:
                self.conn.sendall(b"quit\n")
            except (OSError, AttributeError):
                pass
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(DEADLINE)
        if self.conn:
            self.conn.close()
            self.conn = None
        self.log.close()


class Driver:
    """VAL_DRN.EXE, normally under TRACECAP.EXE: the process then ends with
    the driver and its output is the driver's trace."""

    def __init__(self, rig, name, traced):
        self.rig = rig
        exe = windows_path(os.path.join(rig.s.bin, "VAL_DRN.EXE"))
        if traced:
            self.proc = rig.s.start("TRACECAP.EXE", [exe], name)
        else:
            self.proc = rig.s.start("VAL_DRN.EXE", [], name)
        self.read_at = 0
        self.texts = []

    def trace(self):
        """The driver's trace texts so far (without the "<VALDRUNE>-" mark)."""
        with open(self.proc.out_path, "rb") as f:
            f.seek(self.read_at)
            data = f.read()
        end = data.rfind(b"\n") + 1
        self.read_at += end
        for line in data[:end].decode("latin-1").replace("\r", "").split("\n"):
            mark = line.find("<VALDRUNE>-")
            if mark >= 0:
                self.texts.append(line[mark + len("<VALDRUNE>-"):])
        return self.texts

    def count(self, text):
        return sum(1 for t in self.trace() if t == text)

    def wait_trace(self, text, times=1, timeout=DEADLINE):
        def seen():
            if self.proc.poll() is not None and self.count(text) < times:
                raise AssertionError("the driver ended before tracing %r" % text)
            return self.count(text) >= times
        wait_for(seen, "the trace %r" % text, timeout)

    def wait_up(self):
        """The panel is up: the saved tallies are loaded, polling starts."""
        self.wait_trace("Dialog_InitDialog: SetComState(FAIL)")

    def ended(self):
        return self.proc.poll() is not None

    def wait_end(self, timeout=DEADLINE):
        wait_for(self.ended, "the driver to end", timeout)
        self.trace()
        return self.proc.returncode


class Rig:
    """A session with its site; simulators, the host, its client and the
    drivers are started on demand."""

    def __init__(self, bin_dir, sim_exe):
        self.s = Session(bin_dir)
        self.s.env["WINEPREFIX"] = os.path.abspath(prefix_of(self.s.bin))
        self.sim_exe = sim_exe
        self.sims = []
        self.site = Site(self.s)
        self.host = None
        self.client = None
        self.last_step = time.monotonic()

    def step(self, name):
        """Prints how long the part just finished took."""
        now = time.monotonic()
        print("%-40s %5.1f s" % (name, now - self.last_step), flush=True)
        self.last_step = now

    def start_host(self, *switches):
        self.host = self.s.start_host(*switches)
        self.client = self.s.connect(self.host)
        return self.client

    def stop_host(self):
        self.s.stop(self.host)
        self.client.close()
        self.host = self.client = None

    def sim(self, levels, *options):
        return Sim(self, levels, *options)

    def driver(self, name="driver", traced=True):
        return Driver(self, name, traced)

    def probe(self, *args):
        """Runs E2EPROBE.EXE; returns (exit code, output lines). The output
        goes through a file: Wine's service processes may inherit it and
        outlive the probe."""
        with tempfile.TemporaryFile(dir=self.s.dir) as out:
            rc = subprocess.call(["bash", WINE_RUN, os.path.join(self.s.bin, "E2EPROBE.EXE")]
                                 + [str(a) for a in args], stdout=out, stderr=subprocess.STDOUT,
                                 stdin=subprocess.DEVNULL, env=self.s.env, timeout=DEADLINE)
            out.seek(0)
            text = out.read().decode("latin-1").replace("\r", "")
        return rc, [l for l in text.split("\n") if l]

    def box(self, timeout_ms=int(DEADLINE * 1000)):
        """The text of the next "! Error !" box, which is then dismissed."""
        rc, lines = self.probe("box", timeout_ms)
        assert rc == 0, "no message box (probe exit %d: %r)" % (rc, lines)
        return lines[0] if lines else ""

    def panel(self):
        """{"title": ..., control id: (state code, caption)} of the driver."""
        rc, lines = self.probe("panel")
        assert rc == 0, "no driver window (probe exit %d)" % rc
        fields = {"title": lines[0][len("title "):]}
        for line in lines[1:]:
            ident, state, caption = (line.split(" ", 2) + [""])[:3]
            fields[int(ident)] = (state, caption)
        return fields

    def stats(self):
        """The driver's process figures: pid, workingset, private (bytes),
        systemhandles (its entries in the system handle table), gdi, user."""
        rc, lines = self.probe("stats")
        assert rc == 0, "no driver window (probe exit %d)" % rc
        return {k: int(v) for k, v in (l.split() for l in lines)}

    def driver_pids(self):
        """Linux process ids of the drivers this session started. TRACECAP
        starts the driver as a process of its own, which outlives it when
        killed; the session's pipe name in its environment tells ours from
        any other."""
        marker = ("HXIHOST_PIPE=" + self.s.env["HXIHOST_PIPE"]).encode("latin-1")
        pids = []
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            try:
                with open("/proc/%s/cmdline" % name, "rb") as f:
                    if b"VAL_DRN.EXE" not in f.read():
                        continue
                with open("/proc/%s/environ" % name, "rb") as f:
                    if marker in f.read().split(b"\0"):
                        pids.append(int(name))
            except OSError:
                continue
        return pids

    def close(self, keep=False):
        """Ends every process; the session folder goes too unless kept
        for a look after a failure."""
        for pid in self.driver_pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        for sim in self.sims:
            try:
                sim.stop()
            except Exception:
                pass
        self.s.close()
        if keep:
            print("session folder kept:", self.s.dir)
        else:
            shutil.rmtree(self.s.dir, ignore_errors=True)

    def dump(self):
        for p in self.s.procs:
            print("--- output of", os.path.basename(p.out_path))
            print(self.s.output(p)[-4000:])
        for i, sim in enumerate(self.sims):
            print("--- simulator", i)
            print(open(sim.log.name, "rb").read().decode("latin-1")[-2000:])


def send_in_background(client, lines):
    """Sends from a thread: a host that stops reading must not block the
    test past its deadlines."""
    t = threading.Thread(target=client.send, args=lines, daemon=True)
    t.start()
    return t


def main(run, argv):
    """Runs one test script: argv holds the bin folder and the simulator."""
    bin_dir = os.path.abspath(argv[1])
    sim_exe = argv[2] if len(argv) > 2 else ""
    need = ["VAL_DRN.EXE", "HXIHOST.EXE", "TRACECAP.EXE", "E2EPROBE.EXE"] + list(Site.LIBRARIES)
    missing = [n for n in need if not os.path.exists(os.path.join(bin_dir, n))]
    if sim_exe and not os.path.exists(sim_exe):
        missing.append(sim_exe)
    if missing:
        print("SKIP: missing", ", ".join(missing))
        sys.exit(SKIP)
    prefix = prefix_of(bin_dir)
    subprocess.call(["bash", os.path.join(ROOT, "scripts", "wine-prefix.sh"), prefix])
    rig = Rig(bin_dir, sim_exe)
    started = time.monotonic()
    passed = False
    try:
        run(rig)
        passed = True
        print("PASS in %.1f s" % (time.monotonic() - started))
    except Exception:
        traceback.print_exc()
        rig.dump()
    finally:
        rig.close(keep=not passed)
    sys.exit(0 if passed else 1)
