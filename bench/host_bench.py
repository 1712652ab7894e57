#!/usr/bin/env python3
"""Host link benchmarks under Wine: VAL_DRN.EXE in simulation behind
HXIHOST.EXE, measured from a TCP client.

  1. panel list fill: the 2048 name requests of a 1024-destination level,
     first to last as the host sees them;
  2. RQ 101 1 1024: from sending the line to the last reply line;
  3. command round trips per second: one RQ for one destination at a time.

Usage (from the repository root, after the windows build, under Xvfb):
  xvfb-run -a python3 bench/host_bench.py
"""
import os
import socket
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "scripts"))
import rig  # noqa: E402

ROUND_TRIPS = 1000


class Lines:
    """Blocking line reader with a deadline per line."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=60)
        self.buf = b""

    def send(self, line):
        self.sock.sendall(line.encode() + b"\n")

    def until(self, prefix):
        """Reads lines until one starts with prefix; returns (line, time)."""
        while True:
            while b"\n" not in self.buf:
                self.buf += self.sock.recv(65536)
            line, self.buf = self.buf.split(b"\n", 1)
            text = line.decode("latin-1").rstrip("\r")
            if text.startswith(prefix):
                return text, time.perf_counter()


def main():
    missing = rig.missing("HXIHOST.EXE")
    if missing:
        sys.exit("the build has no " + ", ".join(missing))
    r = rig.Rig()
    try:
        r.configure([(101, 16, 1024)], Simulation=1, Access="ALL", DebugMode=0)
        host = r.start_host()
        c = Lines(host.port)
        r.start_driver(traced=False)
        c.until("REGDEV 101 0")
        _, first = c.until("REQNAME 0 101 0 1 ")
        _, last = c.until("REQNAME 0 101 1 1024 ")
        print("panel list fill (2048 name requests): %.0f ms" % ((last - first) * 1000))

        times = []
        for _ in range(5):
            start = time.perf_counter()
            c.send("RQ 101 1 1024 42")
            _, end = c.until("TXREPLY 32810 RR 101 1024 ")
            times.append(end - start)
        print("RQ 101 1 1024 to the last reply: best %.0f ms, median %.0f ms"
              % (min(times) * 1000, sorted(times)[2] * 1000))

        start = time.perf_counter()
        for _ in range(ROUND_TRIPS):
            c.send("RQ 101 7 7 42")
            c.until("TXREPLY 32810 RR 101 007 ")
        elapsed = time.perf_counter() - start
        print("command round trips: %.0f per second (%.2f ms each, %d in a row)"
              % (ROUND_TRIPS / elapsed, elapsed / ROUND_TRIPS * 1000, ROUND_TRIPS))
    finally:
        r.close(keep=False)


if __name__ == "__main__":
    main()
