"""The router simulator on its own, over its pty: the answers to the driver's
frames in each dialect. Silence, the control channel and the crosspoint map
are used and read back by the demo, the end-to-end drills and the panel test."""
import os
import select
import sys
import tempfile
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
        s.send(POLL_A32 + "@ X:0/1F,0\r@ X?01F\r@ X:0/4,FFFFFFFF\r@ X?04\r")
        self.assertEqual(s.read() + s.read() + s.read(), "S:01F,2A\r\nS:01F,0\r\nS:04,X\r\n")
        # Levels above J go out as one hexadecimal digit. Nothing comes back
        # for a destination the router lacks or a bad command, and a source
        # beyond the level is refused.
        s.control("set K 1 5")
        s.send("@ X?A0\r@ X?12\r@ X?G0\rHELLO\r@ X:1/0,9\r@ X?F3F\r")
        self.assertEqual(s.read() + s.read(), "S:A0,4\r\nS:F3F,3F\r\n")
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


if __name__ == "__main__":
    if len(sys.argv) > 1:
        rig.SIM = sys.argv.pop(1)
    unittest.main(verbosity=2)
