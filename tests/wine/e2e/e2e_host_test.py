"""The host under load and stopped, with the real processes: four clients
stream commands at full speed to one test driver while VAL_DRN.EXE starts
and a second test driver polls the host (a name request through the
library and a message to the host window every 20 ms): the driver
registers, every client is served, no poll fails. Then the host is
stopped (SIGSTOP) while they run: VAL_DRN.EXE keeps polling the router,
library calls fail within their bound, and after SIGCONT everything works
again. Prints the polling driver's worst call times."""
import os
import signal
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import configure  # noqa: E402
from rig import SIM, Level, RigTest, main, wait_for, wait_progress  # noqa: E402

A = Level(0, 101, 16, 12)
FLOODERS, EACH = 4, 2000
CALL_BOUND_MS = 2000   # the library's bound on one call


def test_driver(rig, name, *args):
    d = rig.start("hostlink_testdriver.exe", list(args), name)
    wait_for(lambda: "READY" in rig.output(d), "%s to register" % name)
    return d


def poll_figures(c):
    """The poller's worst call and send (ms), polls done and failed since
    the last asking."""
    c.send("TW 201")
    w = c.expect(r"TXREVERTIVE 0 WORST .*").split()
    return float(w[3]), float(w[4]), int(w[6]), int(w[8])


def flood(rig, c, sim):
    poll_figures(c)
    flooders = [rig.connect() for _ in range(FLOODERS)]
    for k, f in enumerate(flooders):
        f.send_in_background(["RC 203 c%dn%d 1 x 42" % (k, i) for i in range(EACH)])
    driver = rig.start_driver("driver")
    c.expect("REGDEV 101 0")
    echo = r"TXREVERTIVE 0 ECHO RC 203 c\dn\d+ 1 x 42"
    wait_progress(lambda: c.count(echo), FLOODERS * EACH, "every client's commands")
    for k in range(FLOODERS):
        assert c.count(r"TXREVERTIVE 0 ECHO RC 203 c%dn\d+ 1 x 42" % k) == EACH, k
    call, send, polls, failed = poll_figures(c)
    print("under flood: worst library call %.1f ms, worst sent message %.1f ms, %d polls"
          % (call, send, polls))
    assert polls > 0 and failed == 0, (polls, failed)
    return driver


def stopped(rig, c, sim, driver):
    driver.wait_trace("Dest Valid (Rtr 0, Dest %d)" % A.dests)
    poll_figures(c)
    os.kill(rig.host.pid, signal.SIGSTOP)
    try:
        # A crosspoint changed meanwhile: the driver's revertive call finds
        # no host, and its polls go on.
        sim.set(A, 3, 7)
        start = len(sim.frames())
        wait_for(lambda: len(sim.frames()) > start + 5 * A.dests, "the driver to keep polling")
    finally:
        os.kill(rig.host.pid, signal.SIGCONT)
    call, send, polls, failed = poll_figures(c)
    print("host stopped: worst library call %.1f ms, %d polls failed" % (call, failed))
    assert failed > 0 and call < 2 * CALL_BOUND_MS + 1000, (call, failed)
    c.send("RQ 101 3 3 42")
    c.expect("TXREPLY 32810 RR 101 003 007")
    call, send, polls, failed = poll_figures(c)
    assert failed == 0, (polls, failed)


class HostDrillTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "hostlink_testdriver.exe", SIM)

    def test_host_drill(self):
        rig = self.rig
        configure(rig, [A], Access="42")
        sim = rig.sim_levels([A])
        rig.start_host()
        c = rig.client
        test_driver(rig, "poller", "-poll=20", 201)
        test_driver(rig, "busy", 203)
        driver = flood(rig, c, sim)
        stopped(rig, c, sim, driver)


if __name__ == "__main__":
    main()
