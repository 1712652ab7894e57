#!/usr/bin/env python3
"""The driver end to end on a simulated router, step by step: run by
scripts/demo.sh (which builds everything and provides the display).

A client routes, locks, unlocks and queries through the host's TCP port; a
crosspoint changes at the router; the router falls silent and comes back.
Each step prints what was sent and the lines it caused, with their times
after the step began. Screenshots of the panel and the driver's debug trace
land in the demo folder; the tally file is left in the site's configuration
folder."""
import argparse
import os
import shutil
import signal
import subprocess
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import rig  # noqa: E402

LEVELS = [(101, 16, 16), (102, 32, 8), (103, 8, 4)]   # device, sources, destinations
STATUS_DEVICE = 200
NAMES = """# <device> S|D <number> <name>
101 S 1 CAM 1
101 S 2 CAM 2
101 S 3 CAM 3
101 S 4 CAM 4
101 S 5 VTR 1
101 S 6 VTR 2
101 S 7 GFX
101 S 8 BARS
101 D 1 PGM
101 D 2 PVW
101 D 3 MON 1
101 D 4 MON 2
101 D 5 REC 1
101 D 6 REC 2
102 S 1 MIC 1
102 S 2 MIC 2
102 D 1 PGM L
102 D 2 PGM R
103 S 1 TC GEN
103 D 1 TC VTR 1
"""


class Stop(Exception):
    """A signal asked the demo to end."""


def on_signal(signum, frame):
    raise Stop()


class Demo:
    def __init__(self, folder, tally_delay):
        self.folder = folder
        self.tally_delay = tally_delay
        self.rig = rig.Rig(folder, watch=True)
        self.client = None
        self.sim = None
        self.t0 = rig.now()
        self.mark = 0
        self.sim_mark = 0
        self.events = []

    # --- printing -------------------------------------------------------

    def say(self, text):
        print(text, flush=True)

    def step(self, title):
        self.say("\n== " + title)
        self.t0 = rig.now()
        self.mark = self.client.mark() if self.client else 0
        self.sim_mark = len(self.sim.commands()) if self.sim else 0
        self.events = []   # what this step sent, with the time

    def send(self, *lines):
        t = self.client.send(*lines)
        self.events += [(t, "client -> " + line) for line in lines]
        return t

    def control(self, command):
        t = rig.now()
        reply = self.sim.control(command)
        self.events.append((t, "router control: %s (%s)" % (command, reply)))
        return reply

    def show(self):
        """Prints what the step sent and the client lines since it began,
        merged in time with the take frames the router received; name
        requests are only counted."""
        lines = [(t, "<- " + text) for t, text in self.client.stamped(self.mark)]
        takes = [(t, "router <- " + text) for t, text in self.sim.commands(self.sim_mark)
                 if text.startswith("@ X:")]
        names = [l for l in lines if l[1].startswith("<- REQNAME")]
        shown = [l for l in lines if l not in names] + takes + self.events
        for t, text in sorted(shown, key=lambda l: l[0]):
            self.say("   %+7.2fs  %s" % (t - self.t0, text))
        if names:
            self.say("   (%d name requests answered by the host: the panel's lists filled)" % len(names))

    # --- the run --------------------------------------------------------

    def start(self):
        names = os.path.join(self.folder, "names.txt")
        with open(names, "w") as f:
            f.write(NAMES)
        config = self.rig.configure(LEVELS, Name="Demo Router", TallyDelay=self.tally_delay,
                                    DebugMode=1, Access="ALL", StatusInfoDriverId=STATUS_DEVICE)
        sizes = []
        for i, (_, sources, dests) in enumerate(LEVELS):
            sizes += ["--level", "%c=%d:%d" % (chr(65 + i), sources, dests)]
        self.step("start: router simulator, HXIHOST.EXE, VAL_DRN.EXE")
        self.say("   site %s (CC_ROOT=%s CC_SYSTEM=sys)" % (config, self.rig.env["CC_ROOT"]))
        for i, (device, sources, dests) in enumerate(LEVELS):
            self.say("   level %c: device %d, %d sources, %d destinations"
                     % (chr(65 + i), device, sources, dests))
        self.sim = self.rig.start_sim(["--levels", "0"] + sizes, verbose=True)
        self.say("   router simulator on %s (COM%d), control socket %s"
                 % (rig.pty_path(), rig.COM, self.sim.control_path))
        self.host = self.rig.start_host("/names", names)
        self.client = self.rig.client
        self.say("   HXIHOST.EXE listening on 127.0.0.1:%d, names from %s" % (self.host.port, names))
        self.driver = self.rig.start_driver()
        self.say("   VAL_DRN.EXE: Com=%d, TallyDelay=%d ms, DebugMode=1 (trace: %s)"
                 % (rig.COM, self.tally_delay, self.driver.proc.out_path))
        for device, _, _ in LEVELS:
            self.client.expect("REGDEV %d 0" % device)
        self.show()

        self.step("first poll cycle: every level answers, the driver learns the crosspoints")
        for device, _, dests in LEVELS:
            self.client.expect(r"TXINFO %d IW %d '1' %d" % (STATUS_DEVICE, STATUS_DEVICE, device))
            self.client.expect(r"TXREVERTIVE 0 RR %d %03d \d+" % (device, dests))
        self.show()

    def route_and_lock(self):
        self.step("route source 5 (VTR 1) to destination 3 (MON 1) of level A")
        self.send("RC 101 5 3 ',---' 42")
        self.sim.expect(r"@ X:0/2,4", self.sim_mark)
        self.client.expect("TXREVERTIVE 0 RR 101 003 005")
        self.show()
        self.say("   the take goes out at once; the router reports the change (the poll's"
                 " \"@ ?\" turned its reporting on) and the revertive follows")

        self.step("lock destinations 1-4 of level A, then route to 2 (locked) and 6 (free)")
        self.send("RL 101 1 4 1 42", "RC 101 7 2 ',---' 42", "RC 101 8 6 ',---' 42")
        i, _, _ = self.sim.expect(r"@ X:0/5,7", self.sim_mark)
        blocked = [c for _, c in self.sim.commands(self.sim_mark)[:i - self.sim_mark]
                   if c == "@ X:0/1,6"]
        assert not blocked, "a take reached the router for a locked destination"
        self.client.expect("TXREVERTIVE 0 RR 101 006 008")
        self.send("RQ 101 2 2 42")
        self.client.expect(r"TXREPLY 32810 RR 101 002 002")
        self.show()
        self.say("   no take for the locked destination 2: the router and the tally keep source 2")

        self.step("unlock destinations 1-4 and route source 7 (GFX) to destination 2")
        self.send("RL 101 1 4 0 42", "RC 101 7 2 ',---' 42")
        self.sim.expect(r"@ X:0/1,6", self.sim_mark)
        self.client.expect("TXREVERTIVE 0 RR 101 002 007")
        self.show()

        self.step("query destinations 1-6 of level A")
        self.send("RQ 101 1 6 42")
        self.client.expect(r"TXREPLY 32810 RR 101 006 008")
        self.show()
        self.say("   the last reply carries the end mark (32768 + requester)")

    def router_events(self):
        self.step("a crosspoint changes at the router: level B destination 3 now shows source 7")
        self.control("set B 3 7")
        self.client.expect("TXREVERTIVE 0 RR 102 003 007")
        self.show()
        self.say("   reported by the router at once, not when the poll comes round")

        self.step("the router falls silent")
        self.control("silent")
        for device, _, _ in LEVELS:
            self.client.expect(r"ASSERTDEVMODE 1 %d" % device)
        self.expect_each(r"TXINFO %d IW %d '0' %%d" % (STATUS_DEVICE, STATUS_DEVICE))
        self.show()
        self.say("   each level fails in turn (IW '0' to status device %d); the driver goes"
                 " Rx only (ASSERTDEVMODE 1)" % STATUS_DEVICE)
        self.screenshot("panel-fail.png")

        self.step("the router answers again")
        self.control("resume")
        self.expect_each(r"TXINFO %d IW %d '1' %%d" % (STATUS_DEVICE, STATUS_DEVICE))
        self.send("!INQTXRX 101")
        self.client.expect("INQTXRX 101 1")
        self.show()
        self.say("   every level is OK again; the interface mode stays Rx only until the host asks")

        self.step("the host asks for Tx/Rx; revertives flow again")
        self.send("!GOTXRX 101")
        self.client.expect("GOTXRX 101 1")
        self.send("RC 102 9 1 ',---' 42")
        self.client.expect("TXREVERTIVE 0 RR 102 001 009")
        self.show()
        self.screenshot("panel.png")

    def expect_each(self, pattern):
        """Waits for the pattern filled with each level's device, in any
        order, among the lines since the step began."""
        for device, _, _ in LEVELS:
            self.client.cursor = self.mark
            self.client.expect(pattern % device)
        self.client.cursor = self.client.mark()

    def screenshot(self, name):
        path = os.path.join(self.folder, name)
        if not shutil.which("import"):
            self.say("   screenshot skipped: imagemagick's import is not installed")
            return
        r = subprocess.run(["import", "-window", "root", "-trim", "+repage", path],
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
        if r.returncode == 0:
            self.say("   screenshot of the panel: %s" % path)
        else:
            self.say("   screenshot failed: %s" % r.stderr.decode(errors="replace").strip())

    def hold(self):
        port = self.host.port
        client = os.path.join(rig.ROOT, "stand-ins", "hxihost", "hxiclient.py")
        self.step("holding: the driver keeps running")
        self.say("""   A client of your own (interactive: type a line, see what comes back):
     python3 %(client)s --port %(port)d
     python3 %(client)s --port %(port)d "RC 101 5 3 ',---' 42" "RQ 101 1 16 42"
   The router:  socat - UNIX-CONNECT:%(sock)s   (set A 3 9 | get A 3 | silent | resume)
   The panel:   DISPLAY=%(display)s import -window root panel.png
   The trace:   tail -f %(trace)s
   Press Enter (or Ctrl+C) to stop the demo.""" % {
            "client": client, "port": port, "sock": self.sim.control_path,
            "display": os.environ.get("DISPLAY", "?"), "trace": self.driver.proc.out_path})
        try:
            sys.stdin.readline()
        except Stop:
            pass

    def close(self):
        self.step("the host closes the driver; it deregisters and saves its tallies")
        self.client.watch.remove(self.driver.proc)
        self.send("!CLOSE 101")
        self.client.expect(r"CLOSE 101 0")
        code = self.driver.wait_end()
        self.show()
        self.say("   VAL_DRN.EXE ended with exit code %d" % code)
        self.tallies()

    def tallies(self):
        path = self.rig.site.idx
        with open(path, "rb") as f:
            data = f.read()
        self.say("   tally file %s (%d bytes):" % (path, len(data)))
        for level, (device, _, dests) in enumerate(LEVELS):
            block = data[level * 2048:level * 2048 + 2 * dests]
            tallies = [block[i] * 256 + block[i + 1] for i in range(0, len(block), 2)]
            self.say("     level %c (%d): %s" % (chr(65 + level), device,
                                                " ".join(str(t) for t in tallies)))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--hold", action="store_true",
                    help="keep everything running after the steps, until Enter or Ctrl+C")
    ap.add_argument("--folder", default=os.path.join(rig.BUILD, "demo"))
    ap.add_argument("--tally-delay", type=int, default=100, help="poll period in ms (100)")
    args = ap.parse_args()

    missing = rig.missing("HXIHOST.EXE", "TRACECAP.EXE", rig.SIM)
    if missing:
        print("demo: the build has no " + ", ".join(missing))
        return rig.SKIP
    folder = os.path.abspath(args.folder)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)

    demo = Demo(folder, args.tally_delay)
    ok = False
    try:
        demo.start()
        demo.route_and_lock()
        demo.router_events()
        if args.hold:
            demo.hold()
        demo.close()
        ok = demo.driver.proc.returncode == 0
    except Stop:
        print("\ndemo: stopped", flush=True)
    except Exception as e:   # report, then clean up below
        print("\ndemo: FAILED: %s" % e, flush=True)
        demo.rig.dump()
    finally:
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        demo.rig.close()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
