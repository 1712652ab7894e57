"""Fault drills on the real processes: a router that sends garbage, prompts,
echoes and floods of status lines; the router's end of the line closed and
a new router on the same pty, found by the driver on its own; the driver killed in the middle of its tally save.
After each: no crash, no hang, the driver still answers, its handles and
memory are back where they were, and nothing saved is lost."""
import os
import signal
import sys
import time

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import back_to_baseline, configure, matches_router  # noqa: E402
from rig import IDX_SIZE, SIM, Level, RigTest, main, wait_for  # noqa: E402

A = Level(0, 101, 16, 12)
C = Level(2, 102, 8, 4)
ACCESS = "42"

# Lines a router might send that must not change any tally: an overlong
# line, a zero byte inside a line, a level the driver does not serve, a
# destination beyond the level, an unreadable level and fields.
JUNK_LINES = [
    "S:00,5" + "x" * 300,
    "S:0\\x001,7",
    "S:100,3",
    "S:0FF,3",
    "S:Z01,1",
    "S:0,",
    "S:0G,1",
]


def linked(c, driver=None):
    c.expect_all("TXINFO 200 IW 200 '1' 101", "TXINFO 200 IW 200 '1' 102")
    if driver:
        driver.wait_trace("Dest Valid (Rtr 2, Dest %d)" % C.dests)


def chatty_router(rig, c, sim, driver):
    """Prompts and echoes all along (the simulator's dialect), garbage
    before every answer and in bursts, junk lines, a flood of status lines."""
    linked(c, driver)
    matches_router(c, sim, A)
    base = rig.probe.stats()

    for _ in range(2):
        sim.control("garbage 1500")
    for line in JUNK_LINES:
        sim.control("send %s\\r\\n" % line)
    matches_router(c, sim, A)
    matches_router(c, sim, C)

    c.forget()
    flood = 300
    sim.sock.sendall(b"".join(b"report 0 %d\n" % (i % A.dests + 1) for i in range(flood)))
    for _ in range(flood):
        assert sim.read_line() == "ok"
    sim.set(A, 3, 9)   # a real change at the end of the flood
    c.expect("TXREVERTIVE 0 RR 101 003 009")
    assert not any("IW 200 '0'" in l for l in c.taken()), c.taken()
    matches_router(c, sim, A)
    back_to_baseline(rig, base)
    return base


def router_line_closed(rig, c, sim, driver, base):
    """The simulator dies: its end of the pty closes under the open port.
    The levels fail, the driver keeps serving the host, closes the port and
    tries it again every 2 s. A new simulator on the same pty path, with the
    same crosspoints: within 10 s the driver polls it, the levels recover,
    and no tally has changed."""
    expected = {l.index: sim.crosspoints(l) for l in (A, C)}
    c.forget()
    sim.proc.send_signal(signal.SIGKILL)
    sim.proc.wait()
    # Its link would be gone had it quit; a stale one could reach the next
    # simulator's pseudo-terminal before that one is set up.
    os.unlink(sim.link)
    c.expect("ASSERTDEVMODE 1 101")
    c.send("!INQTXRX 101")
    c.expect("INQTXRX 101 0")
    driver.wait_trace("Port 12 lost: closed, opening it again every 2000 ms")
    c.forget()
    crosspoints = os.path.join(rig.dir, "crosspoints")
    with open(crosspoints, "w") as f:
        for level in (A, C):
            for d, source in enumerate(expected[level.index], start=1):
                f.write("%d %d %d\n" % (level.index, d, source))
    back = time.monotonic()
    sim2 = rig.sim_levels([A, C], "--map", crosspoints)
    # Level C's four polls never reach the patient error limit: only A failed.
    c.expect("TXINFO 200 IW 200 '1' 101")
    print("recovered %.1f s after the router came back" % (time.monotonic() - back))
    assert time.monotonic() - back < 10
    assert driver.count("Port 12 lost: closed, opening it again every 2000 ms") == 1
    assert not any(l.startswith("TXREVERTIVE 0 ") for l in c.taken()), c.taken()
    c.send("!GOTXRX 101 102")   # back on air once the host asks
    c.expect("GOTXRX 101 1")
    matches_router(c, sim2, A)
    matches_router(c, sim2, C)
    back_to_baseline(rig, base)
    c.send("!CLOSE 101")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0
    assert rig.site.tallies(A, A.dests) == expected[A.index]
    return sim2


def generation(i):
    return [(d + 3 * i) % A.sources + 1 for d in range(1, A.dests + 1)]


def with_level_a(image, tallies):
    data = bytearray(image)
    for k, t in enumerate(tallies):
        data[2 * k: 2 * k + 2] = t.to_bytes(2, "big")
    return bytes(data)


def killed_while_saving(rig, c, sim):
    """The driver is killed right after it starts writing its tally file
    (later each time). The file is then one whole generation, old or new,
    and the next start loads it."""
    configure(rig, [A, C], Access=ACCESS)
    outcomes = []
    for i, delay_us in enumerate([0, 2000, 5000, 20000]):
        for d, source in enumerate(generation(i), start=1):
            sim.set(A, d, source)
        old = rig.site.read_idx()
        gate = rig.start("PROBE.EXE", ["killsave", str(delay_us)], "killsave%d" % i)
        wait_for(lambda: "ready" in rig.output(gate), "the save gate")
        c.forget()
        driver = rig.start_driver("saving%d" % i, traced=False)
        wait_for(lambda: len([l for l in c.taken() if l.startswith("TXREVERTIVE 0 RR 101")])
                 >= A.dests, "the new generation's revertives")
        c.send("!CLOSE 101")
        wait_for(lambda: gate.poll() is not None, "the kill")
        driver.wait_end()
        saved = rig.site.read_idx()
        assert len(saved) == IDX_SIZE, len(saved)
        new = with_level_a(old, generation(i))
        assert saved in (old, new), "a tally file of neither generation"
        killed = gate.returncode == 0 and "killed" in rig.output(gate)
        outcomes.append((delay_us, "new" if saved == new else "old",
                         "killed" if killed else "ended first",
                         "temporary left" if os.path.exists(rig.site.idx + ".TMP") else ""))
    print("kills during the save (delay us, file, kill, temporary):", outcomes)

    # The last file loads whole: the first cycle reports exactly the
    # destinations where it differs from the router.
    saved = rig.site.tallies(A, A.dests)
    c.forget()
    driver = rig.start_driver("reload")
    driver.wait_up()
    texts = driver.trace()
    assert "Idxfu_WriteIndex config dir: " not in texts, "the tally file was not loaded"
    driver.wait_trace("Dest Valid (Rtr 2, Dest %d)" % C.dests)
    reported = sorted(int(l.split()[4]) for l in c.taken() if l.startswith("TXREVERTIVE 0 RR 101"))
    differ = [d for d in range(1, A.dests + 1) if saved[d - 1] != sim.get(A, d)]
    assert reported == differ, (reported, differ)
    c.send("!CLOSE 101")
    c.expect("CLOSE 101 0")
    assert driver.wait_end() == 0


def run(rig):
    configure(rig, [A, C], Access=ACCESS)
    sim = rig.sim_levels([A, C], "--prompt", "--echo", "line", "--garbage", "3")
    rig.start_host()
    c = rig.client
    driver = rig.start_driver("chatty")
    base = chatty_router(rig, c, sim, driver)
    rig.step("garbage, junk lines, status flood")
    sim = router_line_closed(rig, c, sim, driver, base)
    rig.step("router line closed")
    killed_while_saving(rig, c, sim)
    rig.step("killed while saving")


class DrillsTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", "PROBE.EXE", SIM)

    def test_drills(self):
        run(self.rig)


if __name__ == "__main__":
    main()
