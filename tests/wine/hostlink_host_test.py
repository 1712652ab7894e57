"""HXIHOST.EXE with the test driver: attach, registration results, a
withdrawal nobody but the driver may make, and then a drill: a driver
stopped while clients flood another, a third starts, and others misbehave."""
import os
import re
import signal
import socket
import sys
import threading
import time

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from rig import DEADLINE, RigTest, main, wait_for, wait_progress  # noqa: E402


def start_driver(s, name, *devices):
    d = s.start("hostlink_testdriver.exe", [str(x) for x in devices], name)
    wait_for(lambda: "READY" in s.output(d) or d.poll() is not None, "the test driver to register")
    return d


def registration(s, c):
    d = start_driver(s, "driver", 201, 203)
    out = s.output(d)
    assert "REG 201 0" in out and "REG 203 2" in out, out
    c.expect_all("REGDEV 201 0", "REGDEV 203 2")
    # Only the driver's own process withdraws its registration.
    wnd = re.search(r"ATTACHED (\d+)", out).group(1)
    thief = s.start("hostlink_testdriver.exe", ["-dereg=" + wnd], "thief")
    c.expect("# DEREGDEV %s refused: .*" % wnd)
    thief.wait(DEADLINE)
    return d


def connect_many(port, count):
    """Connects and hangs up count times."""
    for _ in range(count):
        socket.create_connection(("127.0.0.1", port), timeout=DEADLINE).close()


def worst_call_us(c):
    c.send("TW 204 20")
    worst, failed = map(int, c.expect(r"TXREVERTIVE 0 WORST \d+ FAILED \d+").split()[3::2])
    assert failed == 0, failed
    return worst


def drill(s, host, good):
    """A second driver stopped, while a client floods the first and others
    misbehave: the first's commands and revertives keep flowing, nothing a
    bad client sent runs."""
    stopped = start_driver(s, "stopped", 202)
    os.kill(stopped.pid, signal.SIGSTOP)
    good.send("RC 202 1 1 x 42")
    good.expect("# driver for devices 202 is not answering; 1 held")
    side = [threading.Thread(target=connect_many, args=(host.port, 1000))]
    for t in side:
        t.start()
    hold = [socket.create_connection(("127.0.0.1", host.port)) for _ in range(20)]   # never read

    # A flood, and a disconnect in the middle of a line.
    flood = s.connect(host)
    flood.send(*["RC 201 %d 1 x 42" % i for i in range(2000)])
    cut = socket.create_connection(("127.0.0.1", host.port))
    cut.sendall(b"RC 201 77 77 x 42")
    cut.close()
    # A web page's request and bytes no line holds close the connection
    # with nothing run.
    for data in (b"POST / HTTP/1.1\r\nHost: x\r\n\r\nRC 201 66 66 x 42\n",
                 b"RC 201 66 66 x 42\x00\nRC 201 66 66 x 42\n"):
        web = socket.create_connection(("127.0.0.1", host.port))
        web.sendall(data)
        assert web.recv(4096).endswith(b": closed\n")
        assert web.recv(4096) == b""
        web.close()

    # A client that never reads loses old lines but never stalls the host.
    # Four clients stream at full speed while a driver starts and keeps
    # calling the host: it registers, none of its calls fails (the worst is
    # printed), every client is served.
    idle = socket.create_connection(("127.0.0.1", host.port))
    idle.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    echo = r"TXREVERTIVE 0 ECHO RC 201 c%sx\d+ 1 x 42"
    for k, f in enumerate([flood] + [s.connect(host) for _ in range(3)]):
        f.send_in_background(["RC 201 c%dx%d 1 x 42" % (k, i) for i in range(1000)])
    assert "REG 204 0" in s.output(start_driver(s, "late", 204))
    worst = []   # measured while the flood runs: one round per look at its progress
    wait_progress(lambda: worst.append(worst_call_us(good)) or good.count(echo % r"\d"), 4000,
                  "the flood's revertives")
    assert [good.count(echo % k) for k in range(4)] == [1000] * 4
    print("worst library call under flood: %.1f ms" % (max(worst) / 1000))
    for t in side:
        t.join(DEADLINE)
    assert good.count(r".*ECHO RC 201 (77 77|66 66).*") == 0
    os.kill(stopped.pid, signal.SIGCONT)
    good.expect("TXREVERTIVE 0 ECHO RC 202 1 1 x 42")
    good.expect("# driver for devices 202 answers again")
    for c in hold + [idle]:
        c.close()


class HostTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "hostlink_testdriver.exe")

    def test_host(self):
        s = self.rig
        host = s.start_host("/force", "203=2", "/pipeidle", "1")   # the libraries reconnect often
        c = s.client
        d = registration(s, c)
        drill(s, host, c)
        time.sleep(2)   # past /pipeidle: the driver's next call finds its connection dropped
        c.send("!CLOSE 201")
        c.expect(r"DEREGDEV \d+")
        c.expect("CLOSE 201 0")
        wait_for(lambda: d.poll() is not None, "the driver to end")
        c.send("RC 201 5 3 x 42")
        c.expect("# no driver for device 201")


if __name__ == "__main__":
    main()
