"""Starting HXIHOST.EXE and drivers under Wine, and talking to the host's
TCP line interface, for the host link tests and benchmarks. Every wait has a
deadline; every process started is ended by close()."""
import os
import re
import socket
import subprocess
import tempfile
import sys
import threading
import time
import traceback

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(ROOT, "cmake", "wine-run.sh")
DEADLINE = float(os.environ.get("HOSTLINK_DEADLINE", "60"))


def wait_for(condition, what, timeout=DEADLINE):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.02)
    raise AssertionError("timed out waiting for " + what)


class Session:
    """A temporary folder, the processes started in it, and the clients."""

    def __init__(self, bin_dir):
        self.bin = os.path.abspath(bin_dir)
        self.dir = tempfile.mkdtemp(prefix="hostlink-")
        self.procs = []
        self.clients = []
        # A pipe of our own, so a host running elsewhere is never reached.
        self.env = dict(os.environ)
        self.env["HXIHOST_PIPE"] = "\\\\.\\pipe\\HXIHOST-test-%d" % os.getpid()

    def start(self, exe, args, name, cwd=None):
        out = open(os.path.join(self.dir, name + ".out"), "wb")
        p = subprocess.Popen(["bash", WINE_RUN, os.path.join(self.bin, exe)] + list(args),
                             stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                             env=self.env, cwd=cwd or self.dir)
        p.out_path = out.name
        self.procs.append(p)
        return p

    def output(self, p):
        with open(p.out_path, "rb") as f:
            return f.read().decode("latin-1").replace("\r\n", "\n")

    def start_host(self, *switches):
        port_file = os.path.join(self.dir, "port.txt")
        if os.path.exists(port_file):
            os.remove(port_file)
        host = self.start("HXIHOST.EXE", ["/port", "0", "/portfile", "port.txt"] + list(switches),
                          "host")

        def listening():
            if host.poll() is not None:
                raise AssertionError("the host ended: " + self.output(host))
            return os.path.exists(port_file) and open(port_file).read().strip()

        text = wait_for(listening, "the host to listen")
        host.port = int(text)
        return host

    def connect(self, host):
        c = Client(host.port)
        self.clients.append(c)
        return c

    def stop(self, p, timeout=DEADLINE):
        if p.poll() is None:
            p.kill()
        p.wait(timeout)

    def close(self):
        for c in self.clients:
            c.close()
        for p in self.procs:
            try:
                self.stop(p)
            except Exception:
                pass


class Client:
    """A TCP client of the host that collects every line it receives."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=DEADLINE)
        self.sock.settimeout(None)
        self.lines = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        buf = b""
        while True:
            try:
                data = self.sock.recv(65536)
            except OSError:
                return
            if not data:
                return
            buf += data
            *done, buf = buf.split(b"\n")
            with self.lock:
                self.lines.extend(l.decode("latin-1").rstrip("\r") for l in done)

    def send(self, *lines):
        self.sock.sendall("".join(l + "\n" for l in lines).encode("latin-1"))

    def send_raw(self, data):
        self.sock.sendall(data)

    def taken(self):
        with self.lock:
            return list(self.lines)

    def expect(self, pattern, timeout=DEADLINE):
        """Waits for a line matching the regular expression; returns it and
        forgets every line up to it."""
        rx = re.compile(pattern)

        def find():
            with self.lock:
                for i, line in enumerate(self.lines):
                    if rx.fullmatch(line):
                        del self.lines[: i + 1]
                        return line
            return None

        try:
            return wait_for(find, "a line like %r" % pattern, timeout)
        except AssertionError:
            raise AssertionError("no line like %r; received: %r" % (pattern, self.taken()))

    def close(self):
        try:
            self.sock.close()
        except OSError:
            pass


SKIP = 77   # ctest's SKIP_RETURN_CODE for these scripts


def windows_path(path):
    """The Wine path of a Unix path (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_ini(path, sections):
    with open(path, "w", newline="\r\n") as f:
        for name, keys in sections.items():
            f.write("[%s]\n" % name)
            for k, v in keys.items():
                f.write("%s=%s\n" % (k, v))


class DriverSetup:
    """A configuration tree for VAL_DRN.EXE: CC_ROOT\\sys\\config\\system for
    the settings and database files, CC_ROOT\\sys\\windows\\lib for the control
    libraries (copied from the build's bin folder)."""

    LIBRARIES = ("ORVA_CC.DLL", "BWCC32.DLL")

    def __init__(self, session, controller, levels):
        self.config = os.path.join(session.dir, "sys", "config", "system")
        self.system = os.path.join(session.dir, "sys", "windows", "lib")
        os.makedirs(self.config)
        os.makedirs(self.system)
        for lib in self.LIBRARIES:
            src = os.path.join(session.bin, lib)
            if os.path.exists(src):
                with open(src, "rb") as f, open(os.path.join(self.system, lib), "wb") as g:
                    g.write(f.read())
        write_ini(os.path.join(self.config, "VAL_DRN.INI"),
                  {"Controller": controller,
                   "Levels": {"Level_%d" % i: dev for i, (dev, _, _) in enumerate(levels)}})
        for dev, sources, dests in levels:
            write_ini(os.path.join(self.config, "DEV_%03d.INI" % dev),
                      {"Database": {"DatabaseSize_0": sources, "DatabaseSize_1": dests}})
        session.env["CC_ROOT"] = windows_path(session.dir)
        session.env["CC_SYSTEM"] = "sys"

    @staticmethod
    def missing(bin_dir):
        """What the build lacks to run the driver end to end."""
        need = ("VAL_DRN.EXE",) + DriverSetup.LIBRARIES
        return [n for n in need if not os.path.exists(os.path.join(bin_dir, n))]


def run_session(bin_dir, missing, run):
    """Runs run(session) in a fresh Session: exits SKIP when the build lacks
    a part (missing), prints PASS, or on failure the traceback and the tail of
    every program's output and exits 1. The session is always closed."""
    if missing:
        print("SKIP: the build has no", ", ".join(missing))
        sys.exit(SKIP)
    s = Session(bin_dir)
    try:
        run(s)
        print("PASS")
    except Exception:
        traceback.print_exc()
        for p in s.procs:
            print("--- output of", os.path.basename(p.out_path))
            print(s.output(p)[-3000:])
        sys.exit(1)
    finally:
        s.close()
