"""HXIHOST.EXE with the test driver: attach, registration results, commands
from TCP to the driver and its messages back, name requests, the "!"
requests, and clients that misbehave."""
import os
import re
import signal
import socket
import sys
import threading

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from rig import DEADLINE, RigTest, main, wait_for, wait_progress  # noqa: E402


def start_driver(s, *devices):
    d = s.start("hostlink_testdriver.exe", [str(x) for x in devices], "driver")
    wait_for(lambda: "READY" in s.output(d) or d.poll() is not None, "the test driver to register")
    return d


def registration_and_commands(s):
    names = os.path.join(s.dir, "names.txt")
    with open(names, "w") as f:
        f.write("101 S 7 CAMERA 7\n")
    host = s.start_host("/force", "103=2", "/force", "104=9", "/names", names)
    c = s.client
    d = start_driver(s, 101, 1000, 103, 104)
    out = s.output(d)
    for line in ("ATTACHED", "REG 101 0", "REG 1000 1", "REG 103 2", "REG 104 9"):
        assert line in out, out
    for line in ("REGDEV 101 0", "REGDEV 1000 1", "REGDEV 103 2", "REGDEV 104 9"):
        c.expect(line)

    # A second driver may not take a device that is held.
    d2 = s.start("hostlink_testdriver.exe", ["101"], "driver2")
    c.expect("REGDEV 101 2")
    s.stop(d2)

    c.send("RC 101 5 3 ',---' 42")
    c.expect("TXREVERTIVE 0 ECHO RC 101 5 3 ',---' 42")
    c.send("NQ 101 0 7", "NQ 101 1 12")
    c.expect("REQNAME 0 101 0 7 CAMERA 7")
    c.expect("TXREVERTIVE 0 NAME CAMERA 7")
    c.expect("TXREVERTIVE 0 NAME DST 012")
    c.send("RC 102 1 1 x 42", "RC101 1 1 x 42")
    c.expect("# no driver for device 102")
    c.expect("# no driver for device 1")
    # No client speaks as the operator panel, requester 0.
    c.send("RL 101 1 4 1", "RC 101 5 3 ',---' 0")
    c.expect("# requester 0 is the operator panel: refused")
    c.expect("# requester 0 is the operator panel: refused")

    # Only the driver's own process withdraws its registration.
    wnd = re.search(r"ATTACHED (\d+)", out).group(1)
    thief = s.start("hostlink_testdriver.exe", ["-dereg=" + wnd], "thief")
    c.expect("# DEREGDEV %s refused: .*" % wnd)
    thief.wait(DEADLINE)
    # A second host cannot take the pipe's name.
    second = s.start("HXIHOST.EXE", ["/port", "0"], "host2")
    assert second.wait(DEADLINE) == 1, s.output(second)

    # Every client sees the driver's messages; requests answer their sender.
    other = s.connect(host)
    c.send("!GOTXRX 101 103")
    c.expect("ASSERTDEVMODE 3 101")
    c.expect("ASSERTDEVMODE 3 1000")
    c.expect("ASSERTDEVMODE 3 104")
    c.expect("GOTXRX 101 1")
    other.expect("ASSERTDEVMODE 3 104")
    c.send("!GORXONLY 101", "!INQTXRX 101", "!SETRXONLY 101")
    c.expect("GORXONLY 101 0")
    c.expect("INQTXRX 101 1")
    c.expect("TXREVERTIVE 0 SETRXONLY")
    c.expect("SETRXONLY 101 0")
    c.send("!STATUS")
    c.expect("STATUS 1")
    c.expect(r"DEVICE 101 MODE 3 DELIVERED \d+ HELD 0 REFUSED 0 HANGS 0 ANSWERING")
    c.expect(r"CLIENTS 2 MAX 60 IDLE 600 REQUESTER 0 REFUSED")
    c.expect(r"CLIENT \d+ 127\.0\.0\.1:\d+ LINES \d+ DROPPED 0")
    c.send("!BOGUS", "!CLOSE")
    c.expect("# unknown request: !BOGUS")
    c.expect("# usage: !CLOSE <device>")
    assert not any(l.startswith("GOTXRX") for l in other.taken())

    c.send("!CLOSE 101")
    c.expect(r"DEREGDEV \d+")
    c.expect("CLOSE 101 0")
    wait_for(lambda: d.poll() is not None, "the driver to end")
    c.send("RC 101 5 3 x 42")
    c.expect("# no driver for device 101")


def connect_many(port, count, refused):
    """Connects and hangs up count times; counts the clear refusals."""
    for _ in range(count):
        c = socket.create_connection(("127.0.0.1", port), timeout=DEADLINE)
        c.settimeout(0.05)
        try:
            refused[0] += c.recv(4096).startswith(b"# too many clients")
        except OSError:
            pass
        c.close()


def endless_line(port, megabytes):
    c = socket.create_connection(("127.0.0.1", port), timeout=DEADLINE)
    try:
        c.sendall(b"RC 201 " + b"7" * (megabytes << 20))
    except OSError:
        pass
    c.close()


def drill(s):
    """Two drivers behind one host, one of them stopped, while a client
    floods the other and others misbehave: the other's commands and
    revertives keep flowing, nothing a bad client sent runs."""
    host = s.start_host()
    d = start_driver(s, 201)
    stopped = s.start("hostlink_testdriver.exe", ["202"], "stopped")
    wait_for(lambda: "READY" in s.output(stopped), "the second driver to register")
    good = s.connect(host)
    os.kill(stopped.pid, signal.SIGSTOP)
    good.send("RC 202 1 1 x 42")
    good.expect("# driver for devices 202 is not answering; 1 held")
    refused = [0]
    side = [threading.Thread(target=connect_many, args=(host.port, 1000, refused)),
            threading.Thread(target=endless_line, args=(host.port, 8))]
    for t in side:
        t.start()
    hold = [socket.create_connection(("127.0.0.1", host.port)) for _ in range(20)]   # never read

    # Too long, a flood, and a disconnect in the middle of a line.
    bad = s.connect(host)
    bad.send("RC 201 " + "9" * 2000, "\xffgarbage")
    bad.expect("# line too long")
    bad.expect("# no driver for device 0")
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
    idle = socket.create_connection(("127.0.0.1", host.port))
    idle.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    good.send("RC 201 end 1 x 42")
    good.expect("TXREVERTIVE 0 ECHO RC 201 end 1 x 42", timeout=120)
    echo = r"TXREVERTIVE 0 ECHO RC 201 x\d+ 1 x 42"
    mark = good.mark()
    start = flood.send(*["RC 201 x%d 1 x 42" % i for i in range(3000)])
    wait_progress(lambda: good.count(echo, mark), 3000, "the flood's revertives")
    end = [t for t, l in good.stamped(mark) if re.fullmatch(echo, l)][-1]
    for t in side:
        t.join(DEADLINE)
    assert good.count(r".*ECHO RC 201 (77 77|66 66|7777).*") == 0
    print("drill: 3000 commands and revertives at %.0f/s beside a stopped driver, 1000 "
          "connections (%d refused), 21 clients not reading" % (3000 / (end - start), refused[0]),
          flush=True)
    os.kill(stopped.pid, signal.SIGCONT)
    good.expect("TXREVERTIVE 0 ECHO RC 202 1 1 x 42")
    good.expect("# driver for devices 202 answers again")
    for c in hold + [idle]:
        c.close()
    assert d.poll() is None


class HostTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "hostlink_testdriver.exe")

    def test_registration_and_commands(self):
        registration_and_commands(self.rig)

    def test_drill(self):
        drill(self.rig)


if __name__ == "__main__":
    main()
