#!/usr/bin/env python3
"""The BENCH_<NAME>=<number> lines of a run set beside their goals, as a
Markdown table (a figure the run did not produce reads "not measured").

  python3 bench/goals.py FIGURES_FILE"""
import re
import sys

# name, what it is, comparison, goal
GOALS = [
    ("RX_BYTES_PER_S_38400", "Receive through the driver, simulator paced at 38400 baud (B/s)", ">=", 3648),
    ("RX_BYTES_PER_S_115200", "Receive through the driver, simulator paced at 115200 baud (B/s)", ">=", 10944),
    ("RX_BYTES_PER_S_DRIVER", "Receive through the driver, unpaced pty (B/s)", ">=", 3648),
    ("POLLS_PER_S_10MS", "Polls per second at TallyDelay 10 ms", ">=", 95),
    ("FALSE_FAILURES_10MS", "Link failures at 10 ms, router answering", "<=", 0),
    ("TRACE_ON_FALSE_FAILURES_10MS", "Link failures at 10 ms, trace on, router answering", "<=", 0),
    ("FLOOD_POLLS_PER_S_50MS", "Polls per second at 50 ms while four clients send 10,000 texts", ">=", 18),
    ("TAKE_P99_MS", "Take latency p99 at 10 ms (ms)", "<", 10),
    ("IDLE_CPU_PCT", "Idle CPU at 1000 ms: driver + wineserver + Wine's own (% of a core)", "<", 2),
    ("HOST_CALL_MEDIAN_MS", "One ORVA32TxMessage, median (ms)", "<=", 0.25),
    ("RQ1024_MS", "RQ 101 1 1024 to the last reply (ms)", "<", 300),
    ("LIST_FILL_1024_MS", "Panel lists for 1024 destinations (ms)", "<", 600),
    ("CLIENT_CMDS_PER_S", "Client commands per second through the host", ">=", 2000),
    ("CLIENT_CMDS_LOST", "Client commands lost in that flood", "<=", 0),
    ("GATEWAY_DUMP_1024_MS", "Gateway: a 1024-destination level's dump to a new Videohub client (ms)", "<", 1000),
    ("GATEWAY_DUMP_1024_50_CLIENTS_MS", "Gateway: that dump, 50 clients connecting at once (ms)", "<", 1000),
    ("GATEWAY_ROUTE_P99_MS", "Gateway: Videohub route to the take frame, p99 (ms)", "<", 20),
    ("GATEWAY_SWP08_ROUTE_P99_MS", "Gateway: SW-P-08 connect to the take frame, p99 (ms)", "<", 20),
    ("GATEWAY_ROUTE_P99_50_CLIENTS_MS", "Gateway: Videohub route p99 with 50 clients connected (ms)", "<", 20),
]
TESTS = {">=": lambda v, g: v >= g, "<=": lambda v, g: v <= g, "<": lambda v, g: v < g}


def main():
    figures = {}
    with open(sys.argv[1]) as f:
        for line in f:
            m = re.match(r"BENCH_(\w+)=([-0-9.]+)\s*$", line)
            if m:
                figures[m.group(1)] = float(m.group(2))
    print("| Figure | Result | Goal | Met |")
    print("|---|---|---|---|")
    for name, what, op, goal in GOALS:
        v = figures.get(name)
        result = "not measured" if v is None else "%g" % v
        met = "" if v is None else ("yes" if TESTS[op](v, goal) else "no")
        print("| %s (`BENCH_%s`) | %s | %s %g | %s |" % (what, name, result, op, goal, met))


if __name__ == "__main__":
    main()
