"""Start-up failures of the real driver: no level configured, a serial port
that cannot be opened, no host interface, and a registration the host
refuses. Each shows its box (read from the real window), ends with exit
code 0 and leaves the tally file from the previous run as it was. A box the
test did not ask for fails the wait at hand at once, naming the box."""
import os
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import configure  # noqa: E402
from rig import DEADLINE, SIM, Level, RigTest, main, now, pty_path, wait_for  # noqa: E402

NO_LEVELS_TEXT = ("There are no router driver ID's defined in the VAL_DRN.INI file.  "
                  "There must be at least one router defined before VAL_DRN.EXE can function.")
A = Level(0, 101, 16, 12)
REG_INVALID = 1   # the host's answer to a registration: ID supplied is invalid


def fails_with_box(rig, text, regs):
    """Starts the driver, reads and dismisses its box; it must then end
    cleanly without touching the tally file, having registered (and
    withdrawn) the devices the host reports."""
    st = os.stat(rig.site.idx)
    before = rig.site.read_idx(), st.st_mtime_ns
    c = rig.client
    if c:
        c.forget()
    driver = rig.start_driver()
    box = rig.probe.box()
    assert box == text, box
    assert driver.wait_end() == 0, text
    st = os.stat(rig.site.idx)
    assert (rig.site.read_idx(), st.st_mtime_ns) == before, "%s: the tally file changed" % text
    assert not os.path.exists(rig.site.idx + ".TMP"), text
    if c:
        lines = c.lines_until(r"DEREGDEV \d+") if regs else c.taken()
        assert [l for l in lines if l.startswith("REGDEV")] == regs, lines


def unasked_box_fails_the_wait(rig):
    """A box the test does not ask for fails the wait at hand within about
    a second, naming the box, instead of at the wait's deadline."""
    driver = rig.start_driver("unasked")
    start, failure = now(), None
    try:
        rig.client.expect("a line that never comes", timeout=DEADLINE)
    except AssertionError as e:
        failure = str(e)
    print("the wait failed after %.1f s" % (now() - start))
    assert 'VAL_DRN.EXE shows "! Error !": "%s"' % NO_LEVELS_TEXT in (failure or ""), failure
    assert rig.probe.box() == NO_LEVELS_TEXT
    assert driver.wait_end() == 0


def commands_while_registering(rig):
    """Commands sent while A is registered and B's refusal box is up run in
    order once C is registered and the port open; then the driver polls."""
    B, C = Level(1, 102, 8, 4), Level(2, 103, 8, 4)
    rig.stop_host()
    rig.start_host("/force", "102=%d" % REG_INVALID)
    configure(rig, [A, B, C])
    sim = rig.sim_levels([A, B, C])
    c = rig.client
    c.forget()
    driver = rig.start_driver("registering")
    with rig.box_expected():
        c.expect("REGDEV 101 0")
        c.send("RC 101 5 3 ',---' 42", "RC 101 6 3 ',---' 42", "RQ 101 3 3 42")
        status = lambda: c.send("!STATUS") and c.expect(r"DEVICE 101 MODE \d+ DELIVERED \d+ .*")
        wait_for(lambda: int(status().split()[5]) >= 3,
                 "the commands delivered while the box is up")
        assert rig.probe.box() == "Request refused - ID supplied is invalid"
    c.expect("REGDEV 103 0")
    # Run in order once start-up is complete: the take frames on the wire,
    # the query answered from the loaded store after them.
    c.expect("TXREPLY 32810 RR 101 003 000")
    assert [f for f in sim.frames() if f.startswith(b"@ X:")] == [b"@ X:0/2,4", b"@ X:0/2,5"]
    # The port works: the polls read destination 3 back from the router.
    c.expect("TXREVERTIVE 0 RR 101 003 006")
    c.send("!CLOSE 101")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0


def run(rig):
    if os.path.lexists(pty_path()):
        os.remove(pty_path())   # nothing answers on COM12
    rig.site.write_idx({0: list(range(1, A.dests + 1))})
    rig.start_host()
    configure(rig, [])
    unasked_box_fails_the_wait(rig)
    fails_with_box(rig, NO_LEVELS_TEXT, [])
    configure(rig, [A])
    fails_with_box(rig, "Cannot open serial port 12", ["REGDEV 101 0"])
    rig.stop_host()
    fails_with_box(rig, "Cannot find ORVA Interface HXIHOST.EXE", [])
    rig.start_host("/nodriver")
    fails_with_box(rig, "Request refused - HXIHOST has not been enabled in Driver Mode",
                   ["REGDEV 101 3"])
    commands_while_registering(rig)


class StartupTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_startup(self):
        run(self.rig)


if __name__ == "__main__":
    main()
