#!/usr/bin/env python3
"""Gateway benchmarks: the optimised native gateway (build/bench-native)
as a client of HXIHOST.EXE, with VAL_DRN.EXE and the router simulator on
COM12 under Wine, one level of 1024 x 1024 polled every 10 ms. Prints
"label: value" lines and BENCH_<NAME>=<number> figures:
  - the initial dump of the level to a new Videohub client (connect to END
    PRELUDE), alone and with 50 clients connecting at once (25 Videohub,
    25 SW-P-08 acknowledging every message);
  - a route at the client to the take frame at the router (the simulator's
    log line), one at a time, from a Videohub client and from an SW-P-08
    client, alone and with the 50 clients connected; beside them the same
    route sent by a host client as an RC text, without the gateway.

Run under an X display with the build's prefix and a warm wineserver (as
bench/run_all.sh does):  python3 bench/gateway_bench.py [--routes 100]
"""
import argparse
import os
import selectors
import socket
import statistics
import sys
import threading
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine", "e2e"))
import gateway_rig  # noqa: E402
import rig  # noqa: E402

GATEWAY = os.path.join(rig.BUILD, "bench-native", "valdrn_gateway")
A = rig.Level(0, 101, 1024, 1024)
ACK = b"\x10\x06"


def frame(data):
    body = bytes(data) + bytes([len(data)])
    body += bytes([(-sum(body)) & 0xFF])
    return b"\x10\x02" + body.replace(b"\x10", b"\x10\x10") + b"\x10\x03"


def spread(values):
    v = sorted(values)
    p = lambda q: v[min(len(v) - 1, int(len(v) * q))]
    return "%.1f / %.1f / %.1f / %.1f ms" % (1000 * statistics.mean(v), 1000 * p(0.5), 1000 * p(0.99),
                                             1000 * v[-1])


def p99_ms(values):
    v = sorted(values)
    return "%.1f" % (1000 * v[min(len(v) - 1, int(len(v) * 0.99))])


def dump_time(port):
    """Seconds from connecting to the END PRELUDE block; the client stays."""
    t = time.monotonic()
    s = socket.create_connection(("127.0.0.1", port), timeout=rig.DEADLINE)
    got = b""
    while b"END PRELUDE:\n\n" not in got:
        data = s.recv(1 << 20)
        if not data:
            raise AssertionError("the gateway closed the connection")
        got += data
    return time.monotonic() - t, s


class AckingClients:
    """SW-P-08 clients that answer every chunk with ACK, in one thread."""

    def __init__(self, port, count):
        self.sel = selectors.DefaultSelector()
        self.socks = [socket.create_connection(("127.0.0.1", port)) for _ in range(count)]
        for s in self.socks:
            s.setblocking(False)
            self.sel.register(s, selectors.EVENT_READ)
        threading.Thread(target=self._run, daemon=True).start()

    def _run(self):
        while True:
            for key, _ in self.sel.select(1):
                try:
                    data = key.fileobj.recv(65536)
                    if data and data != ACK:
                        key.fileobj.sendall(ACK)
                except OSError:
                    pass


def routes(sim, send, count):
    """Seconds from each route sent to its take frame logged by the simulator."""
    lat = []
    for k in range(count):
        dest, source = (k * 37) % A.dests, (k * 11 + 3) % A.sources
        start = len(sim.commands())
        t = send(dest, source)
        _, t1, _ = sim.expect(r"@ X:0/%X,%X" % (dest, source), start)
        lat.append(t1 - t)
    return lat


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--routes", type=int, default=100)
    args = ap.parse_args()
    r = rig.Rig()
    try:
        r.configure([A], Speed=38400, TallyDelay=10, DebugMode=0, SaveDelay=1000, MaxUnAcks=15,
                    CommErrorLimit=15, Access="42,%d" % gateway_rig.REQUESTER)
        r.site.write_idx({0: list(range(1, A.dests + 1))})
        open(os.path.join(r.dir, "names.txt"), "w").close()
        sim = r.start_sim(["--levels", "0", "--level", "0=%d:%d" % (A.sources, A.dests)], verbose=True)
        r.start_host()
        r.start_driver("driver", traced=False)
        gw = gateway_rig.start_gateway(r, exe=GATEWAY)
        gw.present(A)

        dumps = [dump_time(gw.videohub[0]) for _ in range(5)]
        print("Initial dump of a 1024-destination level to a new Videohub client, 5 clients one "
              "after another (max / median): %.1f / %.1f ms"
              % (1000 * max(d[0] for d in dumps), 1000 * statistics.median(d[0] for d in dumps)))
        print("BENCH_GATEWAY_DUMP_1024_MS=%.1f" % (1000 * max(d[0] for d in dumps)))

        vh = gateway_rig.Videohub(gw.videohub[0])
        vh.dump()
        send_vh = lambda d, s: vh.send("VIDEO OUTPUT ROUTING:", "%d %d" % (d, s), "")
        sw = socket.create_connection(("127.0.0.1", gw.swp08))
        send_sw = lambda d, s: (rig.now(), sw.sendall(frame([130, 0, 0, d >> 8, d & 255,
                                                                   s >> 8, s & 255])))[0]
        send_rc = lambda d, s: r.client.send("RC 101 %d %d ',---' 42" % (s + 1, d + 1))
        lat = routes(sim, send_rc, args.routes)
        print("Beside it, the same route as an RC text of a host client, without the gateway "
              "(mean / p50 / p99 / max): %s" % spread(lat))
        for name, send in (("Videohub", send_vh), ("SW-P-08", send_sw)):
            lat = routes(sim, send, args.routes)
            print("Route at a %s client to the take frame at the router, %d routes (mean / p50 / "
                  "p99 / max): %s" % (name, args.routes, spread(lat)))
            print("BENCH_GATEWAY_%sROUTE_P99_MS=%s" % ("" if name == "Videohub" else "SWP08_", p99_ms(lat)))

        threads, results = [], []
        for _ in range(25):
            th = threading.Thread(target=lambda: results.append(dump_time(gw.videohub[0])))
            th.start()
            threads.append(th)
        others = AckingClients(gw.swp08, 25)
        for th in threads:
            th.join()
        print("Initial dump with 50 clients connecting at once: the slowest of 25 Videohub "
              "clients: %.1f ms" % (1000 * max(d[0] for d in results)))
        print("BENCH_GATEWAY_DUMP_1024_50_CLIENTS_MS=%.1f" % (1000 * max(d[0] for d in results)))
        lat = routes(sim, send_vh, args.routes)
        print("Route at a Videohub client to the take frame with 50 more clients connected "
              "(mean / p50 / p99 / max): %s" % spread(lat))
        print("BENCH_GATEWAY_ROUTE_P99_50_CLIENTS_MS=%s" % p99_ms(lat))
        del others
    finally:
        r.close(keep=False)


if __name__ == "__main__":
    main()
