"""Checks shared by the end-to-end tests: the driver's tallies against the
simulator's crosspoints, and its process figures against a baseline."""
from rig import QUICK, wait_for

MEMORY_SLACK = 2 << 20   # private bytes a drill may leave behind (heap growth, not leaks)


def configure(rig, levels, **keys):
    """The site with the quick test settings, changed by keys."""
    return rig.configure(levels, **dict(QUICK, **keys))


def query(c, level, requester=42):
    """RQ over the whole level; the sources of the reply, which must carry
    the requester and the end mark on its last line."""
    c.forget()
    c.send("RQ %d 1 %d %d" % (level.device, level.dests, requester))
    end = requester + 0x8000
    lines = c.lines_until(r"TXREPLY %d RR %03d %03d \d+" % (end, level.device, level.dests))
    replies = [l.split() for l in lines if l.startswith("TXREPLY")]
    assert [int(r[1]) for r in replies] == [requester] * (level.dests - 1) + [end], lines
    assert [int(r[4]) for r in replies] == list(range(1, level.dests + 1)), lines
    return [int(r[5]) for r in replies]


def matches_router(c, sim, level, requester=42):
    got, want = query(c, level, requester), sim.crosspoints(level)
    assert got == want, (level.device, got, want)


def back_to_baseline(rig, base):
    """Handles as before, memory within a small slack, the same process."""
    last = {}

    def settled():
        now = last["stats"] = rig.probe.stats()
        return (now["systemhandles"] == base["systemhandles"] and
                now["private"] <= base["private"] + MEMORY_SLACK) and now
    try:
        now = wait_for(settled, "handles and memory back to %r" % base)
    except AssertionError as e:
        raise AssertionError("%s; last read %r" % (e, last.get("stats"))) from None
    assert now["pid"] == base["pid"]
