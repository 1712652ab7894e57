"""The gateway beside the rig's processes: the native gateway started
against the rig's host, its ports, a Videohub client written from the
protocol (reads the dump, pings, routes, locks, reconnects) and the
level's routing as a Videohub client sees it."""
import os
import re
import signal
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from rig import BUILD, Client, Level, wait_for  # noqa: E402

GATEWAY = os.path.join(BUILD, "native", "valdrn_gateway")
REQUESTER = 50
A = Level(0, 101, 16, 12)
NAMES = "101 S 1 CAMERA 1\n101 S 16 VTR 16\n101 D 1 MON 1\n"


def start_site(rig, levels=(A,)):
    """Simulator, host (with the names file) and a driver whose first cycle
    has read every destination; returns (simulator, driver)."""
    rig.configure(list(levels), Speed=38400, TallyDelay=100, DebugMode=1, SaveDelay=1000,
                  MaxUnAcks=15, CommErrorLimit=15, Access="42,%d" % REQUESTER)
    names = os.path.join(rig.dir, "names.txt")
    with open(names, "w") as f:
        f.write(NAMES)
    sim = rig.sim_levels(list(levels))
    rig.start_host("/names", names)
    return sim, start_driver(rig, levels)


def start_driver(rig, levels=(A,), name="driver"):
    driver = rig.start_driver(name)
    for l in levels:
        driver.wait_trace("Dest Valid (Rtr %d, Dest %d)" % (l.index, l.dests))
    return driver


def kill_driver(rig, driver):
    for pid in rig.driver_pids():
        os.kill(pid, signal.SIGKILL)
    rig.stop(driver.proc)


def start_gateway(rig, host_port=None, exe=GATEWAY):
    """The gateway on free ports; .videohub (one port per level) and .swp08."""
    ports = os.path.join(rig.dir, "gateway.ports")
    args = [exe, "--requester", REQUESTER, "--config", rig.site.config,
            "--names", os.path.join(rig.dir, "names.txt"), "--host-port", host_port or rig.host.port,
            "--bind", "127.0.0.1", "--videohub-port", 0, "--swp08-port", 0, "--portfile", ports]
    out = open(os.path.join(rig.dir, "gateway.out"), "wb")
    p = subprocess.Popen([str(a) for a in args], stdout=out, stderr=subprocess.STDOUT,
                         stdin=subprocess.DEVNULL, start_new_session=True)
    out.close()
    p.name, p.out_path = "gateway", out.name
    rig.procs.append(p)
    found = wait_for(lambda: os.path.exists(ports) and open(ports).read().split("\n"),
                     "the gateway's ports")
    p.videohub = [int(l.split()[-1]) for l in found if l.startswith("videohub")]
    p.swp08 = [int(l.split()[-1]) for l in found if l.startswith("swp08")][0]
    p.present = lambda l=A: wait_for(lambda: ("level %s (device %d) present" % (
        "ABCDEFGHIJKLMNOP"[l.index], l.device)) in rig.output(p), "the gateway to serve the level")
    return p


class Videohub(Client):
    """A Videohub client: blocks are read from the lines the rig's client
    keeps; every request is one block ended by a blank line."""

    def block(self, header, timeout=None):
        """The lines of the next block with this header."""
        self.expect(re.escape(header) + ":", *(() if timeout is None else (timeout,)))
        lines = self.lines_until("")
        return lines[:-1]

    def dump(self):
        """The initial dump up to END PRELUDE: {header: lines}."""
        blocks = {}
        for header in ("PROTOCOL PREAMBLE", "VIDEOHUB DEVICE"):
            blocks[header] = self.block(header)
        if "Device present: true" in blocks["VIDEOHUB DEVICE"]:
            for header in ("INPUT LABELS", "OUTPUT LABELS", "VIDEO OUTPUT LOCKS",
                           "VIDEO OUTPUT ROUTING"):
                blocks[header] = self.block(header)
        self.block("END PRELUDE")
        return blocks

    def routed(self, line):
        """Waits for a routing update holding the line."""
        while line not in self.block("VIDEO OUTPUT ROUTING"):
            pass

    def request(self, header, *lines):
        """Sends a block; returns its answer, ACK or NAK."""
        self.send(header + ":", *lines, "")
        return self.expect("ACK|NAK")


def routing(sim, level):
    """The routing block's lines for the router's crosspoints (input n is
    source n+1; the park entry is the last input)."""
    return ["%d %d" % (d, (s or level.sources + 1) - 1) for d, s in enumerate(sim.crosspoints(level))]


def connect_videohub(rig, gateway, level_position=0):
    c = Videohub(gateway.videohub[level_position])
    rig.clients.append(c)
    return c


CLIENT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "swp08_client")


class Swp08Client:
    """The npm SW-P-08 client (client.js) as a process: commands go to its
    standard input, its JSON lines are kept as they arrive."""

    def __init__(self, rig, port, sources=0, dests=0):
        import json
        import threading
        self.json, self.lines, self.cursor = json, [], 0
        out = open(os.path.join(rig.dir, "swp08-client.err"), "wb")
        self.proc = subprocess.Popen(
            ["node", os.path.join(CLIENT_DIR, "client.js"), "127.0.0.1", str(port), str(sources),
             str(dests)], stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=out,
            start_new_session=True)
        out.close()
        self.proc.name, self.proc.out_path = "swp08-client", out.name
        rig.procs.append(self.proc)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            self.lines.append(self.json.loads(raw))

    def send(self, command):
        self.proc.stdin.write(command.encode() + b"\n")
        self.proc.stdin.flush()

    def expect(self, test, what):
        """Waits for a line beyond the cursor for which test holds."""
        def find():
            for i in range(self.cursor, len(self.lines)):
                if test(self.lines[i]):
                    self.cursor = i + 1
                    return self.lines[i]
            return None
        return wait_for(find, what)

    def do(self, command):
        name = command.split()[0]
        self.send(command)
        return self.expect(lambda l: l.get("cmd") == name, "the client's answer to " + command)


def client_installed():
    return os.path.isdir(os.path.join(CLIENT_DIR, "node_modules", "probel-swp-08"))
