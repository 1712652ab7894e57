#!/usr/bin/env python3
"""Router link benchmarks under Wine: VAL_DRN.EXE polling the router
simulator on COM12 behind HXIHOST.EXE (one level, 16 x 16, default limits
MaxUnAcks 5 and CommErrorLimit 5). Prints Markdown table rows
(measurement | result | limit); progress goes to stderr.

For TallyDelay 10 ms and 100 ms, two runs of --seconds each:
  - trace off: polls per second achieved (from the simulator's log of what
    it received) against the rate asked for, the spread of the intervals,
    the link failures the driver declared (ASSERTDEVMODE lines at the
    client), CPU of the driver and the wineserver, and the take latency (RC
    sent by the client to the take frame logged by the simulator);
  - trace on (DebugMode 1 under TRACECAP.EXE): what became of each query's
    answer in the driver (decoded before the next poll went out, after it,
    or never), and the time from a crosspoint change at the simulator to
    the driver decoding and storing it (trace clock against this script's
    wall clock, same machine).
First four clients flood the driver polling at 50 ms (polls per second
while the flood lasts). At the default 1000 ms with the router reporting
(the driver's poll turns reporting on): a crosspoint set at the simulator
until its revertive reaches the client, long before the poll comes round
to it (--report-only runs just this). Then idle at 1000 ms: CPU over
--idle-seconds, and receive
throughput (filler lines without a status mark, unpaced and with the
simulator paced at 38400 and 115200 baud; status lines that each make a
revertive).

Run under an X display with the build's prefix and a warm wineserver (as
bench/run_all.sh does):  python3 bench/link_bench.py --seconds 60
"""
import argparse
import datetime
import os
import re
import shutil
import statistics
import sys
import threading
import time

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import rig  # noqa: E402

DEVICE = 101
DESTS = 16
SOURCES = 16
SIM_LEVEL = ["--levels", "0", "--level", "A=%d:%d" % (SOURCES, DESTS)]
QUERY = re.compile(r"@ X\?0([0-9A-F]+)")                 # level A
ANSWER = re.compile(r"S:0([0-9A-F]+),([0-9A-F]+|X)")
TRACE = re.compile(r"(\d\d):(\d\d):(\d\d)\.(\d\d\d) \[[0-9A-Fa-f]+\] <VALDRUNE>-(.*)")
FAILED = "SetComState(FAIL)"


def progress(text):
    print("link_bench: " + text, file=sys.stderr, flush=True)


def row(measurement, result, limit=""):
    print("| %s | %s | %s |" % (measurement, result, limit), flush=True)


def bench(name, value):
    """A figure for scripts, on stderr beside the progress lines."""
    print("BENCH_%s=%s" % (name, value), file=sys.stderr, flush=True)


def wine_helpers():
    """Wine's own processes of the prefix (services, device host and the
    like: programs of its system folder)."""
    return rig.processes(b"windows\\system32", "WINEPREFIX=" + os.path.abspath(rig.PREFIX))


def cpu_window(pids, seconds):
    """% of one core each process used over a window of `seconds`, read at
    both ends while they run; None for one that ended inside the window
    (never a negative figure)."""
    def ticks(pid):
        try:
            with open("/proc/%d/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            return int(fields[11]) + int(fields[12])
        except (OSError, TypeError):
            return None

    before, t0 = [ticks(p) for p in pids], time.monotonic()
    time.sleep(seconds)                       # the measurement window
    after, elapsed = [ticks(p) for p in pids], time.monotonic() - t0
    hz = os.sysconf("SC_CLK_TCK")
    return [None if a is None or b is None else 100 * (b - a) / hz / elapsed
            for a, b in zip(before, after)]


def spread(values):
    """mean / p50 / p99 / max in ms."""
    v = sorted(values)
    p99 = v[min(len(v) - 1, int(len(v) * 0.99))]
    return "%.1f / %.1f / %.1f / %.1f ms" % tuple(1000 * x for x in
                                                   (statistics.mean(v), v[len(v) // 2], p99, v[-1]))


def seconds_of_day(wall):
    t = datetime.datetime.fromtimestamp(wall)
    return t.hour * 3600 + t.minute * 60 + t.second + t.microsecond / 1e6


def since_midnight(delta):
    """A difference of two times of the day across midnight."""
    return delta + 86400 if delta < -43200 else delta


class TraceReader:
    """The driver's trace as TRACECAP writes it: (seconds of the day, text),
    read on as the file grows."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.rest = b""
        self.lines = []

    def read(self):
        with open(self.path, "rb") as f:
            f.seek(self.offset)
            data = f.read()
        self.offset += len(data)
        *done, self.rest = (self.rest + data).split(b"\n")
        for raw in done:
            m = TRACE.match(raw.decode("latin-1").rstrip("\r"))
            if m:
                h, mi, s, milli, text = m.groups()
                self.lines.append((int(h) * 3600 + int(mi) * 60 + int(s) + int(milli) / 1000, text))
        return self.lines


class Run:
    """One driver on the simulator."""

    def __init__(self, name, tally_delay, trace=False, sim_args=(), **limits):
        folder = os.path.join(rig.BUILD, "bench", name)
        shutil.rmtree(folder, ignore_errors=True)
        self.rig = rig.Rig(folder, watch=True)
        self.rig.configure([(DEVICE, SOURCES, DESTS)], Name="Bench", TallyDelay=tally_delay,
                           DebugMode=int(trace), Access="ALL", **limits)
        self.sim = self.rig.start_sim(SIM_LEVEL + list(sim_args), verbose=True)
        self.rig.start_host()
        self.client = self.rig.client
        self.driver = self.rig.start_driver(traced=trace).proc
        self.trace = TraceReader(self.driver.out_path) if trace else None
        self.client.expect("REGDEV %d 0" % DEVICE)
        self.sim.expect(QUERY.pattern)        # polling has begun

    def pids(self):
        """The driver, the wineserver, then Wine's own processes."""
        return ([self.rig.driver_pids()[0] if self.rig.driver_pids() else self.driver.pid,
                 rig.wineserver_pid()] + wine_helpers())

    def queries(self, start):
        """(time, destination) of the queries the simulator received."""
        return [(t, int(m.group(1), 16) + 1) for t, m in
                ((t, QUERY.fullmatch(c)) for t, c in self.sim.commands(start)) if m]

    def close(self):
        self.rig.close()


def failures(r, mark):
    """Link failures the driver declared since the client's mark: Rx only
    asserted by the error limit (1) or the silence check (5)."""
    return r.client.count(r"ASSERTDEVMODE [15] %d" % DEVICE, mark)


def cpu_text(cpu):
    """driver / wineserver / Wine's own processes together, and the total;
    a process that ended inside the window makes the figure "gone"."""
    if None in cpu:
        return "gone before the window ended"
    parts = cpu[:2] + [sum(cpu[2:])]
    return "%.2f / %.2f / %.2f, total %.2f" % tuple(parts + [sum(cpu)])


def polling(delay, seconds, samples):
    progress("polling at %d ms for %d s, trace off" % (delay, seconds))
    r = Run("poll-%d" % delay, delay)
    try:
        q0, c0 = len(r.sim.commands()), r.client.mark()
        cpu = cpu_window(r.pids(), seconds)
        times = [t for t, _ in r.queries(q0)]
        gaps = [b - a for a, b in zip(times, times[1:])]
        rate = (len(times) - 1) / (times[-1] - times[0])
        row("Polls per second at TallyDelay %d ms over %d s (interval mean / p50 / p99 / max)"
            % (delay, seconds), "%.1f (%s)" % (rate, spread(gaps)), "%d asked" % (1000 // delay))
        fails = failures(r, c0)
        bench("POLLS_PER_S_%dMS" % delay, "%.1f" % rate)
        bench("FALSE_FAILURES_%dMS" % delay, fails)
        row("Link failures declared at %d ms over %d s, router answering every query" % (delay, seconds),
            str(fails), "0")
        row("CPU while polling at %d ms: driver / wineserver / Wine's own" % delay,
            "%s %% of one core" % cpu_text(cpu))
        take_latency(r, delay, samples)
    finally:
        r.close()


def take_latency(r, delay, samples):
    """RC sent by the client until the simulator's log line of the take
    frame arrives here (takes go out in either interface mode), split at
    the simulator's read of the frame (its monotonic clock, shared with
    this script's)."""
    lat, wire, log = [], [], []
    for k in range(samples):
        dest, source = 1 + (k * 3) % DESTS, 1 + (k * 7) % SOURCES
        start = len(r.sim.commands())
        t = r.client.send("RC %d %d %d ',---' 42" % (DEVICE, source, dest))
        i, t1, _ = r.sim.expect(r"@ X:0/%X,%X" % (dest - 1, source - 1), start)
        lat.append(t1 - t)
        wire.append(r.sim.read_at[i] - t)
        log.append(t1 - r.sim.read_at[i])
    row("Take latency at %d ms: RC at the client to the take frame at the router, %d takes "
        "(mean / p50 / p99 / max)" % (delay, samples), spread(lat), "2.6 ms on the line (10 bytes)")
    row("Take latency at %d ms split: RC at the client to the simulator's read of the frame; "
        "that read to its log line here" % delay, "%s; %s" % (spread(wire), spread(log)), "")
    v = sorted(lat)
    bench("TAKE_P99_MS" + ("" if delay == 10 else "_%dMS" % delay), "%.1f" % (1000 * v[min(len(v) - 1, int(len(v) * 0.99))]))


def answers(trace_lines):
    """What became of each query in the driver's trace: (in time, late,
    never, failures). In time: decoded before the next query was sent."""
    in_time = late = never = fails = 0
    pending = {}     # destination -> 1 while its answer is awaited
    last = None
    for _, text in trace_lines:
        q, a = QUERY.fullmatch(text), ANSWER.fullmatch(text)
        if q:
            dest = int(q.group(1), 16) + 1
            never += pending.pop(dest, 0)      # asked again, never answered
            pending[dest] = 1
            last = dest
        elif a:
            dest = int(a.group(1), 16) + 1
            if pending.pop(dest, 0):
                if dest == last:
                    in_time += 1
                else:
                    late += 1
        elif FAILED in text and "InitDialog" not in text:
            fails += 1
    return in_time, late, never, fails


def patient(delay, seconds, limit):
    """The same polling with both limits raised, which gives an answer
    (limit - 3) / 3 more ticks before the level counts as failed."""
    progress("polling at %d ms for %d s, limits %d" % (delay, seconds, limit))
    r = Run("patient-%d" % delay, delay, CommErrorLimit=limit, MaxUnAcks=limit)
    try:
        c0 = r.client.mark()
        time.sleep(seconds)
        fails = failures(r, c0)
        row("Link failures declared at %d ms over %d s with CommErrorLimit and MaxUnAcks %d"
            % (delay, seconds, limit), str(fails), "0")
        bench("FALSE_FAILURES_%dMS_LIMITS_%d" % (delay, limit), fails)
    finally:
        r.close()


def traced(delay, seconds, samples):
    progress("polling at %d ms for %d s, trace on" % (delay, seconds))
    r = Run("trace-%d" % delay, delay, trace=True)
    try:
        first, c0 = len(r.trace.read()), r.client.mark()
        time.sleep(seconds)                   # the measurement window
        lines = r.trace.read()[first:]
        in_time, late, never, fails = answers(lines)
        declared = failures(r, c0)
        clock_check(r, lines)
        row("Answers to the polls at %d ms over %d s, trace on: in time / late (after the next "
            "poll) / never; link failures" % (delay, seconds),
            "%d / %d / %d; %d" % (in_time, late, never, declared), "all in time; 0")
        bench("TRACE_ON_FALSE_FAILURES_%dMS" % delay, declared)
        if samples:
            change_latency(r, delay, samples)
    finally:
        r.close()


FLOOD_CLIENTS = 4


def flood_texts(k, groups):
    """Per group a query, a lock and an unlock, a take and a refused take of
    the client's own destination (four destinations each): five texts."""
    texts = []
    for i in range(groups):
        d = 4 * k + i % 4 + 1
        texts += ["RQ %d %d %d 42" % (DEVICE, d, d), "RL %d %d %d 1 42" % (DEVICE, d, d),
                  "RL %d %d %d 0 42" % (DEVICE, d, d), "RC %d %d %d ',---' 42" % (DEVICE, i % 16 + 1, d),
                  "RC %d 99 %d ',---' 42" % (DEVICE, d)]
    return texts


def flood(delay=50, texts=10000):
    """Four clients sending texts at once to a driver polling every delay
    ms: polls per second while the flood lasts, over the whole of it and
    in its worst 2-second window, and the link failures declared."""
    progress("%d texts from %d clients, polling at %d ms" % (texts, FLOOD_CLIENTS, delay))
    r = Run("flood-%d" % delay, delay, SaveDelay=1)
    try:
        clients = [r.client] + [r.rig.connect() for _ in range(FLOOD_CLIENTS - 1)]
        groups = texts // 5 // FLOOD_CLIENTS
        saves = save_ticks(r.rig.site.idx)
        rig.wait_for(lambda: len(saves) > 1, "a save tick before the flood", timeout=40)
        time.sleep(max(0.0, saves[1] + 25 - time.monotonic()))   # the next tick falls inside
        q0, c0 = len(r.sim.commands()), r.client.mark()
        start = time.monotonic()
        for k, c in enumerate(clients):
            c.send_in_background(flood_texts(k, groups))
        replies = groups * FLOOD_CLIENTS
        rig.wait_progress(lambda: r.client.count(r"TXREPLY 32810 .*", c0), replies, "the replies")
        end = time.monotonic()
        times = [t for t, _ in r.queries(q0) if start <= t <= end]
        rate = (len(times) - 1) / (times[-1] - times[0])
        windows = [sum(1 for t in times if w <= t < w + 2) / 2
                   for w in [times[0] + 2 * i for i in range(int((times[-1] - times[0]) // 2))]]
        fails = failures(r, c0)
        row("Polls per second at TallyDelay %d ms while %d clients send %d texts (%.1f s): "
            "whole flood / worst 2-second window; link failures" % (delay, FLOOD_CLIENTS, texts, end - start),
            "%.1f / %.1f; %d" % (rate, min(windows) if windows else rate, fails),
            "%d asked; 0" % (1000 // delay))
        bench("FLOOD_POLLS_PER_S_%dMS" % delay, "%.1f" % rate)
        bench("FLOOD_FALSE_FAILURES_%dMS" % delay, fails)
        inside = [b - a for a, b in zip(saves[1:], saves[2:]) if b <= end]
        row("Save ticks at SaveDelay 1 inside that flood: seconds since the tick before",
            " / ".join("%.1f" % s for s in inside) or "none (the flood was shorter than a tick)",
            "30.0 each")
    finally:
        saves.append(None)   # ends the watch
        r.close()


def save_ticks(idx):
    """The times the tally file is written, watched from a thread until None
    is appended; the first entry is the file's time stamp at the start."""
    seen = [os.stat(idx).st_mtime_ns]

    def watch():
        last = seen[0]
        while seen[-1] is not None:
            stamp = os.stat(idx).st_mtime_ns
            if stamp != last:
                last = stamp
                seen.append(time.monotonic())
            time.sleep(0.05)
    threading.Thread(target=watch, daemon=True).start()
    return seen


def clock_check(r, lines):
    """The trace's clock against this script's: a query is traced before
    the simulator's log of it arrives here, a few ms at most."""
    offset = time.time() - time.monotonic()
    sent = [t for t, text in lines if QUERY.fullmatch(text)]
    got = [seconds_of_day(t + offset) for t, _ in r.queries(0)]
    first = min(range(len(got)), key=lambda i: abs(got[i] - sent[0]))
    deltas = sorted(since_midnight(g - s) for g, s in zip(got[first:], sent))
    progress("simulator log minus trace time of a query: p50 %.1f ms" % (1000 * deltas[len(deltas) // 2]))


def change_latency(r, delay, samples):
    """A crosspoint set at the simulator until the driver traces the status
    line that stores it."""
    lat = []
    for k in range(samples):
        dest = 1 + (k * 5) % DESTS
        now = int(r.sim.control("get A %d" % dest))
        source = now % SOURCES + 1
        start = len(r.trace.read())
        wall = time.time()
        r.sim.control("set A %d %d" % (dest, source))
        line = "S:0%X,%X" % (dest - 1, source - 1)

        def stored():
            return next((t for t, text in r.trace.read()[start:] if text == line), None)

        t = rig.wait_for(stored, "the driver to decode " + line)
        lat.append(since_midnight(t - seconds_of_day(wall)))
    row("Crosspoint change at the router to the stored tally at %d ms, %d changes "
        "(mean / p50 / p99 / max)" % (delay, samples), spread(lat),
        "one cycle: %d ms + the answer" % (DESTS * delay))


def report_latency(samples):
    """A crosspoint set at the simulator's panel until the client has its
    revertive: the router reports the change and the driver passes it on
    without waiting for the poll (a cycle here is 16 s)."""
    progress("reporting at 1000 ms, %d changes" % samples)
    r = Run("report", 1000)
    try:
        r.client.expect(r"TXREVERTIVE 0 RR %d 001 \d+" % DEVICE)   # the first answer is in
        lat = []
        for k in range(samples):
            dest = 1 + (k * 7) % DESTS
            source = int(r.sim.control("get A %d" % dest)) % SOURCES + 1
            r.client.forget()
            t = time.monotonic()
            r.sim.control("set A %d %d" % (dest, source))
            t1, _ = r.client.expect_timed("TXREVERTIVE 0 RR %d %03d %03d" % (DEVICE, dest, source))
            lat.append(t1 - t)
        row("Crosspoint change at the router to the revertive at the client, reporting on, "
            "TallyDelay 1000 ms, %d changes (mean / p50 / p99 / max)" % samples, spread(lat),
            "the status line on the line: 2.1-3.1 ms")
        v = sorted(lat)
        bench("REPORT_LATENCY_P99_MS", "%.1f" % (1000 * v[min(len(v) - 1, int(len(v) * 0.99))]))
    finally:
        r.close()


def idle(seconds):
    progress("idle at 1000 ms for %d s, then receive throughput" % seconds)
    # Patient limits: the filler holds back the status lines for seconds,
    # which measures reading, not the link's judgement.
    r = Run("idle", 1000, MaxUnAcks=60, CommErrorLimit=60)
    try:
        r.client.expect(r"TXREVERTIVE 0 RR %d %03d \d+" % (DEVICE, DESTS))   # one full cycle
        cpu = cpu_window(r.pids(), seconds)
        row("Idle CPU at TallyDelay 1000 ms over %d s: driver / wineserver / Wine's own" % seconds,
            "%s %% of one core" % cpu_text(cpu), "a few tenths of a percent")
        if None not in cpu:
            bench("IDLE_CPU_PCT", "%.2f" % sum(cpu))
        receive(r)
    finally:
        r.close()


def send_lines(r, line, count, per_command=400):
    """Makes the simulator send the line count times; returns the bytes."""
    escaped = line.replace("\r", "\\r").replace("\n", "\\n")
    left = count
    while left:
        n = min(left, per_command)
        r.sim.control("send " + escaped * n)
        left -= n
    return len(line) * count


FILLER = "FILLER LINE WITHOUT A STATUS MARK 0123456789\r\n"
# A status line of destination N + 1 naming a source beyond the level.
END_MARK = "S:%02X,FF\r\n"


def filler_rate(r, lines):
    """Filler that the driver reads and drops, then one status line as the
    end mark (a source beyond the level: never stored, so always sent on as
    a revertive): bytes per second from the first byte sent to the end
    mark's revertive."""
    r.client.cursor = r.client.mark()
    t = time.monotonic()
    size = send_lines(r, FILLER, lines) + send_lines(r, END_MARK % 0, 1)
    t1, _ = r.client.expect_timed("TXREVERTIVE 0 RR %d 001 .*" % DEVICE, timeout=300)
    return size, size / (t1 - t)


def receive(r):
    size, rate = filler_rate(r, 500)
    row("Receive throughput, lines without a status mark (%d KB; a pty has no baud rate)"
        % (size // 1024), "%.0f bytes/s" % rate, "3840 bytes/s at 38400 baud")
    bench("RX_BYTES_PER_S_DRIVER", "%.0f" % rate)
    # The simulator paced at line rate: about 5 s of output at each speed.
    for baud in (38400, 115200):
        r.sim.control("pace %d" % (baud // 10))
        size, rate = filler_rate(r, baud // 10 * 5 // len(FILLER))
        row("Receive through the driver, simulator paced at %d baud (%d KB)" % (baud, size // 1024),
            "%.0f bytes/s (%.3f x line rate)" % (rate, rate / (baud // 10)),
            "%d bytes/s" % (baud // 10))
        bench("RX_BYTES_PER_S_%d" % baud, "%.0f" % rate)
    r.sim.control("pace 0")

    count = 1000
    start = r.client.mark()
    pattern = r"TXREVERTIVE 0 RR %d 002 .*" % DEVICE
    t = time.monotonic()
    send_lines(r, END_MARK % 1, count)
    rig.wait_for(lambda: r.client.count(pattern, start) >= count, "the revertives", timeout=300)
    rx = re.compile(pattern)
    t1 = [t for t, l in r.client.stamped(start) if rx.fullmatch(l)][count - 1]
    row("Status lines decoded per second, each sent on as a revertive (%d lines)" % count,
        "%.0f lines/s" % (count / (t1 - t)), "480 lines/s (8 bytes each) at 38400 baud")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--seconds", type=int, default=60, help="polling window of each run (60)")
    ap.add_argument("--samples", type=int, default=20, help="crosspoint change samples (20)")
    ap.add_argument("--takes", type=int, default=100, help="take latency samples (100)")
    ap.add_argument("--idle-seconds", type=int, default=10, help="idle CPU window (10)")
    ap.add_argument("--changes", type=int, default=300, help="reported change samples (300)")
    ap.add_argument("--report-only", action="store_true", help="only the reported changes")
    ap.add_argument("--quick", action="store_true",
                    help="10 ms only, its traced run without crosspoint changes: a few minutes")
    ap.add_argument("--flood-and-trace", action="store_true",
                    help="only the flood at 50 ms and the traced run at 10 ms")
    args = ap.parse_args()
    missing = rig.missing("HXIHOST.EXE", "TRACECAP.EXE", rig.SIM)
    if missing:
        sys.exit("link_bench: the build has no " + ", ".join(missing))
    if args.report_only:
        report_latency(args.changes)
        return
    if args.flood_and_trace:
        flood()
        traced(10, args.seconds, 0)
        return
    flood()
    report_latency(args.changes)
    for delay in (10,) if args.quick else (10, 100):
        polling(delay, args.seconds, args.takes)
        if delay == 10:
            patient(delay, args.seconds, 12)
            traced(delay, args.seconds, 0 if args.quick else args.samples)
        elif not args.quick:
            traced(delay, args.seconds, args.samples)
    idle(args.idle_seconds)


if __name__ == "__main__":
    main()
