"""A Videohub client through the gateway, the real driver, host and
router simulator: the dump matches the router and the host's names,
PING, a route shown only once the router reports it, 100 routes in one
block reaching the router in order, a lock honoured by the driver and
shown per client, a change made at the router, and a reconnect."""
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gateway_rig import A, GATEWAY, connect_videohub, routing, start_gateway, start_site  # noqa: E402
from e2e_checks import query  # noqa: E402
from rig import RigTest, SIM, main, wait_for  # noqa: E402


def take_frames(sim):
    return [f for f in sim.frames() if f.startswith(b"@ X:")]


def frame(level, source, dest):
    return b"@ X:%X/%X,%X" % (level.index, dest - 1, source - 1)


class GatewayVideohub(RigTest):
    NEEDS = ("HXIHOST.EXE", GATEWAY, SIM)

    def test_videohub_client(self):
        rig = self.rig
        sim, driver = start_site(rig)
        gateway = start_gateway(rig)
        gateway.present()
        c = connect_videohub(rig, gateway)
        dump = c.dump()
        self.assertIn("Video inputs: 17", dump["VIDEOHUB DEVICE"])
        self.assertEqual(dump["INPUT LABELS"][0], "0 CAMERA 1")
        self.assertEqual(dump["INPUT LABELS"][15:], ["15 VTR 16", "16 - -"])   # the park entry last
        self.assertEqual(dump["OUTPUT LABELS"][:2], ["0 MON 1", "1 DST 002"])
        self.assertEqual(dump["VIDEO OUTPUT LOCKS"], ["%d U" % d for d in range(A.dests)])
        self.assertEqual(dump["VIDEO OUTPUT ROUTING"], routing(sim, A))
        self.assertEqual(c.ping(), "ACK")

        # One route: ACK at once, the update only once the router reports it.
        sim.control("clear")
        self.assertEqual(c.request("VIDEO OUTPUT ROUTING", "10 11"), "ACK")
        c.routed("10 11")
        self.assertEqual(sim.get(A, 11), 12)

        # 100 routes in one block reach the router in order.
        sim.control("clear")
        routes = [(i % A.dests, (i * 7) % A.sources) for i in range(100)]
        self.assertEqual(c.request("VIDEO OUTPUT ROUTING", *["%d %d" % r for r in routes]), "ACK")
        wait_for(lambda: len(take_frames(sim)) >= 100, "100 take frames at the router")
        self.assertEqual(take_frames(sim), [frame(A, s + 1, o + 1) for o, s in routes])

        # A lock: shown O to its owner, L to another client, honoured by the driver.
        other = connect_videohub(rig, gateway)
        other.dump()
        self.assertEqual(c.request("VIDEO OUTPUT LOCKS", "3 O"), "ACK")
        self.assertEqual(c.block("VIDEO OUTPUT LOCKS"), ["3 O"])
        self.assertEqual(other.block("VIDEO OUTPUT LOCKS"), ["3 L"])
        sim.control("clear")
        other.request("VIDEO OUTPUT ROUTING", "3 0", "4 1")
        wait_for(lambda: take_frames(sim), "the route beside the locked output")
        self.assertEqual(take_frames(sim), [frame(A, 2, 5)])

        # A change at the router reaches both clients.
        c.forget()
        other.forget()
        sim.set(A, 8, 2)
        c.routed("7 1")
        other.routed("7 1")

        # Reconnect: the dump holds the router's state and the lock of a
        # client that has gone.
        wait_for(lambda: query(rig.client, A) == sim.crosspoints(A), "the driver to hold the router's state")
        c.close()
        again = connect_videohub(rig, gateway)
        dump = again.dump()
        self.assertEqual(dump["VIDEO OUTPUT ROUTING"], routing(sim, A))
        self.assertEqual(dump["VIDEO OUTPUT LOCKS"][3], "3 L")


if __name__ == "__main__":
    main()
