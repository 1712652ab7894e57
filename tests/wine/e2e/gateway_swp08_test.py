"""The npm SW-P-08 client through the gateway, the real driver, host and
router simulator: it asks for the names by itself, interrogates, routes
(the connected message follows the router's revertive), sees a change
made at the router, sends 100 connects without waiting (all reach the
router in order) and reads the tally dump."""
import os
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gateway_rig import (A, GATEWAY, Swp08Client, client_installed, start_gateway,  # noqa: E402
                         start_site)
from rig import RigTest, SIM, main, wait_for  # noqa: E402


def take_frames(sim):
    return [f for f in sim.frames() if f.startswith(b"@ X:")]


def crosspoint(dest, src):
    """The client's crosspoint event for matrix 1, level 1 (it numbers
    them from 1) and 0-based destination and source."""
    return lambda l: l.get("event") == "crosspoint" and l["data"] == {"1": {"1": {str(dest): src}}}


class GatewaySwp08(RigTest):
    NEEDS = ("HXIHOST.EXE", GATEWAY, SIM)

    def test_npm_client(self):
        if not client_installed():
            raise unittest.SkipTest("the npm client is not installed (scripts/setup.sh)")
        rig = self.rig
        sim, driver = start_site(rig)
        gateway = start_gateway(rig)
        gateway.present()
        c = Swp08Client(rig, gateway.swp08)

        # Names: the host's, padded to the client's 8 characters and trimmed by it.
        names = lambda: (lambda r: len(r["sources"]) == A.sources + 1 and
                         len(r["destinations"]) == A.dests and r)(c.do("names"))
        got = wait_for(names, "every name at the client")
        self.assertEqual((got["sources"]["1"], got["sources"]["16"], got["sources"]["17"]),
                         ("CAMERA 1", "VTR 16", "- -"))
        self.assertEqual((got["destinations"]["1"], got["destinations"]["2"]), ("MON 1", "DST 002"))

        # Interrogate destination 3 (0-based, as this call sends it).
        self.assertEqual(c.do("interrogate 3 0 0")["result"],
                         {"1": {"1": {"3": sim.get(A, 4) - 1}}})

        # Route source 5 to destination 3 (this call counts from 1).
        sim.control("clear")
        c.do("route 1 5 3")
        c.expect(crosspoint(2, 4), "the connected message for destination 3")
        self.assertEqual(sim.get(A, 3), 5)
        self.assertEqual(take_frames(sim), [b"@ X:0/2,4"])

        # A change at the router.
        sim.set(A, 7, 9)
        c.expect(crosspoint(6, 8), "the change made at the router")

        # 100 connects sent without waiting reach the router in order.
        sim.control("clear")
        c.do("burst 100 %d %d" % (A.sources, A.dests))
        wait_for(lambda: len(take_frames(sim)) >= 100, "100 take frames at the router")
        self.assertEqual(take_frames(sim), [b"@ X:0/%X,%X" % (i % A.dests, (i * 7) % A.sources)
                                            for i in range(100)])


if __name__ == "__main__":
    main()
