"""Route commands end to end, with the router simulator on COM12: one
route (RC at the client to the router's crosspoint and the revertive);
then shutdown by the host and by Exit with a close request
behind it, each saving the tallies once, a restart that reloads them, and
simulation mode, which writes nothing to the port (the panel's Take
routes the park entry). RQ over a range with its end mark is the shared
query of the flood and the drills."""
import os
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import configure  # noqa: E402
from rig import SIM, UP_TRACE, Level, RigTest, main, wait_for  # noqa: E402

A = Level(0, 101, 16, 12)
C = Level(2, 102, 8, 4)
ACCESS = "42,100-110"
SAVE_TRACE = "Idxfu_WriteIndex config dir: "
EXIT, CLOSE, COMMAND = 901, 16, 273


def saves_since_start(driver):
    texts = driver.trace()
    return texts[texts.index(UP_TRACE):].count(SAVE_TRACE)


def start(rig, c, name):
    """A driver whose first cycle has read every destination of both levels."""
    c.forget()
    driver = rig.start_driver(name)
    c.expect_all("REGDEV 101 0", "REGDEV 102 0")
    driver.wait_trace("Dest Valid (Rtr 0, Dest %d)" % A.dests)
    driver.wait_trace("Dest Valid (Rtr 2, Dest %d)" % C.dests)
    return driver


def routes(c, sim):
    c.send("RC 101 12 11 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 011 012")
    assert sim.get(A, 11) == 12
    c.send("RL 101 10 10 1 42")   # left locked across the restart, which keeps it


def run(rig):
    configure(rig, [A, C], Access=ACCESS)
    sim = rig.sim_levels([A, C])
    rig.start_host()
    c = rig.client
    driver = start(rig, c, "driver1")
    routes(c, sim)
    # Closed by the host: deregistered, saved once, exit code 0.
    c.send("!CLOSE 101")
    c.expect(r"DEREGDEV \d+")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0
    assert saves_since_start(driver) == 1
    for level in (A, C):
        assert rig.site.tallies(level, level.dests) == sim.crosspoints(level)

    # The saved tallies come back: the first cycle reports only the
    # crosspoint changed while the driver was down.
    sim.set(A, 8, 2)
    driver = start(rig, c, "driver2")
    assert [l for l in c.taken() if l.startswith("TXREVERTIVE")] == \
        ["TXREVERTIVE 0 RR 101 008 002"], c.taken()
    c.send("RC 101 7 10 ',---' 42")   # refused: the lock was kept
    c.send("RQ 101 10 10 105")
    c.expect("TXREPLY 32873 RR 101 010 %03d" % sim.get(A, 10))
    c.send("RL 101 10 10 0 42")
    c.send("RC 101 7 10 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 010 007")
    # Exit from the menu with a close request right behind it: one shutdown, one save.
    rig.probe.do("post", COMMAND, EXIT, 0, "post", CLOSE, 0, 0)
    assert driver.wait_end() == 0
    assert saves_since_start(driver) == 1
    assert rig.site.tallies(A, A.dests) == sim.crosspoints(A)

    # Simulation: no port, no poll; routes are answered from the store and
    # the simulator, still on COM12, hears nothing.
    configure(rig, [A, C], Access=ACCESS, Simulation=1)
    sim.control("clear")
    saved = {l.index: sim.crosspoints(l) for l in (A, C)}
    saved[A.index][0] = 0   # destination 1 of A shows the park entry
    rig.site.write_idx(saved)
    before = rig.site.read_idx()
    driver = rig.start_driver("driver3")
    driver.wait_up()
    # The panel's Take routes what destination 1 shows: the park entry.
    rig.probe.until(lambda x: x.count(1002) == A.sources and x.sel(1002) == 0, "the panel's lists")
    rig.probe.do("click", 1003)
    c.expect("TXREVERTIVE 0 RR 101 001 000")
    c.send("RC 101 5 3 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 003 005")
    panel = rig.probe.read()
    assert (panel.field(1802), panel.field(1801)) == (("/__2B__", "OK"), ("/__9B__", "  Fail  "))
    rig.probe.do("post", CLOSE, 0, 0)
    assert driver.wait_end() == 0
    assert sim.rx() == b""
    after = rig.site.read_idx()
    assert after[4:6] == b"\x00\x05"   # destination 3 of level A
    assert after[:4] + after[6:] == before[:4] + before[6:]


class RoadTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_road(self):
        run(self.rig)


if __name__ == "__main__":
    main()
