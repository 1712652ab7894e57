#!/usr/bin/env python3
"""Host link benchmarks under Wine, measured from a TCP client of
HXIHOST.EXE:

  1. one ORVA32TxMessage: the test driver times a revertive and a name
     request through the library (median of 2000 each), and beside them the
     floor: a pipe request the host answers doing nothing;
  2. panel list fill: VAL_DRN.EXE in simulation on a 1024-destination level,
     its 2048 name requests first to last as the host sees them;
  3. RQ 101 1 1024: from sending the line to the last reply line;
  4. command round trips: one RQ for one destination at a time;
  5. client commands per second: a flood of RQ lines sent at once, until
     the last reply, every reply counted.

Prints "label: value" lines, then one BENCH_<NAME>=<number> line a figure.

Usage (from the repository root, after the windows build, under Xvfb):
  xvfb-run -a python3 bench/host_bench.py [--quick]
"""
import os
import socket
import sys
import time

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import rig  # noqa: E402

REPLY_7 = r"TXREPLY 32810 RR 101 007 .*"


def bench(name, value):
    print("BENCH_%s=%s" % (name, value), flush=True)


def median(values):
    return sorted(values)[len(values) // 2]


def library_calls(calls):
    """Median revertive and name request, in ms, through the library, and
    beside them the floor: a fetch of no waiting text, which the host
    answers doing nothing, so it is the pipe's own request and reply."""
    r = rig.Rig()
    try:
        r.start_host()
        d = r.start("hostlink_testdriver.exe", ["101"], "driver")
        rig.wait_for(lambda: "READY" in r.output(d), "the test driver to register")
        revertive, name, floor = [], [], []
        for _ in range(3):
            r.client.send("TM 101 %d" % calls)
            text = r.client.expect(r"TXREVERTIVE 0 TIME \d+ \d+ \d+", timeout=300)
            revertive.append(int(text.split()[3]) / 1000)
            name.append(int(text.split()[4]) / 1000)
            floor.append(int(text.split()[5]) / 1000)
        print("one library call, median of %d (revertive / name request): %.3f / %.3f ms"
              % (calls, median(revertive), median(name)))
        print("the pipe's own request and reply (a fetch the host answers doing nothing): %.3f ms"
              % median(floor))
        bench("HOST_CALL_MEDIAN_MS", "%.3f" % median(revertive + name))
        bench("PIPE_ROUND_TRIP_MEDIAN_MS", "%.3f" % median(floor))
    finally:
        r.close(keep=False)


def round_trip(port, count):
    """Seconds from one RQ line to its reply, a client of its own reading
    as the bytes arrive (the rig's clients look every 20 ms)."""
    s = socket.create_connection(("127.0.0.1", port), timeout=rig.DEADLINE)
    try:
        start, buf = time.monotonic(), b""
        for _ in range(count):
            s.sendall(b"RQ 101 7 7 42\n")
            while b"TXREPLY 32810 RR 101 007 " not in buf:
                buf += s.recv(65536)
            buf = buf.split(b"TXREPLY 32810 RR 101 007 ", 1)[1]
        return (time.monotonic() - start) / count
    finally:
        s.close()


def driver_figures(flood, round_trips):
    r = rig.Rig()
    try:
        r.configure([(101, 16, 1024)], Simulation=1, Access="ALL", DebugMode=0)
        r.start_host()
        c = r.client
        r.start_driver(traced=False)
        c.expect("REGDEV 101 0")
        first, _ = c.expect_timed("REQNAME 0 101 0 1 .*")
        last, _ = c.expect_timed("REQNAME 0 101 1 1024 .*")
        fill = (last - first) * 1000
        print("panel list fill (2048 name requests): %.0f ms" % fill)
        bench("LIST_FILL_1024_MS", "%.0f" % fill)

        times = []
        for _ in range(5):
            start = c.send("RQ 101 1 1024 42")
            end, _ = c.expect_timed("TXREPLY 32810 RR 101 1024 .*")
            times.append((end - start) * 1000)
        print("RQ 101 1 1024 to the last reply: best %.0f ms, median %.0f ms"
              % (min(times), median(times)))
        bench("RQ1024_MS", "%.0f" % median(times))

        each = round_trip(r.host.port, round_trips)
        print("command round trips, one at a time: %.0f per second (%.2f ms each, %d)"
              % (1 / each, each * 1000, round_trips))

        mark = c.mark()
        start = c.send(*["RQ 101 7 7 42"] * flood)
        rig.wait_progress(lambda: c.count(REPLY_7, mark), flood, "the flood's replies")
        end = c.stamped(mark)[-1][0]
        lost = flood - c.count(REPLY_7, mark)
        print("client commands through the host, %d sent at once: %.0f per second, %d lost"
              % (flood, flood / (end - start), lost))
        bench("CLIENT_CMDS_PER_S", "%.0f" % (flood / (end - start)))
        bench("CLIENT_CMDS_LOST", lost)
    finally:
        r.close(keep=False)


def main():
    quick = "--quick" in sys.argv[1:]
    missing = rig.missing("HXIHOST.EXE", "hostlink_testdriver.exe")
    if missing:
        sys.exit("the build has no " + ", ".join(missing))
    library_calls(500 if quick else 2000)
    driver_figures(2000 if quick else 10000, 200 if quick else 1000)


if __name__ == "__main__":
    main()
