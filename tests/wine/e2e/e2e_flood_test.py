"""A burst of commands to a driver set up as in service (no trace,
minimised, the default link limits, polling every 50 ms) with the router
simulator on COM12: 10,000 texts in one burst, 500 of them takes. Every
text counted, every query answered, every take on the wire in order, the
tallies equal the router's crosspoints, no level failed, and the driver's
handles and memory back where they were.
The long waits fail only when nothing moves for a while, never at a fixed
total, so a loaded machine makes the test slower, not red."""
import os
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import back_to_baseline, configure, matches_router, query  # noqa: E402
from rig import SIM, Level, RigTest, main, wait_for, wait_progress  # noqa: E402

A = Level(0, 101, 16, 12)
C = Level(2, 102, 8, 4)


def flood_texts(groups):
    """Ten texts per group, three of them answered: a one-destination RQ,
    a one-destination RP on the other level, and an RQ beyond 511
    characters (cut, still whole in its fields)."""
    texts = []
    for i in range(groups):
        d = i % A.dests + 1
        texts += ["RQ 101 %d %d 42" % (d, d),
                  "RL 101 %d %d 1 42" % (d, d),
                  "RL 101 %d %d 0 42" % (d, d),
                  "RC 101 %d %d ',---' 42" % (i % 12 + 1 if i % 2 else 99, d),  # 99: no such source
                  "RQ 101 1 12 43",                     # requester refused
                  "XX 101 not a command",
                  "RL 101 %d %d 0 43" % (d, d),         # lock refused
                  "RP 102 4 4 42",
                  "RQ 101 %d %d 42 %s" % (d, d, "x" * 600),
                  "RQ 101 12 1 42"]                     # reversed range
    return texts, 3 * groups


def take_frames(sim):
    return [f for f in sim.frames() if f.startswith(b"@ X:")]


def frame(level, source, dest):
    return b"@ X:%X/%X,%X" % (level.index, dest - 1, source - 1)


def run(rig):
    configure(rig, [A, C], DebugMode=0, TallyDelay=50, MaxUnAcks=5, CommErrorLimit=5,
              Access="42")
    sim = rig.sim_levels([A, C])
    # Tallies saved as the router has them: no poll revertive is due.
    rig.site.write_idx({l.index: sim.crosspoints(l) for l in (A, C)})
    rig.start_host()
    c = rig.client
    rig.start_driver("quiet", traced=False)
    c.expect("TXINFO 200 IW 200 '1' 101")
    matches_router(c, sim, A)
    matches_router(c, sim, C)
    # Without DebugMode the main window starts as an icon.
    assert rig.probe.read().windows["main"]["iconic"] == "1"
    base = rig.probe.stats()
    rig.step("start")

    texts, replies = flood_texts(1000)
    assert len(texts) == 10000
    counted = int(rig.probe.read().text(1102)) + len(texts)
    rx_counter = lambda: int(rig.probe.read().text(1102))
    sim.control("clear")
    c.forget()
    c.send_in_background(texts)
    answers = ("TXREPLY 32810", "TXREVERTIVE 42")
    answered = lambda: sum(1 for l in c.taken() if l.startswith(answers))
    assert wait_progress(answered, replies, "answers to the flood") == replies
    assert wait_progress(rx_counter, counted, "texts counted") == counted
    rig.step("10,000 texts")
    assert answered() == replies
    taken = c.taken()
    assert not any(l.startswith(("#", "ASSERTDEVMODE")) or " IW 200 '0' " in l for l in taken), \
        [l for l in taken if not l.startswith("TXREPLY")]
    takes = [frame(A, i % 12 + 1, i % A.dests + 1) for i in range(1, 1000, 2)]
    assert take_frames(sim) == takes, (len(take_frames(sim)), len(takes))
    # A take leaves its destination unknown until a poll has read it back.
    wait_for(lambda: query(c, A) == sim.crosspoints(A), "tallies equal to the router's")
    matches_router(c, sim, C)
    back_to_baseline(rig, base)
    c.send("!CLOSE 101")
    c.expect("CLOSE 101 0")


class FloodTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_flood(self):
        run(self.rig)


if __name__ == "__main__":
    main()
