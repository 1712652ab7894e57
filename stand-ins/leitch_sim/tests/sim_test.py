"""The router simulator driven over its pty and its control socket: its
answers to the driver's frames in each dialect, its fault switches, its
control channel and its command line. Every wait has a deadline.
    python3 sim_test.py path/to/leitch_sim"""
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import traceback
import tty

SIM = sys.argv[1] if len(sys.argv) > 1 else "leitch_sim"
DEADLINE = 15
POLL_A32 = "@ ?\rT F\r@ X?01F\r"   # level A, destination 32
POLL_A1 = "@ ?\rT F\r@ X?00\r"     # level A, destination 1


class Sim:
    """A running simulator: its line (the pty's far end) and control socket."""

    def __init__(self, *args):
        self.dir = tempfile.mkdtemp(prefix="leitch_sim_test_")
        control = os.path.join(self.dir, "control")
        self.proc = subprocess.Popen([SIM, *args, "--control", control], stdout=subprocess.PIPE)
        path = self.proc.stdout.readline().decode().strip()
        self.line = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.line)
        self.ctl = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.ctl.connect(control)
        self.rx, self.replies = b"", b""

    def close(self):
        self.ctl.close()
        os.close(self.line)
        self.proc.terminate()
        self.proc.wait()
        shutil.rmtree(self.dir, ignore_errors=True)

    def send(self, text):
        data = text.encode("latin-1")
        while data:
            select.select([], [self.line], [], DEADLINE)
            data = data[os.write(self.line, data):]

    def _fill(self, until, from_control=False):
        """Reads line (or control) bytes until until(buffer) holds or the deadline."""
        end = time.monotonic() + DEADLINE
        name = "replies" if from_control else "rx"
        while not until(getattr(self, name)) and time.monotonic() < end:
            fd = self.ctl if from_control else self.line
            if select.select([fd], [], [], 0.1)[0]:
                more = self.ctl.recv(4096) if from_control else os.read(self.line, 4096)
                setattr(self, name, getattr(self, name) + more)

    def _take(self, n, from_control=False):
        name = "replies" if from_control else "rx"
        got = getattr(self, name)[:n]
        setattr(self, name, getattr(self, name)[n:])
        return got.decode("latin-1")

    def read_until(self, want):
        """Everything up to and including want (all that came, when it never does)."""
        w = want.encode("latin-1")
        self._fill(lambda b: w in b)
        i = self.rx.find(w)
        return self._take(len(self.rx) if i < 0 else i + len(w))

    def read_bytes(self, n):
        self._fill(lambda b: len(b) >= n)
        return self._take(n)

    def control(self, command):
        self.ctl.sendall((command + "\n").encode("latin-1"))
        self._fill(lambda b: b"\n" in b, True)
        return self._take(self.replies.find(b"\n") + 1, True).rstrip("\n")

    def wait_commands(self, n):
        end = time.monotonic() + DEADLINE
        while self.control("commands") != "ok %d" % n:
            assert time.monotonic() < end, "the simulator never took %d commands" % n
            time.sleep(0.02)

    def received(self):
        n = int(self.control("rx")[3:])
        self._fill(lambda b: len(b) >= n, True)
        return self._take(n, True)


def run_sim(*args):
    """Runs the simulator to its end; its exit code and output."""
    p = subprocess.run([SIM, *args], capture_output=True, timeout=DEADLINE)
    return p.returncode, (p.stdout + p.stderr).decode()


def dialect(*args):
    """A simulator whose level A destination 32 shows source 43."""
    sim = Sim("--size", "64:64", *args)
    assert sim.control("set A 32 43") == "ok"
    return sim


def expect(got, want):
    assert got == want, "got %r, want %r" % (got, want)


def test_plain():
    sim = dialect("--level", "B=4:2")
    try:
        sim.send(POLL_A32)
        expect(sim.read_until("\n"), "S:01F,2A\r\n")
        sim.send("@ X:0/1F,0\r@ X?01F\r")
        expect(sim.read_until("\n"), "S:01F,0\r\n")
        expect(sim.control("get A 32"), "ok 1")
        sim.send("@ X:0/4,FFFFFFFF\r@ X?04\r")
        expect(sim.read_until("\n"), "S:04,X\r\n")
        expect(sim.control("get A 5"), "ok 0")
        # Levels above J go out as one hexadecimal digit.
        expect(sim.control("set K 1 5"), "ok")
        sim.send("@ X?A0\r@ X?F3F\r")
        expect(sim.read_until("\n"), "S:A0,4\r\n")
        expect(sim.read_until("\n"), "S:F3F,3F\r\n")
        # Nothing comes back for a destination the router lacks or a bad
        # command: the next answer is the first thing on the line.
        sim.send("@ X?12\r@ X?G0\rHELLO\r@ X:1/0,9\r@ X?01F\r")
        expect(sim.read_until("\n"), "S:01F,0\r\n")
        expect(sim.control("get B 1"), "ok 1")   # source 10 on level B: refused
    finally:
        sim.close()


def test_dialects():
    cases = [(["--prompt"], ">>S:01F,2A\r\n>"),
             (["--echo", "line"], "@ ?\r\nT F\r\n@ X?01F\r\nS:01F,2A\r\n"),
             (["--echo", "bare", "--prompt"], "@ ?>T F>@ X?01FS:01F,2A\r\n>"),
             (["--lowercase"], "S:01f,2a\r\n")]
    for args, want in cases:
        sim = dialect(*args)
        try:
            sim.send(POLL_A32)
            expect(sim.read_bytes(len(want)), want)
        finally:
            sim.close()
    sim = dialect("--lowercase")
    try:
        expect(sim.control("set L 1 11"), "ok")
        sim.send("@ X?B0\r")
        expect(sim.read_until("\n"), "S:b0,a\r\n")
    finally:
        sim.close()


def test_reports_changes():
    sim = dialect("--report")
    try:
        expect(sim.read_until("\n"), "S:01F,2A\r\n")   # the set in dialect()
        sim.send("@ X:0/1F,2A\r")                      # no change: no report
        sim.send("@ X:0/0,3\r")
        expect(sim.read_until("\n"), "S:00,3\r\n")
        expect(sim.control("set A 1 0"), "ok")
        expect(sim.read_until("\n"), "S:00,X\r\n")
    finally:
        sim.close()


def test_silent_after_commands_until_resumed():
    sim = Sim("--silent-after", "3", "--prompt")
    try:
        sim.send(POLL_A1)
        expect(sim.read_bytes(11), ">>S:00,0\r\n>")
        sim.send(POLL_A1)   # unanswered
        sim.wait_commands(6)
        expect(sim.control("silent"), "ok")
        expect(sim.control("resume"), "ok")
        sim.send("@ X?01\r")
        expect(sim.read_until("\n"), "S:01,1\r\n")
        expect(sim.control("commands"), "ok 7")
    finally:
        sim.close()


def test_faults_lifted_from_the_control_channel():
    # A poll while the fault is on, then a query after the command that lifts
    # it: the pty keeps the order, so what comes first shows whether the poll
    # was answered (late, but never overtaken, for the delay).
    cases = [(["--silent"], "resume", "S:01,1\r\n"),
             (["--drop", "100"], "drop 0", "S:01,1\r\n"),
             (["--delay", "300"], "delay 0", "S:00,0\r\n")]
    for args, lift, first in cases:
        sim = Sim(*args)
        try:
            sim.send(POLL_A1)
            sim.wait_commands(3)
            expect(sim.control(lift), "ok")
            sim.send("@ X?01\r")
            expect(sim.read_until("\n"), first)
        finally:
            sim.close()


def test_garbage_and_flood():
    sim = Sim("--garbage", "5", "--seed", "7")
    try:
        sim.send(POLL_A1)
        expect(sim.read_bytes(13)[5:], "S:00,0\r\n")
        expect(sim.control("garbage 3"), "ok")
        expect(len(sim.read_bytes(3)), 3)
    finally:
        sim.close()
    # Every flood line states what the router holds, destination after
    # destination (the first round may show a crosspoint from before the set).
    sim = Sim("--flood", "2", "--size", "4:3", "--levels", "3", "--level", "B=0:0")
    try:
        expect(sim.control("set A 2 4"), "ok")
        want = "S:00,0\r\nS:01,3\r\nS:02,2\r\nS:20,0\r\nS:21,1\r\nS:22,2\r\n"
        got = ""
        for _ in range(100):
            got += sim.read_until("\n")
            if want in got:
                break
        assert want in got, got
    finally:
        sim.close()


def test_timed_changes_are_reported_and_read_back():
    sim = Sim("--change", "5", "--report", "--size", "16:2", "--levels", "1")
    try:
        lines = [sim.read_until("\n") for _ in range(5)]
        expect(sim.control("change 0"), "ok")
        expect(sim.control("send END\\r\\n"), "ok")
        lines += sim.read_until("END\r\n").split("\r\n")[:-2]
        last = {}
        for line in (l.strip() for l in lines):
            assert line[:3] == "S:0" and line[3] in "01", line
            assert last.get(line[3]) != line, "a report without a change: " + line
            last[line[3]] = line
        for dest, line in last.items():
            expect(sim.control("get A %d" % (int(dest) + 1)), "ok %d" % (int(line[5:], 16) + 1))
    finally:
        sim.close()


def test_control_channel():
    sim = Sim("--size", "8:4")
    try:
        data = "@ ?\rT F\r@ X?01F\r\n\0\xff junk\r"
        sim.send(data)
        sim.wait_commands(4)
        expect(sim.received(), data)
        expect(sim.control("clear"), "ok")
        expect(sim.received(), "")
        expect(sim.control("send >S:0\\x31F,2A\\r\\n"), "ok")
        expect(sim.read_until("\n"), ">S:01F,2A\r\n")
        expect(sim.control("report A 4"), "ok")
        expect(sim.read_until("\n"), "S:03,3\r\n")
        for bad in ("set A 5 1", "set A 1 9", "set Q 1 1", "fly"):
            assert sim.control(bad).startswith("error"), bad
        expect(sim.control("get A 4"), "ok 4")
    finally:
        sim.close()


def test_rules_map_file_and_command_line():
    fd, path = tempfile.mkstemp(prefix="leitch_sim_map_")
    with os.fdopen(fd, "w") as f:
        f.write("# level dest source\nA 2 7\n10 1 3  # level K\n\nB 1 0\n")
    sim = Sim("--rule", "none", "--map", path)
    try:
        for level, dest, want in (("A", 1, 0), ("A", 2, 7), ("K", 1, 3)):
            expect(sim.control("get %s %d" % (level, dest)), "ok %d" % want)
        sim.send("@ X?00\r@ X?A0\r")
        expect(sim.read_until("\n"), "S:00,X\r\n")
        expect(sim.read_until("\n"), "S:A0,2\r\n")
    finally:
        sim.close()
    with open(path, "w") as f:
        f.write("A 2 99\n")
    rc, out = run_sim("--map", path, "--size", "8:8")
    os.remove(path)
    assert rc == 1 and ":1:" in out, (rc, out)
    rc, out = run_sim("--help")
    assert rc == 0 and out.startswith("Usage: leitch_sim [opti"), out
    for args, want in ((["--echo", "loud"], 2), (["--level", "Q=1:1"], 2), (["--bogus"], 2),
                       (["--device", "/nonexistent/tty"], 1)):
        expect(run_sim(*args)[0], want)


def main():
    tests = [v for k, v in globals().items() if k.startswith("test_")]
    failed = 0
    for test in tests:
        try:
            test()
            print("passed", test.__name__)
        except Exception:
            failed += 1
            print("FAILED", test.__name__)
            traceback.print_exc()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
