"""The host stopped (SIGSTOP) while VAL_DRN.EXE runs and a revertive is
due: the library call fails within its bound (its trace says so), the
driver keeps polling the router, and after SIGCONT the host and the driver
work again."""
import os
import signal
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from e2e_checks import configure  # noqa: E402
from rig import SIM, Level, RigTest, main, wait_for  # noqa: E402

A = Level(0, 101, 16, 12)


class HostStoppedTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "TRACECAP.EXE", SIM)

    def test_host_stopped(self):
        rig = self.rig
        configure(rig, [A], Access="42")
        sim = rig.sim_levels([A])
        rig.start_host()
        driver = rig.start_driver("driver")
        rig.client.expect("REGDEV 101 0")
        driver.wait_trace("Dest Valid (Rtr 0, Dest %d)" % A.dests)
        os.kill(rig.host.pid, signal.SIGSTOP)
        try:
            sim.set(A, 3, 7)
            wait_for(lambda: "HXIHOST did not answer" in rig.output(driver.proc), "a call to fail")
            start = len(sim.frames())
            wait_for(lambda: len(sim.frames()) > start + 5 * A.dests, "the driver to keep polling")
        finally:
            os.kill(rig.host.pid, signal.SIGCONT)
        rig.client.send("RQ 101 3 3 42")
        rig.client.expect("TXREPLY 32810 RR 101 003 007")
        wait_for(lambda: "HXIHOST answers again" in rig.output(driver.proc), "the trace of it")
        assert rig.client.count("TXREVERTIVE 0 RR 101 003 007") <= 1   # never written twice


if __name__ == "__main__":
    main()
