"""The panel of a driver in simulation with DebugMode 0: the main window
opens minimised, the panel still works inside it, Take right after start
routes the park entry, and the level items of the menu up to Z select their
levels with lists filled from the host's names."""
import os
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from rig import RigTest, main, wait_for  # noqa: E402

LEVELS = [(0, 0, 0)] * 24 + [(124, 3, 2), (125, 2, 4)]   # levels Y and Z only


def lists(x):
    return x.items(1001), x.items(1002), x.sel(1002)


def run(rig):
    rig.configure(LEVELS, Simulation=1, DebugMode=0)
    rig.start_host()
    c = rig.client
    driver = rig.start_driver(traced=False)
    p = rig.probe

    p.until(lambda x: x.windows["panel"]["vis"] == "1" and x.count(1002) == 3,
            "the panel after start-up")
    x = p.read(full=True)
    assert x.windows["main"]["iconic"] == "1", x.windows["main"]
    assert x.text(1501) == "Level 'Y' 124"
    assert lists(x) == (["- -", "SRC 001", "SRC 002", "SRC 003"],
                        ["DST 001", "DST 002", "DST 003"], 0)
    assert (x.text(1802), x.state(1802)) == ("OK", "/__2B__")
    assert (x.text(1801).strip(), x.state(1801)) == ("Fail", "/__9B__")
    assert [x.text(5001 + i) for i in (23, 24, 25)] == ["- - -", "124", "125"]

    # No source clicked yet: Take routes the park entry to destination 1.
    p.do("click", 1003)
    c.expect("TXREVERTIVE 0 RR 124 001 000")

    p.do("menu", 935)   # "&Z 25"
    x = p.read(full=True)
    assert x.text(1501) == "Level 'Z' 125"
    assert lists(x) == (["- -"] + ["SRC %03d" % k for k in range(1, 5)],
                        ["DST %03d" % k for k in range(1, 5)], 0)
    p.do("menu", 934)   # "&Y 24"
    assert p.read().text(1501) == "Level 'Y' 124"

    p.do("postmenu", 901)
    assert driver.wait_end() == 0


class MinimisedTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "PROBE.EXE")

    def test_minimised(self):
        run(self.rig)


if __name__ == "__main__":
    main()
