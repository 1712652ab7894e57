"""Start-up failures of the real driver: no level configured, a serial port
that cannot be opened, no host interface, and a registration the host
refuses. Each shows its box (read from the real window), ends with exit
code 0 and leaves the tally file from the previous run as it was."""
import os
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import configure  # noqa: E402
from rig import SIM, Level, RigTest, main, pty_path  # noqa: E402

NO_LEVELS_TEXT = ("There are no router driver ID's defined in the VAL_DRN.INI file.  "
                  "There must be at least one router defined before VAL_DRN.EXE can function.")
A = Level(0, 101, 16, 12)


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


def run(rig):
    if os.path.lexists(pty_path()):
        os.remove(pty_path())   # nothing answers on COM12
    rig.site.write_idx({0: list(range(1, A.dests + 1))})
    rig.start_host()
    configure(rig, [])
    fails_with_box(rig, NO_LEVELS_TEXT, [])
    configure(rig, [A])
    fails_with_box(rig, "Cannot open serial port 12", ["REGDEV 101 0"])
    rig.stop_host()
    fails_with_box(rig, "Cannot find ORVA Interface HXIHOST.EXE", [])
    rig.start_host("/nodriver")
    fails_with_box(rig, "Request refused - HXIHOST has not been enabled in Driver Mode",
                   ["REGDEV 101 3"])


class StartupTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_startup(self):
        run(self.rig)


if __name__ == "__main__":
    main()
