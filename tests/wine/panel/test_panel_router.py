"""The operator panel of the real driver beside HXIHOST.EXE and the router
simulator on COM12, read and driven from outside through its windows:
start-up with a silent router, a healthy link, a take by a client, Take and
Lock clicked on the panel and chosen from the menu, the menu items that
focus the lists, and the About box."""
import os
import re
import sys

sys.dont_write_bytecode = True   # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "scripts"))
from rig import SIM, RigTest, main, wait_for  # noqa: E402

SOURCES, DESTS = 16, 12
TAKE_2_FROM_7 = "@ X:0/1,6\r"   # level A, destination 2, source 7 (numbers - 1)
TAKE_2_FROM_9 = "@ X:0/1,8\r"
TAKE_5_FROM_1 = "@ X:0/4,0\r"


def configure(rig):
    # A quick poll; the limits leave a loaded machine four ticks to answer
    # before a level counts as failed.
    rig.configure([(101, SOURCES, DESTS), (0, 0, 0), (103, 4, 8)], DebugMode=1,
                  TallyDelay=150, CommErrorLimit=9, MaxUnAcks=9, Access="42")
    with open(os.path.join(rig.dir, "names.txt"), "w") as f:
        f.writelines("101 S %d CAM %d\n" % (k, k) for k in range(1, SOURCES + 1))
        f.writelines("101 D %d MON %d\n" % (k, k) for k in range(1, DESTS + 1))


def ready(x):
    return x.windows["panel"]["vis"] == "1" and x.count(1002) == SOURCES


def check_start_up(x):
    """A silent router: every level failed, the first cycle over."""
    assert x.windows["main"]["vis"] == "1" and x.windows["main"]["iconic"] == "0", x.windows
    # The main window shows the whole panel inside its client area.
    cw, ch = (int(v) for v in x.windows["main"]["client"].split(","))
    px, py = (int(v) for v in x.windows["panel"]["pos"].split(","))
    pw, ph = (int(v) for v in x.windows["panel"]["client"].split(","))
    assert px + pw <= cw and py + ph <= ch, x.windows
    assert (x.text(1101), x.text(1102)) == ("00000000", "00000000")
    assert (x.field(1007), x.field(1801)) == (("/__2B0_", "Tx/Rx"), ("/__9B__", "  Fail  "))
    assert x.text(1501) == "Level 'A' 101"
    rows = [[x.text(base + i) for base in (5001, 5101, 5201)] for i in range(26)]
    assert rows == [["101", "016", "012"], ["- - -"] * 3, ["103", "004", "008"]] + \
        [["- - -"] * 3] * 23, rows
    assert not x.enabled(5001 + 1) and not x.enabled(5201 + 1)
    labels = {l.split("text=")[-1] for l in x.lines if l.startswith("ctl\t-1\tStatic")}
    assert {str(i) for i in range(26)} <= labels, labels
    assert x.items(1001) == ["- -"] + ["CAM %d" % k for k in range(1, SOURCES + 1)]
    assert x.items(1002) == (["MON %d" % k for k in range(1, DESTS + 1)]
                             + ["DST %03d" % k for k in range(DESTS + 1, SOURCES + 1)])
    assert (x.sel(1002), x.sel(1001)) == (0, -1)   # destination 1, tally unknown
    assert (x.field(1004), x.enabled(1003)) == (("/2B____", "Unlocked"), True)
    assert x.titles["main"].endswith(" - Tx/Rx"), x.titles


def about_filled(about):
    """The About box once its dialog procedure has written the build line."""
    return about if about and about.controls.get(1999, {}).get("text") else None


def run(rig):
    configure(rig)
    # The router lacks destination 12 of level A: its tally stays unknown.
    router = rig.start_sim(["--size", "%d:%d" % (SOURCES, DESTS - 1), "--level", "2=4:8",
                            "--silent"])
    rig.start_host("/names", "names.txt")
    c = rig.client
    rig.start_driver(traced=False)
    p = rig.probe
    frames = lambda: re.findall(r"@ X:[0-9A-F]+/[0-9A-F]+,[0-9A-F]+\r", router.rx().decode())

    # Start-up against a router that does not answer.
    p.until(lambda x: ready(x) and x.text(1802) == "Fault", "the panel after start-up")
    x = p.read(full=True)
    check_start_up(x)
    # Moved inside the main window, the panel goes straight back.
    p.do("move", 30, 40)
    p.until(lambda x: x.windows["panel"]["pos"] == "0,0", "the panel back at the origin")

    # The router answers: every level OK, the poll position moves on.
    router.control("resume")
    x = p.until(lambda x: x.text(1801).strip() == "Ok" and x.text(1802) == "OK"
                and x.sel(1001) == 1, "the link to be good")
    assert (x.state(1801), x.state(1802)) == ("/__2B__", "/__2B__")

    # A client's take: counted, routed, and shown for the destination.
    tx_before = int(x.text(1101))
    c.send("RC 101 5 3 ',---' 42")
    c.expect("TXREVERTIVE 0 RR 101 003 005")
    p.do("select", 1002, 2)
    x = p.until(lambda x: x.sel(1001) == 5 and int(x.text(1101)) > tx_before,
                "destination 3 to show source 5")
    assert x.text(1102) == "00000001"
    # A destination whose source is unknown highlights none; the Source Box
    # item then focuses the source list on its first entry, Dest Box the
    # destination list.
    p.do("menu", 906, "select", 1002, DESTS - 1)
    assert p.read().sel(1001) == -1
    p.do("menu", 906)
    x = p.read()
    assert (x.focus, x.sel(1001)) == (1001, 0), (x.focus, x.sel(1001))
    p.do("menu", 905)
    assert p.read().focus == 1002

    # Take clicked on the panel routes the selected source.
    router.control("clear")
    p.do("select", 1001, 7, "select", 1002, 1, "click", 1003)
    c.expect("TXREVERTIVE 0 RR 101 002 007")
    assert frames() == [TAKE_2_FROM_7]
    p.until(lambda x: x.sel(1001) == 7, "destination 2 to show source 7")

    # Lock: the caption and state follow, Take is greyed and refused by the
    # button and the menu; the lock itself sends nothing to the router.
    router.control("clear")
    p.do("click", 1004)
    x = p.until(lambda x: x.text(1004) == "Locked", "the lock to show")
    assert (x.state(1004), x.enabled(1003)) == ("/1B____", False)
    p.do("click", 1003, "menu", 907)
    c.send("RC 101 1 5 ',---' 42")   # a take elsewhere marks the end
    wait_for(lambda: frames(), "the marker take")
    assert frames() == [TAKE_5_FROM_1]
    # The menu's Lock unlocks, and its Take routes.
    p.do("menu", 902)
    assert p.read().field(1004) == ("/2B____", "Unlocked")
    p.do("select", 1001, 9, "menu", 907)
    wait_for(lambda: TAKE_2_FROM_9 in frames(), "the menu's take at the router")

    # The About box: version and build lines, closed by Ok.
    p.do("postmenu", 904)
    about = wait_for(lambda: about_filled(p.about()), "the About box and its lines")
    assert about.titles["about"] == "About"
    assert about.text(1998) == "Version 3.02.06"
    assert re.fullmatch(r"[A-Z][a-z]{2} [ \d]\d \d{4} - \d\d:\d\d:\d\d", about.text(1999)), \
        about.text(1999)
    assert "Leitch Controller Driver" in [l.split("text=")[-1] for l in about.lines]
    p.do("about-ok")
    wait_for(lambda: p.about() is None, "the About box to close")


class RouterTest(RigTest):
    NEEDS = ("HXIHOST.EXE", "PROBE.EXE", SIM)

    def test_router(self):
        run(self.rig)


if __name__ == "__main__":
    main()
