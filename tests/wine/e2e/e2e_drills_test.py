"""Fault drills on the real processes: a router that sends garbage, prompts,
echoes and floods of status lines; then the router's end of the
line closed and a new router on the same pty, found by the driver on its
own. After each: no crash, no hang, the driver still answers with tallies
equal to the router's, and in the end its handles and memory are back where
they were."""
import os
import signal
import sys
import time

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import back_to_baseline, configure, matches_router  # noqa: E402
from rig import SIM, Level, RigTest, main  # noqa: E402

A = Level(0, 101, 16, 12)
C = Level(2, 102, 8, 4)
LOST = "Port 12 lost: closed, opening it again every 2000 ms"


def chatty_router(c, sim, driver):
    """Prompts and echoes all along (the simulator's dialect), garbage
    before every answer and in bursts, a flood of status lines."""
    for _ in range(2):
        sim.control("garbage 1500")
    matches_router(c, sim, A)
    matches_router(c, sim, C)
    c.forget()
    flood = 300
    sim.sock.sendall(b"".join(b"report 0 %d\n" % (i % A.dests + 1) for i in range(flood)))
    for _ in range(flood):
        assert sim.read_line() == "ok"
    sim.set(A, 3, 9)   # a real change at the end of the flood
    c.expect("TXREVERTIVE 0 RR 101 003 009")
    assert not any("IW 200 '0'" in l for l in c.taken()), c.taken()
    matches_router(c, sim, A)


def router_line_closed(rig, c, sim, driver):
    """The simulator dies: its end of the pty closes under the open port.
    Level A fails, the driver keeps serving the host, closes the port and
    tries it again every 2 s. A new simulator on the same pty path, with the
    same crosspoints: the driver polls it, the level recovers, and no tally
    has changed."""
    expected = {l.index: sim.crosspoints(l) for l in (A, C)}
    c.forget()
    sim.proc.send_signal(signal.SIGKILL)
    sim.proc.wait()
    # Its link would be gone had it quit; a stale one could reach the next
    # simulator's pseudo-terminal before that one is set up.
    os.unlink(sim.link)
    c.expect("ASSERTDEVMODE 1 101")
    driver.wait_trace(LOST)
    c.forget()
    crosspoints = os.path.join(rig.dir, "crosspoints")
    with open(crosspoints, "w") as f:
        for level in (A, C):
            for d, source in enumerate(expected[level.index], start=1):
                f.write("%d %d %d\n" % (level.index, d, source))
    back = time.monotonic()
    sim2 = rig.sim_levels([A, C], "--map", crosspoints)
    # Level C's four polls never reach the patient error limit: only A failed.
    c.expect("TXINFO 200 IW 200 '1' 101")
    print("recovered %.1f s after the router came back" % (time.monotonic() - back))
    assert driver.count(LOST) == 1
    assert not any(l.startswith("TXREVERTIVE 0 ") for l in c.taken()), c.taken()
    c.send("!GOTXRX 101 102")   # back on air once the host asks
    c.expect("GOTXRX 101 1")
    matches_router(c, sim2, A)
    matches_router(c, sim2, C)


def run(rig):
    configure(rig, [A, C], Access="42")
    sim = rig.sim_levels([A, C], "--prompt", "--echo", "line", "--garbage", "3")
    rig.start_host()
    c = rig.client
    driver = rig.start_driver("chatty")
    c.expect_all("TXINFO 200 IW 200 '1' 101", "TXINFO 200 IW 200 '1' 102")
    driver.wait_trace("Dest Valid (Rtr 2, Dest %d)" % C.dests)
    matches_router(c, sim, A)
    chatty_router(c, sim, driver)
    rig.step("garbage, status flood")
    # The baseline follows a flood of trace lines: the threads that trace
    # have then met at the trace queue's lock, whose runtime makes a handle
    # for it the first time they do (once, never again).
    base = rig.probe.stats()
    router_line_closed(rig, c, sim, driver)
    rig.step("router line closed")
    back_to_baseline(rig, base)


class DrillsTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_drills(self):
        run(self.rig)


if __name__ == "__main__":
    main()
