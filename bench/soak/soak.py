#!/usr/bin/env python3
"""A seeded randomized soak of the real processes under Wine: the router
simulator on COM12, HXIHOST.EXE and VAL_DRN.EXE, driven for N minutes by a
schedule drawn from one seed, with named invariants checked all along.

    python3 bench/soak/soak.py [--minutes N] [--seed S] [--keep]

The run is a chain of phases. Each phase is a few seconds of ordinary
traffic (takes, salvos, queries, locks and unlocks from several clients;
crosspoint changes at the router, reported or not; dialect switches, split
and merged answers, error replies, busy spells, noise bursts, short
silences), a checkpoint, then one disruption (a long silence, the router's
line lost and back, a reboot keeping or resetting its crosspoints, a driver
restart) and a checkpoint after it. The same seed gives the same actions
in the same order (their timing is the machine's), so a run that broke an
invariant can be replayed with --seed.

It prints the seed, every action with its time, the figures, and each
broken invariant with its time; it exits 1 when any broke, 77 when the
build lacks a part."""
import argparse
import os
import random
import re
import signal
import sys
import time

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import rig  # noqa: E402
from rig import Level  # noqa: E402

# The driver's levels; the router's level A has two sources fewer, so
# takes of sources 15 and 16 reach the wire and are refused there.
A = Level(0, 101, 16, 12)
C = Level(2, 102, 8, 4)
LEVELS = (A, C)
ROUTER_SOURCES = {A.index: 14, C.index: 8}
TALLY_DELAY = 100
LIMIT = 15                      # MaxUnAcks and CommErrorLimit
CYCLE = (A.dests + C.dests) * TALLY_DELAY / 1000.0
SLACK = float(os.environ.get("SOAK_SLACK", "3"))   # s of Wine and machine delay allowed
GRACE = 1.5                     # s after an impairment in which a failure is still its own
MEMORY_SLACK = 2 << 20
TAKE = re.compile(rb"@ X:([0-9A-F]+)/([0-9A-F]+),([0-9A-F]+)")
REVERTIVE = re.compile(r"TXREVERTIVE \d+ RR (\d+) (\d+) (\d+)")
FAILED = re.compile(r"TXINFO 200 IW 200 '0' (\d+)")
CHECKER = 44                    # the requester of the soak's own queries


def wire(n):
    """A 1-based number as the take frame writes it (0 is FFFFFFFF)."""
    return (n - 1) & 0xFFFFFFFF


class Soak:
    def __init__(self, seed, minutes, folder):
        self.rng = random.Random(seed)
        self.seed = seed
        self.t0 = time.monotonic()
        self.end = self.t0 + minutes * 60
        self.rig = rig.Rig(folder)
        self.broken = []             # (time, invariant, detail)
        self.impaired = []           # (start, end) when the router did not answer within limits
        self.locks = {}              # (device, dest) -> 1 while locked
        self.expected = []           # permitted takes in order: (sent, level, dest, source)
        self.had = {}                # (level index, dest) -> sources the router ever showed
        self.figures = {"takes": 0, "refused": 0, "convergence": [], "take_latency": [],
                        "failures": 0, "detect": [], "recover": [], "polls": 0, "poll_time": 0.0,
                        "actions": 0}
        self.start_map = {}
        self.sim = self.driver = None
        self.sim_log_at = 0

    # ----- output -----
    def at(self):
        return time.monotonic() - self.t0

    def say(self, text):
        print("%8.2f  %s" % (self.at(), text), flush=True)

    def breaks(self, name, detail, when=None):
        t = (when if when is not None else time.monotonic()) - self.t0
        self.broken.append((t, name, detail))
        print("%8.2f  BROKEN %s: %s" % (t, name, detail), flush=True)

    # ----- processes -----
    def start(self):
        self.rig.configure(LEVELS, Speed=38400, TallyDelay=TALLY_DELAY, DebugMode=0, SaveDelay=1000,
                           StatusInfoDriverId=200, MaxUnAcks=LIMIT, CommErrorLimit=LIMIT,
                           Access="41,42,44")
        self.sim = self.start_sim([])
        for l in LEVELS:
            self.start_map[l.index] = self.sim.crosspoints(l)
        self.rig.site.write_idx({l.index: self.start_map[l.index] for l in LEVELS})
        self.rig.start_host()
        # One connection for takes and locks (so their order is theirs), one
        # flooding takes on level C only, one refused requester, one querying.
        self.main = self.rig.client
        self.flood = self.rig.connect()
        self.refused = self.rig.connect()
        self.asker = self.rig.connect()
        # The driver's start fails every level until the router answers.
        self.impair("driver started", self.start_driver)

    def start_sim(self, extra):
        args = ["--levels", "0", "--errors", "--seed", str(self.rng.randrange(1 << 30))]
        for l in LEVELS:
            args += ["--level", "%d=%d:%d" % (l.index, ROUTER_SOURCES[l.index], l.dests)]
        sim = self.rig.start_sim(args + extra, verbose=True)
        for l in LEVELS:
            for d, s in enumerate(sim.crosspoints(l), start=1):
                self.had.setdefault((l.index, d), set()).add(s)
        self.sim_log_at = 0
        return sim

    def start_driver(self):
        mark = self.main.mark()
        self.driver = self.rig.start_driver("driver-%d" % len(self.rig.procs), traced=False)
        self.main.cursor = mark
        self.main.expect("REGDEV %d 0" % C.device)
        self.main.expect_all(*("TXINFO 200 IW 200 '1' %d" % l.device for l in LEVELS))
        self.tx_rx()
        self.base = None

    def tx_rx(self):
        """Back on air: the host asks for Tx/Rx (a failure asserted Rx only),
        again until the driver grants it (it refuses while a level is failed)."""
        def granted():
            self.main.forget()
            self.main.send("!GOTXRX %d %d" % (A.device, C.device))
            if self.main.expect(r"GOTXRX %d [01]" % A.device).endswith(" 1"):
                return True
            time.sleep(0.2)   # the level's recovery, before asking again
            return False
        rig.wait_for(granted, "the driver to grant Tx/Rx")

    def alive(self):
        for p in [self.rig.host, self.driver.proc, self.sim.proc]:
            if p.poll() is not None:
                self.breaks("no-process-dies", "%s ended with %s" % (p.name, p.returncode))
                raise SystemExit(self.report())

    # ----- the model -----
    def permitted(self, requester, level, source, dest):
        return (requester in (41, 42) and 0 <= source <= level.sources and
                1 <= dest <= level.dests and not self.locks.get((level.device, dest)))

    def take(self, client, requester, level, source, dest):
        """One RC; a permitted one is expected on the wire."""
        text = "RC %d %d %d ',---' %d" % (level.device, source, dest, requester)
        sent = client.send(text)
        if self.permitted(requester, level, source, dest):
            self.expected.append((sent, level.index, dest, source))
            self.figures["takes"] += 1
        else:
            self.figures["refused"] += 1
        return text

    def router_set(self, level, dest, source):
        self.sim.set(level, dest, source)
        self.had[(level.index, dest)].add(source)

    # ----- ordinary traffic -----
    def action(self):
        r = self.rng
        kind = r.choices(["takes", "salvo", "flood", "refused", "query", "lock", "panel",
                          "unreported", "dialect", "chunks", "errors", "busy", "long_busy", "noise",
                          "hush"],
                         [20, 6, 8, 4, 8, 8, 10, 4, 6, 5, 2, 4, 1, 5, 4])[0]
        self.figures["actions"] += 1
        getattr(self, "do_" + kind)(r)

    def do_takes(self, r):
        texts = [self.take(self.main, r.choice((41, 42)), A, r.choice([r.randint(0, 16)] * 9 + [99]),
                           r.randint(1, A.dests)) for _ in range(r.randint(1, 4))]
        self.say("takes: " + "; ".join(texts))

    def do_salvo(self, r):
        dests = r.sample(range(1, A.dests + 1), r.randint(4, 8))
        for d in dests:
            self.take(self.main, 41, A, r.randint(1, 16), d)
        self.say("salvo of %d takes on level A" % len(dests))

    def do_flood(self, r):
        n = r.randint(10, 40)
        for _ in range(n):
            self.take(self.flood, 42, C, r.randint(0, C.sources), r.randint(1, C.dests))
        self.say("flood of %d takes on level C" % n)

    def do_refused(self, r):
        self.take(self.refused, 43, A, r.randint(1, 16), r.randint(1, A.dests))
        self.say("take by requester 43 (not permitted)")

    def do_query(self, r):
        first = r.randint(1, A.dests)
        last = r.randint(first, A.dests)
        self.asker.send("RQ %d %d %d 41" % (A.device, first, last),
                        "RP %d 1 %d 42" % (C.device, C.dests))
        self.say("RQ %d-%d, RP level C" % (first, last))

    def do_lock(self, r):
        d = r.randint(1, A.dests)
        flag = 0 if self.locks.get((A.device, d)) else 1
        self.main.send("RL %d %d %d %d 41" % (A.device, d, d, flag))
        self.locks[(A.device, d)] = flag
        self.say("%s A %d" % ("lock" if flag else "unlock", d))

    def do_panel(self, r):
        level = r.choice(LEVELS)
        d, s = r.randint(1, level.dests), r.randint(0, ROUTER_SOURCES[level.index])
        self.router_set(level, d, s)
        self.say("router panel: %s %d <- %d" % ("AC"[level.index // 2], d, s))

    def do_unreported(self, r):
        self.sim.control("reporting off")
        level = r.choice(LEVELS)
        d, s = r.randint(1, level.dests), r.randint(1, ROUTER_SOURCES[level.index])
        self.router_set(level, d, s)
        self.say("reporting off, router panel: %s %d <- %d" % ("AC"[level.index // 2], d, s))

    def do_dialect(self, r):
        switch = r.choice(["prompt on", "prompt off", "echo none", "echo line", "echo bare",
                           "lower on", "lower off", "pad 0", "pad 4"])
        self.sim.control(switch)
        self.say("dialect: " + switch)

    def do_chunks(self, r):
        switch = r.choice(["split %d" % r.randint(1, 30), "merge %d" % r.randint(1, 40),
                           "split 0", "merge 0"])
        self.sim.control(switch)
        self.say("answers: " + switch)

    def do_errors(self, r):
        switch = r.choice(["errors on", "errors off"])
        self.sim.control(switch)
        self.say(switch)

    def do_busy(self, r):
        n = r.randint(1, 2)
        self.sim.control("busy %d" % n)
        self.say("busy: the next %d queries get echo and prompt only" % n)

    def do_long_busy(self, r):
        """Echo and prompt only for a few poll cycles: no status line within
        the limits, so the levels may fail, and must recover after it."""
        n = r.randint(20, 40)
        start = time.monotonic()
        self.sim.control("busy %d" % n)
        # Until the router has had n queries, at a slow pace, and answers again.
        self.impaired.append((start, start + 2 * n * TALLY_DELAY / 1000 + 2))
        self.say("long busy spell: the next %d queries get echo and prompt only" % n)

    def do_noise(self, r):
        n = r.randint(20, 1500)
        self.sim.control("garbage %d" % n)
        self.say("noise burst of %d bytes" % n)

    def do_hush(self, r):
        ms = r.randint(50, 250)
        self.sim.control("silent")
        time.sleep(ms / 1000)     # the silence itself: shorter than the limits
        self.sim.control("resume")
        self.say("silent for %d ms" % ms)

    # ----- disruptions -----
    def impair(self, what, run):
        start = time.monotonic()
        try:
            run()
        finally:
            self.impaired.append((start, time.monotonic()))
        self.say(what)

    def wait_failed(self, since, what):
        """A's failure, declared within the limits of a silence."""
        try:
            t, _ = self.main.expect_timed("TXINFO 200 IW 200 '0' %d" % A.device,
                                          timeout=2 * CYCLE + LIMIT * TALLY_DELAY / 1000 + SLACK)
            self.figures["detect"].append(t - since)
        except AssertionError:
            self.breaks("silent-router-fails", "level A not failed during " + what)

    def wait_recovered(self, since, what):
        try:
            t, _ = self.main.expect_timed("TXINFO 200 IW 200 '1' %d" % A.device,
                                          timeout=2 * CYCLE + 2 * SLACK + 2)
            self.figures["recover"].append(t - since)
        except AssertionError:
            self.breaks("router-back-recovers", "level A not OK again after " + what)

    def long_silence(self):
        def run():
            self.main.forget()
            since = time.monotonic()
            self.sim.control("silent")
            self.wait_failed(since, "a long silence")
            self.sim.control("resume")
            back = time.monotonic()
            self.wait_recovered(back, "a long silence")
        self.impair("long silence: level A failed and recovered", run)

    def line_lost(self):
        def run():
            current = {l.index: self.sim.crosspoints(l) for l in LEVELS}
            self.collect_takes()
            self.main.forget()
            since = time.monotonic()
            self.sim.proc.send_signal(signal.SIGKILL)
            self.sim.proc.wait()
            os.unlink(self.sim.link)
            self.wait_failed(since, "the router's line lost")
            path = os.path.join(self.rig.dir, "crosspoints")
            with open(path, "w") as f:
                for l in LEVELS:
                    for d, s in enumerate(current[l.index], start=1):
                        f.write("%d %d %d\n" % (l.index, d, s))
            back = time.monotonic()
            self.sim = self.start_sim(["--map", path])
            self.wait_recovered(back, "the router's line came back")
        self.impair("router's line lost, a new router on the same line", run)

    def reboot(self, keep):
        def run():
            self.main.forget()
            ms = self.rng.randint(1500, 3000)
            self.sim.control("reboot %d %s" % (ms, "keep" if keep else "reset"))
            if not keep:
                for l in LEVELS:
                    for d, s in enumerate(self.start_map[l.index], start=1):
                        self.had[(l.index, d)].add(s)
            time.sleep(ms / 1000)   # the router's own silence
            back = time.monotonic()
            if self.main.count(r"TXINFO 200 IW 200 '0' %d" % A.device, self.main.cursor):
                self.wait_recovered(back, "a reboot")
        self.impair("router rebooted, crosspoints " + ("kept" if keep else "reset"), run)

    def restart_driver(self):
        def run():
            stored = {l.index: self.query(l) for l in LEVELS}
            self.main.forget()
            self.main.send("!CLOSE %d" % A.device)
            self.main.expect("CLOSE %d 0" % A.device)
            rig.wait_for(lambda: self.driver.ended(), "the driver to end")
            for l in LEVELS:
                saved = self.rig.site.tallies(l, l.dests)
                if saved != stored[l.index]:
                    self.breaks("tally-file-equals-store", "level %d: file %r, store %r"
                                % (l.index, saved, stored[l.index]))
            # Locks outlive the driver (saved at the shutdown): the takes
            # after the restart are judged by the same locks as before.
            self.start_driver()
        self.impair("driver closed by the host (tally file read back) and started again", run)

    # ----- checks -----
    def query(self, level, timeout=rig.DEADLINE):
        """The driver's stored tallies (RQ over the level)."""
        c = self.asker
        c.forget()
        c.send("RQ %d 1 %d %d" % (level.device, level.dests, CHECKER))
        lines = c.lines_until(r"TXREPLY %d RR %03d %03d \d+" % (CHECKER + 0x8000, level.device, level.dests),
                              timeout)
        got = {}
        for l in lines:
            f = l.split()
            if f[0] == "TXREPLY" and int(f[1]) & 0x7FFF == CHECKER:
                got[int(f[4])] = int(f[5])
        return [got.get(d) for d in range(1, level.dests + 1)]

    def converge(self, since):
        """Every stored tally equals the router's crosspoint within one poll
        cycle (and the machine's slack) of the last change."""
        self.tx_rx()
        want = {l.index: self.sim.crosspoints(l) for l in LEVELS}
        limit = CYCLE + SLACK
        got = {}
        while True:
            try:
                got = {l.index: self.query(l, timeout=2) for l in LEVELS}
            except AssertionError:
                # No reply: receive only, asserted by a failure that the
                # disruption before has just caused. Back on air, again.
                got = None
                self.tx_rx()
            if got == want:
                self.figures["convergence"].append(time.monotonic() - since)
                return
            if time.monotonic() - since > limit:
                self.breaks("tallies-follow-router", "after %.1f s: store %r, router %r"
                            % (time.monotonic() - since, got, want))
                return
            time.sleep(0.1)   # the next reading of the store

    def collect_takes(self):
        """The take frames on the wire against the permitted takes: the same
        ones in the same order for each destination, nothing else."""
        frames = [m for m in (TAKE.fullmatch(f) for f in self.sim.frames()) if m]
        self.sim.control("clear")
        got = {}
        for m in frames:
            level, dest, source = (int(x, 16) for x in m.groups())
            got.setdefault((level, dest), []).append(source)
            if source < ROUTER_SOURCES.get(level, 0) or source == 0xFFFFFFFF:
                self.had[(level, dest + 1)].add(0 if source == 0xFFFFFFFF else source + 1)
        want = {}
        for _, level, dest, source in self.expected:
            want.setdefault((level, dest - 1), []).append(wire(source))
        for key in set(got) | set(want):
            if got.get(key, []) != want.get(key, []):
                self.breaks("takes-reach-wire-in-order", "level %d destination %d: wire %r, sent %r"
                            % (key[0], key[1] + 1, got.get(key), want.get(key)))
        self.take_latency()
        self.expected = []

    def take_latency(self):
        """RC sent to its frame logged by the simulator, matched in order."""
        log = self.sim.commands(self.sim_log_at)
        self.sim_log_at += len(log)
        queue = {}
        for t, level, dest, source in self.expected:
            queue.setdefault((level, dest - 1, wire(source)), []).append(t)
        polls = [t for t, text in log if text.startswith("@ X?")]
        if len(polls) > 1:
            self.figures["polls"] += len(polls) - 1
            self.figures["poll_time"] += polls[-1] - polls[0]
        for t, text in log:
            m = TAKE.fullmatch(text.encode("latin-1"))
            if m:
                key = tuple(int(x, 16) for x in m.groups())
                if queue.get(key):
                    self.figures["take_latency"].append(t - queue[key].pop(0))

    def revertives(self):
        for c in (self.main, self.flood, self.refused, self.asker):
            for t, line in c.stamped(getattr(c, "checked", 0)):
                m = REVERTIVE.fullmatch(line)
                if not m:
                    continue
                device, dest, source = (int(x) for x in m.groups())
                level = A if device == A.device else C
                if source not in (0, 65535) and source not in self.had.get((level.index, dest), ()):
                    self.breaks("revertive-sources-real", "%s (the router had %r)"
                                % (line, sorted(self.had.get((level.index, dest), ()))), t)
            c.checked = c.mark()

    def failures(self):
        """A failure declared outside an impairment (and its grace) is false."""
        c = self.main
        for t, line in c.stamped(getattr(self, "failures_at", 0)):
            if FAILED.fullmatch(line):
                self.figures["failures"] += 1
                if not any(s <= t <= e + GRACE for s, e in self.impaired):
                    self.breaks("answering-router-never-failed", line, t)
        self.failures_at = c.mark()

    def baseline(self):
        """The driver's handles and memory back where they were after the
        first phase of this driver."""
        now = self.rig.probe.stats()
        if self.base is None or now["pid"] != self.base["pid"]:
            self.base = now
            return
        def settled():
            n = self.rig.probe.stats()
            return (n["systemhandles"] <= self.base["systemhandles"] and
                    n["private"] <= self.base["private"] + MEMORY_SLACK) and n
        try:
            rig.wait_for(settled, "handles and memory back", timeout=15)
        except AssertionError:
            self.breaks("handles-memory-baseline", "%r, baseline %r" % (self.rig.probe.stats(), self.base))

    def host_figures(self):
        """HXIHOST.EXE's open files and resident memory, as Linux sees them."""
        pids = rig.processes(b"HXIHOST.EXE", "HXIHOST_PIPE=" + self.rig.env["HXIHOST_PIPE"])
        if not pids:
            return None
        try:
            fds = len(os.listdir("/proc/%d/fd" % pids[0]))
            with open("/proc/%d/status" % pids[0]) as f:
                rss = next(int(l.split()[1]) for l in f if l.startswith("VmRSS:")) * 1024
        except (OSError, StopIteration):
            return None
        return {"fds": fds, "rss": rss}

    def host_baseline(self):
        """The host's files and memory back where they were after the first
        phase (its clients and the driver's pipe connections come and go)."""
        if getattr(self, "host_base", None) is None:
            self.host_base = self.host_figures()
            return
        def settled():
            n = self.host_figures()
            return n and (n["fds"] <= self.host_base["fds"] and
                          n["rss"] <= self.host_base["rss"] + 4 * MEMORY_SLACK) and n
        try:
            rig.wait_for(settled, "the host's files and memory back", timeout=15)
        except AssertionError:
            self.breaks("handles-memory-baseline", "host %r, baseline %r"
                        % (self.host_figures(), self.host_base))

    def checkpoint(self, since):
        # A router still busy answers nothing yet: the poll cycle counts
        # from the end of that.
        since = max([since] + [e for _, e in self.impaired])
        if since > time.monotonic():
            time.sleep(since - time.monotonic())
        self.alive()
        self.converge(since)
        self.collect_takes()
        self.revertives()
        self.failures()
        self.baseline()
        self.host_baseline()

    # ----- the run -----
    def run(self):
        print("soak: seed %d, %.1f minutes, folder %s" % (self.seed, (self.end - self.t0) / 60,
                                                          self.rig.dir), flush=True)
        self.start()
        self.say("started: levels A 16x12 (router 14 sources), C 8x4, TallyDelay %d ms, "
                 "limits %d" % (TALLY_DELAY, LIMIT))
        disruptions = []
        while time.monotonic() < self.end:
            phase_end = time.monotonic() + self.rng.uniform(4, 8)
            while time.monotonic() < phase_end:
                self.action()
                self.alive()
                time.sleep(self.rng.uniform(0.02, 0.3))
            self.checkpoint(time.monotonic())
            if not disruptions:
                disruptions = [self.long_silence, self.line_lost, lambda: self.reboot(True),
                               lambda: self.reboot(False), self.restart_driver]
                self.rng.shuffle(disruptions)
            disruptions.pop()()
            self.checkpoint(time.monotonic())
        return self.report()

    def report(self):
        f = self.figures
        def spread(v):
            if not v:
                return "none"
            v = sorted(v)
            return "mean %.1f / p50 %.1f / p99 %.1f / max %.1f ms" % (
                1000 * sum(v) / len(v), 1000 * v[len(v) // 2], 1000 * v[min(len(v) - 1, int(len(v) * .99))],
                1000 * v[-1])
        print("\nsoak: seed %d, %.1f minutes, %d actions, %d impairments"
              % (self.seed, self.at() / 60, f["actions"], len(self.impaired)))
        print("  polls per second: %.1f" % (f["polls"] / f["poll_time"] if f["poll_time"] else 0))
        print("  takes permitted / refused: %d / %d" % (f["takes"], f["refused"]))
        print("  take latency (RC to the frame at the router): " + spread(f["take_latency"]))
        print("  convergence (last change to store equal to router): " + spread(f["convergence"]))
        print("  failures declared: %d; silence to failure: %s; answer to recovery: %s"
              % (f["failures"], spread(f["detect"]), spread(f["recover"])))
        print("  load average: %s" % open("/proc/loadavg").read().strip())
        for t, name, detail in self.broken:
            print("  BROKEN at %.2f s: %s: %s" % (t, name, detail))
        print("soak: %d invariants broken (replay: --seed %d)" % (len(self.broken), self.seed))
        return 1 if self.broken else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--minutes", type=float, default=1)
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--keep", action="store_true", help="keep the run's folder")
    args = ap.parse_args()
    gone = rig.missing("HXIHOST.EXE", "PROBE.EXE", rig.SIM)
    if gone:
        print("soak: the build has no " + ", ".join(gone))
        sys.exit(rig.SKIP)
    seed = args.seed if args.seed is not None else random.randrange(1 << 31)
    soak = Soak(seed, args.minutes, None)
    rc = 1
    try:
        rc = soak.run()
    except (AssertionError, OSError) as e:
        soak.breaks("soak-ran-through", "%s: %s" % (type(e).__name__, e))
        rc = soak.report()
    finally:
        keep = args.keep or rc != 0
        if keep:
            soak.rig.dump()
            print("folder kept:", soak.rig.dir)
        soak.rig.close(keep=keep)
    sys.exit(rc)


if __name__ == "__main__":
    main()
