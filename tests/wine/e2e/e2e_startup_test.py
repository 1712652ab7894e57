"""Start-up failures of the real driver: no level configured, no host
interface, each kind of refused registration, and a serial port that cannot
be opened. Each shows its box (read from the real window), ends with exit
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
C = Level(2, 102, 8, 4)

# Host switches, the box, and the registrations the host reports.
REFUSALS = [
    (["/force", "102=1"], "Request refused - ID supplied is invalid",
     ["REGDEV 101 0", "REGDEV 102 1"]),
    (["/force", "101=2"], "Request refused - Device Id already in use on this workstation",
     ["REGDEV 101 2"]),
    (["/nodriver"], "Request refused - HXIHOST has not been enabled in Driver Mode",
     ["REGDEV 101 3"]),
]


def tally_file(site):
    st = os.stat(site.idx)
    return site.read_idx(), st.st_mtime_ns


def fails_with_box(rig, text, what):
    """Starts the driver, reads and dismisses its box; it must then end
    cleanly without touching the tally file."""
    before = tally_file(rig.site)
    if rig.client:
        rig.client.forget()
    driver = rig.start_driver(what)
    box = rig.probe.box()
    assert box == text, "%s: box %r" % (what, box)
    assert driver.wait_end() == 0, what
    assert tally_file(rig.site) == before, "%s: the tally file changed" % what
    assert not os.path.exists(rig.site.idx + ".TMP"), what
    return driver


def registrations(lines):
    return [l for l in lines if l.startswith("REGDEV")]


def run(rig):
    link = pty_path()
    if os.path.lexists(link):
        os.remove(link)   # nothing answers on COM12
    rig.site.write_idx({0: list(range(1, A.dests + 1)), 2: [7] * C.dests})

    rig.start_host()

    c = rig.client
    configure(rig, [])
    driver = fails_with_box(rig, NO_LEVELS_TEXT, "no level configured")
    assert registrations(c.taken()) == []
    assert "Trying to attach to HXIHOST" not in driver.trace()

    configure(rig, [A, C])
    fails_with_box(rig, "Cannot open serial port 12", "no serial port")
    lines = c.lines_until(r"DEREGDEV \d+")
    assert registrations(lines) == ["REGDEV 101 0", "REGDEV 102 0"], lines
    rig.stop_host()

    fails_with_box(rig, "Cannot find ORVA Interface HXIHOST.EXE", "no host")

    for switches, text, regs in REFUSALS:
        rig.start_host(*switches)
        c = rig.client
        fails_with_box(rig, text, " ".join(switches))
        lines = c.lines_until(r"DEREGDEV \d+")
        assert registrations(lines) == regs, lines
        rig.stop_host()

    boxes = rig.probe.run("boxes")[0].boxes
    assert boxes == [], boxes


class StartupTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_startup(self):
        run(self.rig)


if __name__ == "__main__":
    main()
