"""A client floods the host with 10,000 command texts in one burst, to a
driver set up as in service (no trace, minimised, the default poll period)
with the router simulator on COM12: every text is counted, every query is
answered, nothing else changes, and the driver's handles and memory come
back to where they were."""
import os
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import back_to_baseline, configure, matches_router  # noqa: E402
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
                  "RC 101 99 %d ',---' 42" % d,          # no such source
                  "RQ 101 1 12 43",                     # requester refused
                  "XX 101 not a command",
                  "RL 101 %d %d 0 43" % (d, d),         # lock refused
                  "RP 102 4 4 42",
                  "RQ 101 %d %d 42 %s" % (d, d, "x" * 600),
                  "RQ 101 12 1 42"]                     # reversed range
    return texts, 3 * groups


def run(rig):
    # The default poll period: a driver kept busy by the host drains the
    # router's answers late; at a short period it judges the link failed.
    configure(rig, [A, C], DebugMode=0, TallyDelay=1000, Access="42")
    sim = rig.sim_levels([A, C])
    # Tallies saved as the router has them: no poll revertive is due.
    rig.site.write_idx({l.index: sim.crosspoints(l) for l in (A, C)})
    rig.start_host()
    c = rig.client
    rig.start_driver("quiet", traced=False)
    c.expect("TXINFO 200 IW 200 '1' 101")
    matches_router(c, sim, A)
    matches_router(c, sim, C)
    base = rig.probe.stats()
    rig.step("start")

    texts, replies = flood_texts(1000)
    assert len(texts) == 10000
    counted = int(rig.probe.read().text(1102)) + len(texts)
    c.forget()
    c.send_in_background(texts)
    answers = ("TXREPLY 32810", "TXREVERTIVE 42")
    answered = lambda: sum(1 for l in c.taken() if l.startswith(answers))
    assert wait_progress(answered, replies, "answers to the flood") == replies
    wait_for(lambda: rig.probe.read().text(1102) == "%08d" % counted, "every text counted")
    rig.step("10,000 texts")
    assert answered() == replies
    taken = c.taken()
    assert not any(l.startswith(("#", "ASSERTDEVMODE", "TXREVERTIVE 0 ")) for l in taken), \
        [l for l in taken if not l.startswith("TX")]
    matches_router(c, sim, A)
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
