"""The router simulator on its own, over its pty: the answers to the driver's
frames in each dialect, reporting, error replies, split and merged output,
busy spells and a reboot. Silence, the control channel and the crosspoint map
are used and read back by the demo, the end-to-end drills and the panel test."""
import os
import select
import sys
import tempfile
import time
import tty
import unittest

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
import rig  # noqa: E402
from rig import Simulator, wait_for  # noqa: E402

POLL_A32 = "@ ?\rT F\r@ X?01F\r"   # level A, destination 32
POLL_A1 = "@ ?\rT F\r@ X?00\r"     # level A, destination 1


class Sim(Simulator):
    """The simulator with the driver's end of its line opened here."""

    def __init__(self, folder, *args):
        super().__init__(folder, args, link=os.path.join(folder, "line"))
        self.fd = os.open(self.link, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        tty.setraw(self.fd)
        self.line_buf = b""

    def send(self, text):
        os.write(self.fd, text.encode("latin-1"))

    def read(self, n=0):
        """n bytes from the line, or all up to the first line end."""
        def enough():
            if select.select([self.fd], [], [], 0.05)[0]:
                self.line_buf += os.read(self.fd, 4096)
            return len(self.line_buf) >= n if n else b"\n" in self.line_buf
        wait_for(enough, "the simulator's answer")
        k = n or self.line_buf.index(b"\n") + 1
        got, self.line_buf = self.line_buf[:k], self.line_buf[k:]
        return got.decode("latin-1")

    def close(self):
        os.close(self.fd)
        super().close()


class SimTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="sim-test-")
        self.sims = []

    def tearDown(self):
        for s in self.sims:
            s.close()

    def sim(self, *args):
        s = Sim(self.dir, "--size", "64:64", *args)
        self.sims.append(s)
        return s

    def test_frames(self):
        s = self.sim("--level", "B=4:2")
        s.control("set A 32 43")
        # The poll's "@ ?" turns reporting on: each take is reported too.
        s.send(POLL_A32 + "@ X:0/1F,0\r@ X?01F\r@ X:0/4,FFFFFFFF\r@ X?04\r")
        self.assertEqual("".join(s.read() for _ in range(5)),
                         "S:01F,2A\r\nS:01F,0\r\nS:01F,0\r\nS:04,X\r\nS:04,X\r\n")
        # Levels above J go out as one hexadecimal digit. Nothing comes back
        # for a destination the router lacks or a bad command, and a source
        # beyond the level is refused.
        s.control("set K 1 5")
        s.send("@ X?A0\r@ X?12\r@ X?G0\rHELLO\r@ X:1/0,9\r@ X?F3F\r")
        self.assertEqual(s.read(26), "S:A0,4\r\nS:A0,4\r\nS:F3F,3F\r\n")
        self.assertEqual(s.get(rig.Level(1, 0, 4, 2), 1), 1)

    def test_dialects(self):
        for args, want in ((["--prompt"], ">>S:01F,1F\r\n>"),
                           (["--echo", "line"], "@ ?\r\nT F\r\n@ X?01F\r\nS:01F,1F\r\n"),
                           (["--echo", "bare", "--prompt"], "@ ?>T F>@ X?01FS:01F,1F\r\n>")):
            s = self.sim(*args)
            s.send(POLL_A32)
            self.assertEqual(s.read(len(want)), want, args)
        s = self.sim("--garbage", "5")
        s.send(POLL_A1)
        self.assertEqual(s.read(13)[5:], "S:00,0\r\n")

    def test_field_behaviours(self):
        s = self.sim("--errors", "--prompt", "--need-report", "--level", "B=300:4")
        # Queries get a prompt alone until "@ ?"; then every change is
        # reported, a take's even when its source was there; "@ !" ends it.
        s.send("@ X?00\r@ ?\r@ X?00\r")
        self.assertEqual(s.read(11), ">>S:00,0\r\n>")
        s.control("set A 2 9")
        s.send("@ X:0/0,0\r")
        self.assertEqual(s.read(17), "S:01,8\r\nS:00,0\r\n>")
        s.send("@ !\r")
        s.control("set A 2 10")
        self.assertEqual(s.read(1), ">")
        # Destination, level, source beyond the router: nothing changes.
        error = ("*** ERROR 2002 *** Illegal, Invalid, or overrange parameter entered\r\n"
                 "Command entry ignored\r\n>")
        for line in ("@ X:0/40,0", "@ X?14", "@ X:1/0,12C", "@ X:10/0,0"):
            s.send(line + "\r")
            self.assertEqual(s.read(len(error)), error, line)
        # Lower-case digits, four-digit numbers, a busy spell of two queries.
        for switch in ("prompt off", "need-report off", "lower on", "pad 4", "busy 2"):
            s.control(switch)
        s.control("set B 4 300")
        s.send("@ X?13\r@ X?13\r@ X?13\r")
        self.assertEqual(s.read(), "S:10003,012b\r\n")
        # Split at a random byte and merged: the bytes arrive whole and in order.
        s.control("lower off")
        s.control("pad 0")
        for switch in ("split 30", "merge 50"):
            s.control(switch)
            s.send("@ X?01\r" * 4)
            self.assertEqual(s.read(32), "S:01,9\r\n" * 4, switch)
            s.control(switch.split()[0] + " 0")
        # A reboot: the banner, silence (a query is lost), reporting off, and
        # the crosspoints back to the start map.
        s.control("reporting on")
        s.control("reboot 300 reset")
        banner = "".join(s.read() for _ in range(6))
        self.assertIn("SYSTEM STATUS: STARTING", banner)
        s.send("@ X?01\r")
        s.control("set A 2 2")
        time.sleep(0.5)   # past the silence: the lost query has no late answer
        s.send("@ X?01\r")
        self.assertEqual(s.read(), "S:01,1\r\n")


if __name__ == "__main__":
    if len(sys.argv) > 1:
        rig.SIM = sys.argv.pop(1)
    unittest.main(verbosity=2)
