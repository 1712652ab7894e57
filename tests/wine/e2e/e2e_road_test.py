"""Route commands end to end, with the router simulator on COM12: the road
of one route (RC at the client, the take frame at the router byte for byte,
the revertive after the next poll), locks, RP and RQ over ranges, access
refusals; then the three ways of shutting down, each saving the tallies
once, a restart that reloads them, and simulation mode, which writes
nothing to the port."""
import os
import re
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import configure  # noqa: E402
from rig import SIM, Level, RigTest, main, wait_for  # noqa: E402

A = Level(0, 101, 16, 12)
C = Level(2, 102, 8, 4)
ACCESS = "42,100-110"
SAVE_TRACE = "Idxfu_WriteIndex config dir: "
EXIT, CLOSE, COMMAND = 901, 16, 273


def takes(sim):
    return [f for f in sim.frames() if f.startswith(b"@ X:")]


def rr_lines(lines):
    return [l for l in lines if re.fullmatch(r"TX(REVERTIVE|REPLY) \d+ RR .*", l)]


def answers(lines):
    """The RR lines that answer commands (the poll's own carry requester 0)."""
    return [l for l in rr_lines(lines) if not l.startswith("TXREVERTIVE 0 ")]


def rr(kind, param, level, sim, dests):
    return ["TX%s %d RR %03d %03d %03d" % (kind, param, level.device, d, sim.get(level, d))
            for d in dests]


class Commands:
    """Sends command texts to the driver and counts them."""

    def __init__(self, c):
        self.c = c
        self.sent = 0

    def send(self, *lines):
        self.sent += len(lines)
        self.c.send(*lines)


def saves_since_start(driver):
    texts = driver.trace()
    return texts[texts.index("Dialog_InitDialog: SetComState(FAIL)"):].count(SAVE_TRACE)


def wait_first_cycle(driver):
    """Every destination of both levels has been read from the router once."""
    driver.wait_trace("Dest Valid (Rtr 0, Dest %d)" % A.dests)
    driver.wait_trace("Dest Valid (Rtr 2, Dest %d)" % C.dests)


def road_of_one_route(c, cmd, sim, driver):
    sim.control("clear")
    cmd.send("RC 101 12 11 ',---' 42")
    wait_for(lambda: takes(sim), "the take frame")
    assert sim.rx().count(b"@ X:0/A,B\r") == 1, sim.rx()
    c.expect("TXREVERTIVE 0 RR 101 011 012")
    # The router reported the new source when the poll next asked for it.
    frames = sim.frames()
    assert frames.index(b"@ X?0A", frames.index(b"@ X:0/A,B")) > 0, frames
    texts = driver.trace()
    at = texts.index("Router Connect 11 10")
    assert texts[at + 1] == "@ X:0/A,B", texts[at:at + 2]
    assert texts.index("S:0A,B", at) > texts.index("@ X?0A", at)
    assert sim.get(A, 11) == 12
    # Another level, and the park entry (no source): its frame carries -1.
    sim.control("clear")
    cmd.send("RC 102 8 4 ',---' 100", "RC 101 0 5 ',---' 42")
    wait_for(lambda: len(takes(sim)) == 2, "two take frames")
    assert takes(sim) == [b"@ X:2/3,7", b"@ X:0/4,FFFFFFFF"], takes(sim)
    c.expect_all("TXREVERTIVE 0 RR 102 004 008", "TXREVERTIVE 0 RR 101 005 000")
    cmd.send("RC 101 3 5 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 005 003")


def locks_block_routes(c, cmd, sim):
    sim.control("clear")
    cmd.send("RL 101 6 7 1 42", "RC 101 9 6 ',---' 42", "RC 101 9 8 ',---' 42")
    wait_for(lambda: takes(sim), "the take frame of the unlocked destination")
    assert takes(sim) == [b"@ X:0/7,8"], takes(sim)
    cmd.send("RL 101 6 7 0 42", "RC 101 9 6 ',---' 42")
    c.expect_all("TXREVERTIVE 0 RR 101 008 009", "TXREVERTIVE 0 RR 101 006 009")
    # Left locked across the restart, which does not keep locks.
    cmd.send("RL 101 10 10 1 42")


def ranges_with_end_mark(c, cmd, sim):
    c.forget()
    cmd.send("RQ 101 1 12 42")
    lines = c.lines_until(r"TXREPLY 32810 RR 101 012 \d{3}")
    assert answers(lines) == (rr("REPLY", 42, A, sim, range(1, 12)) +
                              rr("REPLY", 32810, A, sim, [12])), lines
    # RP revertives, a reply on another level, a reversed range (nothing);
    # a network client naming the panel's requester 0 is refused by the host.
    cmd.c.send("RQ 101 1 1 0")   # never reaches the driver, so not counted
    cmd.c.expect("# requester 0 is the operator panel: refused")
    cmd.send("RP 101 3 5 105", "RQ 101 5 3 42", "RQ 102 1 4 110")
    lines = c.lines_until(r"TXREPLY 32878 RR 102 004 \d{3}")
    assert answers(lines) == (rr("REVERTIVE", 105, A, sim, [3, 4, 5]) +
                              rr("REPLY", 110, C, sim, [1, 2, 3]) +
                              rr("REPLY", 110 + 0x8000, C, sim, [4])), lines


def access_refused(c, cmd, sim):
    sim.control("clear")
    c.forget()
    cmd.send("RC 101 1 1 ',---' 43", "RL 101 2 2 1 111", "RQ 101 1 3 43", "RP 101 1 3 1000",
             "RQ 101 1 1 -5", "RQ 101 2 2 42")
    lines = c.lines_until(r"TXREPLY 32810 RR 101 002 \d{3}")
    assert answers(lines) == rr("REPLY", 32810, A, sim, [2]), lines
    # The refused lock left destination 2 free.
    cmd.send("RC 101 4 2 ',---' 100")
    wait_for(lambda: takes(sim), "the take frame")
    assert takes(sim) == [b"@ X:0/1,3"], takes(sim)
    c.expect("TXREVERTIVE 0 RR 101 002 004")


def counters_match(rig, cmd, watch):
    """Every text counted on Rx, every revertive sent counted on Tx."""
    wait_for(lambda: rig.probe.read().text(1101) == "%08d" % len(rr_lines(watch.taken())),
             "the Tx counter to match the revertives received")
    assert rig.probe.read().text(1102) == "%08d" % cmd.sent


def start(rig, c, name):
    c.forget()
    driver = rig.start_driver(name)
    c.expect("REGDEV 101 0")
    c.expect("REGDEV 102 0")
    driver.wait_up()
    return driver


def first_run(rig, c, sim, watch):
    driver = start(rig, c, "driver1")
    wait_first_cycle(driver)
    cmd = Commands(c)
    road_of_one_route(c, cmd, sim, driver)
    locks_block_routes(c, cmd, sim)
    ranges_with_end_mark(c, cmd, sim)
    access_refused(c, cmd, sim)
    counters_match(rig, cmd, watch)
    # Closed by the host: deregistered, saved once, exit code 0.
    c.send("!CLOSE 101")
    c.expect(r"DEREGDEV \d+")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0
    assert saves_since_start(driver) == 1
    assert rig.site.tallies(A, A.dests) == [sim.get(A, d) for d in range(1, A.dests + 1)]
    assert rig.site.tallies(C, C.dests) == [sim.get(C, d) for d in range(1, C.dests + 1)]


def restart_reloads(rig, c, sim, watch):
    """The saved tallies come back: the first cycle reports only the
    crosspoint changed while the driver was down."""
    sim.set(A, 8, 2)
    watch.forget()
    driver = start(rig, c, "driver2")
    wait_first_cycle(driver)
    assert [l for l in watch.taken() if l.startswith("TXREVERTIVE")] == \
        ["TXREVERTIVE 0 RR 101 008 002"], watch.taken()
    # Locks are not kept: destination 10 takes a route again.
    c.send("RC 101 7 10 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 010 007")
    # Exit from the menu with a close request right behind it: one
    # shutdown, one save.
    rig.probe.do("post", COMMAND, EXIT, 0, "post", CLOSE, 0, 0)
    assert driver.wait_end() == 0
    assert saves_since_start(driver) == 1
    assert rig.site.tallies(A, 10) == [sim.get(A, d) for d in range(1, 11)]


def simulation_without_port(rig, c, sim):
    """Simulation: no port, no poll; routes are answered from the store.
    The simulator stays on COM12 and must hear nothing."""
    configure(rig, [A, C], Access=ACCESS, Simulation=1)
    sim.control("clear")
    before = rig.site.read_idx()
    driver = start(rig, c, "driver3")
    c.send("RC 101 5 3 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 003 005")
    c.send("!GOTXRX 101")
    c.expect("GOTXRX 101 1")
    panel = rig.probe.read()
    assert panel.field(1802) == ("/__2B__", "OK"), panel
    assert panel.field(1801) == ("/__9B__", "  Fail  "), panel
    rig.probe.do("post", CLOSE, 0, 0)
    assert driver.wait_end() == 0
    assert saves_since_start(driver) == 1
    assert sim.rx() == b""
    after = rig.site.read_idx()
    assert after[4:6] == b"\x00\x05"   # destination 3 of level A
    assert after[:4] + after[6:] == before[:4] + before[6:]


def run(rig):
    configure(rig, [A, C], Access=ACCESS)
    sim = rig.sim_levels([A, C])
    rig.start_host()
    c = rig.client
    watch = rig.connect()
    first_run(rig, c, sim, watch)
    restart_reloads(rig, c, sim, watch)
    simulation_without_port(rig, c, sim)


class RoadTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_road(self):
        run(self.rig)


if __name__ == "__main__":
    main()
