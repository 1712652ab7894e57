"""The host stopped (SIGSTOP) while VAL_DRN.EXE runs and a revertive is
due: the library call fails within its bound (its trace says so), the
driver keeps polling the router; the router then falls silent, and the
link failure the driver asserts to the stopped host is given up after its
bound instead of holding the driver. After SIGCONT and the router's return
the host and the driver work again, and the network hears the link's
failure and then its return, even though the driver told both while the
host could not listen."""
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
        mark = rig.client.mark()
        os.kill(rig.host.pid, signal.SIGSTOP)
        try:
            sim.set(A, 3, 7)
            wait_for(lambda: "HXIHOST did not answer" in rig.output(driver.proc), "a call to fail")
            start = len(sim.frames())
            wait_for(lambda: len(sim.frames()) > start + 5 * A.dests, "the driver to keep polling")
            sim.control("silent")
            wait_for(lambda: "HXIHOST did not take interface mode" in rig.output(driver.proc),
                     "the link failure's assertion to be given up")
            start = len(sim.frames())
            wait_for(lambda: len(sim.frames()) > start + A.dests, "the driver to poll on after it")
        finally:
            sim.control("resume")
            os.kill(rig.host.pid, signal.SIGCONT)

        def on_air():   # granted once the router's answers bring the level back
            rig.client.send("!GOTXRX 101")
            return rig.client.expect(r"GOTXRX 101 [01]").endswith(" 1")
        wait_for(on_air, "the driver to take Tx/Rx again")
        rig.client.send("RQ 101 3 3 42")
        rig.client.expect("TXREPLY 32810 RR 101 003 007")
        wait_for(lambda: "HXIHOST answers again" in rig.output(driver.proc), "the trace of it")
        assert rig.client.count("TXREVERTIVE 0 RR 101 003 007") <= 1   # never written twice

        def link_told():   # the status texts in the order the network got them
            said[:] = [l for _, l in rig.client.stamped(mark) if l.startswith("TXINFO 200 IW ")]
            return said and said[-1] == "TXINFO 200 IW 200 '1' 101"
        said = []
        try:
            wait_for(link_told, "the network to hear the link is back")
        except AssertionError as e:
            raise AssertionError("%s; it heard %r" % (e, said)) from None
        assert "TXINFO 200 IW 200 '0' 101" in said, said


if __name__ == "__main__":
    main()
