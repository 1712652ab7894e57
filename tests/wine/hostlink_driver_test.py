"""The driver end to end in simulation: VAL_DRN.EXE registers with HXIHOST,
a TCP client routes, locks and queries, sees the revertives, steers the
interface mode, and finally closes the driver from the host."""
import os
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from rig import RigTest, main  # noqa: E402


def run(rig):
    rig.configure([(101, 16, 12), (102, 8, 8)], Simulation=1, Access="42,100-110", DebugMode=0)
    rig.start_host()
    c = rig.client
    driver = rig.start_driver(traced=False)
    c.expect("REGDEV 101 0")
    c.expect("REGDEV 102 0")
    c.expect("REQNAME 0 101 1 12 DST 012")   # the panel has filled its lists

    # Route in simulation: the revertive comes at once.
    c.send("RC 101 5 3 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 003 005")
    c.send("RQ 101 1 3 42")
    c.expect(r"TXREPLY 42 RR 101 001 (65535|000)")
    c.expect(r"TXREPLY 42 RR 101 002 (65535|000)")
    c.expect("TXREPLY 32810 RR 101 003 005")

    # Locks block routes; a refused requester gets nothing.
    c.send("RL 101 1 4 1 42", "RC 101 6 2 ',---' 42", "RC 101 6 3 ',---' 43",
           "RP 101 2 3 105")
    line = c.expect(r"TXREVERTIVE 105 RR 101 002 .*")
    assert not line.endswith(" 006"), line
    c.expect("TXREVERTIVE 105 RR 101 003 005")
    assert not any(l.startswith("TXREVERTIVE 0") for l in c.taken()), c.taken()
    c.send("RL 101 1 4 0 42", "RC 101 6 2 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 002 006")

    # Interface modes: the link is good in simulation.
    c.send("!GORXONLY 101")
    c.expect("GORXONLY 101 0")
    c.send("!SETRXONLY 101", "RQ 101 1 1 42", "!INQTXRX 101")
    c.expect("SETRXONLY 101 0")
    c.expect("INQTXRX 101 1")
    assert not any(l.startswith("TXREPLY") for l in c.taken()), c.taken()
    c.send("!GOTXRX 101 102")   # 102 excepted: only 101 is asserted
    c.expect("ASSERTDEVMODE 3 101")
    c.expect("GOTXRX 101 1")
    c.send("!STATUS")
    c.expect("STATUS 2")
    c.expect(r"DEVICE 101 MODE 3 .*")
    c.expect(r"DEVICE 102 MODE 0 .*")
    c.send("RQ 102 8 8 42")
    c.expect("TXREPLY 32810 RR 102 008 (65535|000)")

    # The host closes the driver: it deregisters and ends, saving its tallies.
    c.send("!CLOSE 101")
    c.expect(r"DEREGDEV \d+")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0
    saved = rig.site.read_idx()
    assert saved[2:6] == b"\x00\x06\x00\x05", saved[:8]   # destinations 2 and 3 of level A


class DriverTest(RigTest):
    def test_driver_in_simulation(self):
        run(self.rig)


if __name__ == "__main__":
    main()
