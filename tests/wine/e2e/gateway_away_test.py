"""A Videohub client routes through the gateway, the real driver, host and
router simulator (ACK at once, the update once the router reports it);
then the driver killed and the host stopped under the running gateway: the
client is told "Device present: false" and an SW-P-08 client's
connection is closed (new ones too) until the gateway, by itself, has the
level back; then the Videohub client gets the whole dump again and
SW-P-08 connections are served."""
import os
import socket
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gateway_rig import (A, GATEWAY, connect_videohub, kill_driver, routing,  # noqa: E402
                         start_driver, start_gateway, start_site)
from rig import DEADLINE, RigTest, SIM, main  # noqa: E402

INTERROGATE_0 = bytes([0x10, 0x02, 0x01, 0x00, 0x00, 0x00, 0x04, 0xFB, 0x10, 0x03])


def swp08(gateway):
    s = socket.create_connection(("127.0.0.1", gateway.swp08), timeout=DEADLINE)
    return s


def closed(s):
    """True once the gateway has closed the connection."""
    try:
        while s.recv(4096):
            pass
        return True
    except socket.timeout:
        return False


def served(s, sim):
    """An interrogate of destination 1 is acknowledged and answered."""
    s.sendall(INTERROGATE_0)
    want = bytes([0x10, 0x06, 0x10, 0x02, 0x03, 0x00, 0x00, 0x00, sim.get(A, 1) - 1])
    got = b""
    while len(got) < len(want):
        got += s.recv(4096)
    return got.startswith(want)


class GatewayAway(RigTest):
    NEEDS = ("HXIHOST.EXE", GATEWAY, SIM)

    def back(self, vh, sim):
        self.assertEqual(vh.block("VIDEOHUB DEVICE")[0], "Device present: true")
        # The dump, then updates as the new driver's first cycle reads the
        # router (a tally it has not read yet has no line).
        shown, want = {}, dict(l.split() for l in routing(sim, A))
        while shown != want:
            shown.update(l.split() for l in vh.block("VIDEO OUTPUT ROUTING"))
        self.assertTrue(served(swp08(self.gateway), sim))

    def gone(self, vh, sw):
        self.assertEqual(vh.block("VIDEOHUB DEVICE"), ["Device present: false"])
        self.assertTrue(closed(sw))
        self.assertTrue(closed(swp08(self.gateway)))   # closed at once while away

    def test_driver_and_host_go_away(self):
        rig = self.rig
        sim, driver = start_site(rig)
        self.gateway = start_gateway(rig)
        self.gateway.present()
        vh = connect_videohub(rig, self.gateway)
        self.assertEqual(vh.dump()["VIDEO OUTPUT ROUTING"], routing(sim, A))
        self.assertEqual(vh.request("VIDEO OUTPUT ROUTING", "10 11"), "ACK")
        vh.routed("10 11")
        self.assertEqual(sim.get(A, 11), 12)
        sw = swp08(self.gateway)
        self.assertTrue(served(sw, sim))

        kill_driver(rig, driver)
        self.gone(vh, sw)
        sim.set(A, 2, 5)   # changed while away: the dump on return holds it
        driver = start_driver(rig, name="driver2")
        self.back(vh, sim)

        sw = swp08(self.gateway)
        port = rig.host.port
        rig.stop_host()
        self.gone(vh, sw)
        kill_driver(rig, driver)   # a driver registers with the host it started with
        rig.start_host("/port", port, "/names", os.path.join(rig.dir, "names.txt"))
        start_driver(rig, name="driver3")
        self.back(vh, sim)


if __name__ == "__main__":
    main()
