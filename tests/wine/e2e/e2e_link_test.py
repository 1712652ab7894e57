"""The router link end to end: the driver polls the simulator on COM12 with
two levels, reaches OK on both, keeps its tallies equal to the simulator's
crosspoints, fails a level when the simulator falls silent (the error limit
asserting Rx only for every device; with a high error limit the silence
check reporting the link failure instead) and recovers when it answers
again."""
import os
import re
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import configure, matches_router  # noqa: E402
from rig import SIM, Level, RigTest, main, wait_for  # noqa: E402

A = Level(0, 101, 16, 12)
C = Level(2, 102, 8, 4)
# The default limits, and a poll period that leaves room for a loaded machine.
LINK = {"TallyDelay": 200, "MaxUnAcks": 5, "CommErrorLimit": 5}
FAIL_BY_LIMIT = "ComSup_SendData: UnAck msgs >= ErrorLimit (5). SetComState(FAIL)"
FAIL_BY_SILENCE = "Dialog_Tally: SetComState(FAIL)"
TICK_DONE = "Dialog_Tally ..."


def revertives(lines, device):
    """{destination: source} of the RR texts of one device among host lines."""
    found = {}
    for line in lines:
        m = re.fullmatch(r"TX(?:REVERTIVE|REPLY) \d+ RR %03d (\d{3}) (\d+)" % device, line)
        if m:
            found[int(m.group(1))] = int(m.group(2))
    return found


def since_last_answer(texts, failure):
    """The trace from the last status line decoded before the first
    failure trace up to that failure."""
    end = texts.index(failure)
    start = max(i for i in range(end) if texts[i].startswith("S:"))
    return texts[start:end]


def linked_with_both_levels(rig, c, sim):
    """Start-up to OK on both levels; the first cycle reports every
    destination, since the fresh tally file knows none."""
    c.expect("REGDEV 101 0")
    c.expect("REGDEV 102 0")
    wait_for(lambda: len(revertives(c.taken(), 102)) == C.dests, "level C's revertives")
    first = c.taken()
    assert "TXINFO 200 IW 200 '1' 101" in first, first
    assert "TXINFO 200 IW 200 '1' 102" in first, first
    for level in (A, C):
        assert revertives(first, level.device) == dict(enumerate(sim.crosspoints(level), 1)), first
    c.forget()
    panel = rig.probe.read()
    assert panel.field(1802) == ("/__2B__", "OK"), panel
    assert panel.titles["main"].endswith(" - Tx/Rx"), panel


def change_seen_within_a_cycle(c, sim, driver):
    """A crosspoint changed at the router is stored and reported before the
    cycle has queried every destination once more."""
    sim.control("clear")
    sim.set(A, 7, 11)
    c.expect("TXREVERTIVE 0 RR 101 007 011")
    polls = [f for f in sim.frames() if f.startswith(b"@ X?")]
    assert len(polls) <= A.dests + C.dests + 1, polls
    matches_router(c, sim, A)
    matches_router(c, sim, C)


def silence_fails_both_levels(rig, c, sim, driver):
    sim.control("silent")
    # Each level fails by the error limit on its own turn: its '0' text,
    # Rx only asserted for every device, its '0' text again.
    for _ in range(2):
        device = int(c.expect(r"TXINFO 200 IW 200 '0' 10[12]").split()[-1])
        c.expect("ASSERTDEVMODE 1 101")
        c.expect("ASSERTDEVMODE 1 102")
        c.expect("TXINFO 200 IW 200 '0' %d" % device)
    # The second query after the router's last answer reaches the limit;
    # a move to the next level in between starts the count again.
    driver.wait_trace(FAIL_BY_LIMIT, times=2)
    polls = [t for t in since_last_answer(driver.trace(), FAIL_BY_LIMIT) if t.startswith("@ X?")]
    moved = len({p[4] for p in polls}) > 1
    assert len(polls) == 2 + moved, polls
    panel = rig.probe.read()
    assert panel.titles["main"].endswith(" - Rx Only"), panel
    assert panel.field(1802) == ("/__1B__", "Fault"), panel
    assert panel.state(1801) == "/__9B__", panel
    # While the link is down the host cannot put the driver back on air.
    c.send("!GOTXRX 101", "!INQTXRX 101", "!GORXONLY 101")
    c.expect("GOTXRX 101 0")
    c.expect("INQTXRX 101 0")
    c.expect("GORXONLY 101 1")
    # Rx only: queries are taken but not answered.
    c.send("RQ 101 1 2 42", "!STATUS")
    c.expect("STATUS 2")
    assert not any(l.startswith("TXREPLY") for l in c.taken()), c.taken()


def resume_recovers(rig, c, sim):
    sim.control("resume")
    c.expect_all("TXINFO 200 IW 200 '1' 101", "TXINFO 200 IW 200 '1' 102")
    wait_for(lambda: rig.probe.read().field(1802) == ("/__2B__", "OK"),
             "the overall state to be good")
    # The interface mode stays Rx only until the host asks for Tx/Rx.
    assert rig.probe.read().titles["main"].endswith(" - Rx Only")
    assert not any(l.startswith("ASSERTDEVMODE 3") for l in c.taken()), c.taken()
    c.send("!GOTXRX 101 102")
    c.expect("ASSERTDEVMODE 3 101")
    c.expect("GOTXRX 101 1")
    matches_router(c, sim, A)


def silence_check_reports_link_failure(rig, sim):
    """With the error limit out of reach, the poll tick's silence check
    fails the level: mode 5 for its device, one '0' text, no Rx-only
    assertion. The router answers A1 to A6 (three commands per poll), then
    stays silent."""
    configure(rig, [A, C], **dict(LINK, CommErrorLimit=1000))
    c = rig.client
    sim.control("resume")
    sim.control("silent-after 18")
    driver = rig.start_driver("driver2")
    c.expect("TXINFO 200 IW 200 '1' 101")
    c.expect("ASSERTDEVMODE 5 101")
    c.expect("TXINFO 200 IW 200 '0' 101")
    driver.wait_trace(FAIL_BY_SILENCE)
    # The third tick after the last answer finds five frames unanswered.
    texts = since_last_answer(driver.trace(), FAIL_BY_SILENCE)
    assert texts.count(TICK_DONE) == 2, texts
    assert re.fullmatch(r"iUnAck = 5, iTallyPtr = \d+ ,iTallyRtr = 0 ,RTR = 101", texts[-1]), texts
    assert not any(l.startswith("ASSERTDEVMODE 1") for l in c.taken()), c.taken()
    assert rig.probe.read().titles["main"].endswith(" - Tx/Rx")
    sim.control("resume")
    c.expect("TXINFO 200 IW 200 '1' 101")
    c.send("!CLOSE 101")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0


def run(rig):
    configure(rig, [A, C], **LINK)
    sim = rig.sim_levels([A, C])
    rig.start_host()
    c = rig.client
    driver = rig.start_driver()
    linked_with_both_levels(rig, c, sim)
    change_seen_within_a_cycle(c, sim, driver)
    silence_fails_both_levels(rig, c, sim, driver)
    resume_recovers(rig, c, sim)
    c.send("!CLOSE 101")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0
    assert rig.site.tallies(A, A.dests) == sim.crosspoints(A)
    silence_check_reports_link_failure(rig, sim)


class LinkTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_link(self):
        run(self.rig)


if __name__ == "__main__":
    main()
