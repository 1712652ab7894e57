"""The driver on a simulated router under Wine, for the demo and the
benchmarks: the Leitch router simulator on the pseudo-terminal behind COM12
of the build's Wine prefix, HXIHOST.EXE, VAL_DRN.EXE with a configuration of
its own, and TCP clients that stamp every line with its arrival time.

Every wait has a deadline. Each process starts in a session of its own, so a
Ctrl+C at the terminal reaches only the script, and close() ends every
process it started (the driver and the simulator politely first)."""
import os
import re
import signal
import socket
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
from hostlink_harness import SKIP, Client, DriverSetup, Session, wait_for  # noqa: E402,F401

BUILD = os.path.join(ROOT, "build")
BIN = os.path.join(BUILD, "windows", "bin")
PREFIX = os.path.join(BUILD, "windows", "wineprefix")
SIM = os.path.join(BUILD, "native", "leitch_sim")
COM = 12
PTY = os.path.join(BUILD, "windows", "ptys", "com%d" % COM)
DEADLINE = 60.0


def now():
    return time.monotonic()


class StampedLines(list):
    """Received lines, with the time each one arrived in .times."""

    def __init__(self):
        super().__init__()
        self.times = []

    def extend(self, lines):
        lines = list(lines)
        self.times.extend([now()] * len(lines))
        super().extend(lines)


class StampedClient(Client):
    """A TCP client of the host. Keeps every line with its arrival time;
    expect() searches forward from a cursor, so nothing is forgotten and the
    lines a step caused can be shown afterwards."""

    def __init__(self, port):   # the base's reader, with lines that keep times
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=DEADLINE)
        self.sock.settimeout(None)
        self.lines = StampedLines()
        self.cursor = 0
        self.watch = []          # processes whose end fails every wait
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def send(self, *lines):
        """Sends the lines; returns the time they left."""
        t = now()
        super().send(*lines)
        return t

    def mark(self):
        with self.lock:
            return len(self.lines)

    def since(self, mark):
        with self.lock:
            return self.lines[mark:]

    def stamped(self, mark):
        """(time, text) of the lines from mark on."""
        with self.lock:
            return list(zip(self.lines.times[mark:], self.lines[mark:]))

    def count(self, pattern, start=0):
        rx = re.compile(pattern)
        with self.lock:
            return sum(1 for text in self.lines[start:] if rx.fullmatch(text))

    def expect(self, pattern, timeout=DEADLINE):
        """Waits for a line matching the regular expression at or after the
        cursor; moves the cursor past it; returns (time, text)."""
        rx = re.compile(pattern)

        def find():
            with self.lock:
                for i in range(self.cursor, len(self.lines)):
                    if rx.fullmatch(self.lines[i]):
                        self.cursor = i + 1
                        return self.lines.times[i], self.lines[i]
            for p in self.watch:
                if p.poll() is not None:
                    name = os.path.basename(getattr(p, "out_path", "") or p.args[0])
                    raise AssertionError("%s ended (exit %d) while waiting for a line like %r"
                                         % (name, p.returncode, pattern))
            return None

        try:
            return wait_for(find, "a line like %r" % pattern, timeout)
        except AssertionError:
            raise AssertionError("no line like %r; last lines: %r"
                                 % (pattern, self.since(max(0, self.mark() - 20))))


class Simulator:
    """The router simulator on the pty behind COM12, with its control
    socket. With verbose on, every command it receives is kept with the time
    its log line arrived."""

    def __init__(self, folder, args, verbose=False):
        self.control_path = os.path.join(folder, "sim.sock")
        self.received = []       # (time, command text)
        self.lock = threading.Lock()
        os.makedirs(os.path.dirname(PTY), exist_ok=True)
        self.out = open(os.path.join(folder, "sim.out"), "wb")
        cmd = [SIM, "--link", PTY, "--control", self.control_path] + list(args)
        if verbose:
            cmd.append("-v")
        self.proc = subprocess.Popen(cmd, stdout=self.out, stderr=subprocess.PIPE,
                                     stdin=subprocess.DEVNULL, start_new_session=True)
        threading.Thread(target=self._log, daemon=True).start()
        wait_for(lambda: self._alive() and os.path.exists(self.control_path)
                 and os.path.islink(PTY), "the simulator's line and control socket")
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.settimeout(DEADLINE)
        self.sock.connect(self.control_path)
        self.buf = b""

    def _alive(self):
        if self.proc.poll() is not None:
            raise AssertionError("the simulator ended with %d" % self.proc.returncode)
        return True

    def _log(self):
        rx = re.compile(r'leitch_sim: received "(.*)"')
        errors = open(self.out.name + ".err", "wb")
        for raw in self.proc.stderr:
            t = now()
            m = rx.match(raw.decode("latin-1").rstrip("\n"))
            if m:
                with self.lock:
                    self.received.append((t, m.group(1)))
            else:
                errors.write(raw)
                errors.flush()

    def control(self, command):
        """One control command; returns its reply line."""
        self.sock.sendall(command.encode("latin-1") + b"\n")
        while b"\n" not in self.buf:
            data = self.sock.recv(65536)
            if not data:
                raise AssertionError("the simulator closed its control socket")
            self.buf += data
        line, self.buf = self.buf.split(b"\n", 1)
        return line.decode("latin-1")

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
                self.control("quit")
                self.proc.wait(10)
            except (OSError, AssertionError, subprocess.TimeoutExpired):
                pass
        if self.proc.poll() is None:
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait(10)
        self.sock.close()
        self.out.close()


class Rig(Session):
    """HXIHOST.EXE and VAL_DRN.EXE under Wine in the build's prefix, with
    their configuration, outputs and sockets in one folder."""

    def __init__(self, folder, bin_dir=BIN):
        self.bin = os.path.abspath(bin_dir)
        self.dir = os.path.abspath(folder)
        os.makedirs(self.dir, exist_ok=True)
        self.procs = []
        self.clients = []
        self.sim = None
        self.setup = None
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=PREFIX, WINEDEBUG="-all",
                        HXIHOST_PIPE="\\\\.\\pipe\\HXIHOST-rig-%d" % os.getpid())

    @staticmethod
    def missing():
        """What the builds lack for the rig."""
        gone = DriverSetup.missing(BIN)
        gone += [n for n in ("HXIHOST.EXE", "TRACECAP.EXE")
                 if not os.path.exists(os.path.join(BIN, n))]
        if not os.path.exists(SIM):
            gone.append(SIM)
        return gone

    def configure(self, controller, levels):
        """Writes VAL_DRN.INI and the DEV_nnn.INI files; levels are
        (device, sources, destinations). Returns the configuration folder."""
        settings = {"Com": COM, "Simulation": 0}
        settings.update(controller)
        self.setup = DriverSetup(self, settings, levels)
        return self.setup.config

    def start(self, exe, args, name, cwd=None):
        out = open(os.path.join(self.dir, name + ".out"), "wb")
        p = subprocess.Popen(["bash", os.path.join(ROOT, "cmake", "wine-run.sh"),
                              os.path.join(self.bin, exe)] + list(args),
                             stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                             env=self.env, cwd=cwd or self.dir, start_new_session=True)
        p.out_path = out.name
        self.procs.append(p)
        for c in self.clients:
            c.watch.append(p)
        return p

    def stop(self, p, timeout=DEADLINE):
        if p.poll() is None:
            os.killpg(p.pid, signal.SIGKILL)
        p.wait(timeout)

    def start_sim(self, args, verbose=False):
        self.sim = Simulator(self.dir, args, verbose)
        return self.sim

    def start_driver(self, trace=False):
        """VAL_DRN.EXE, under TRACECAP.EXE when its debug trace is wanted
        (the trace then lands in driver.out)."""
        if trace:
            return self.start("TRACECAP.EXE", [os.path.join(self.bin, "VAL_DRN.EXE")], "driver")
        return self.start("VAL_DRN.EXE", [], "driver")

    def connect(self, host):
        """A client whose waits fail as soon as a process of the rig ends
        (take one out of its watch list before ending it on purpose)."""
        c = StampedClient(host.port)
        c.watch = list(self.procs) + ([self.sim.proc] if self.sim else [])
        self.clients.append(c)
        return c

    def close(self):
        super().close()
        if self.sim:
            self.sim.close()


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


def cpu_seconds(pid):
    """User plus system CPU time of a process so far; 0 when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (OSError, TypeError):
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
