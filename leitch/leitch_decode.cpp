// Decoding a received line into the crosspoint store: a changed source is
// stored and announced as a revertive; any valid status line is a sign of a
// working link.
#include "leitch/comsup.h"
#include "leitch/host_port.h"
#include "leitch/leitch.h"
#include "panel/panel_show.h"
#include "store/store.h"
#include "trace/trace.h"

namespace {

// The store finds a level by its device number. A level whose number is 0
// or also carried by a lower level would have another level's tallies
// written, so its lines are dropped.
int DeviceOfLevel(int level)
{
    int device = Store_Level(level)->iDevice;
    if (device == 0 || Store_FindLevel(device) != level)
        return 0;
    return device;
}

// A valid status line is the level's own sign of life. The answer to a
// level's last query arrives after the cycle has moved on, so the level that
// answered is the one set OK, not the level now being polled: otherwise a
// level with a single destination could never leave FAIL.
void ShowLinkAlive(int level)
{
    if (Link().iComState[level] == COMSTATE_FAIL) {
        Debug_Trace("Leitch_Decode: SetComState(OK)");
        SetComStateOf(level, COMSTATE_OK);
        return;
    }
    Panel_ShowLevel(PANEL_LEVEL_ANSWERED);
}

}  // namespace

void Leitch_Decode()
{
    const char* line = (const char*)Leitch_RxLine();
    LeitchStatus st;
    int kind = Leitch_ParseStatus(line, &st);
    if (kind == LEITCH_NOT_STATUS)
        return;
    Debug_Trace(line);
    if (kind == LEITCH_UNREADABLE) {
        Debug_Trace("Leitch_Decode: unreadable status line ignored");
        return;
    }
    Debug_Tracef("Result -> %x/%x,%x", (unsigned)st.level, (unsigned)st.dest, (unsigned)st.source);
    int device = DeviceOfLevel(st.level);
    if (device == 0 || !Store_ValidDest(st.level, st.dest))
        return;
    Debug_Tracef("Dest Valid (Rtr %d, Dest %d)", st.level, st.dest);
    ShowLinkAlive(st.level);
    Link().iUnAck = 0;

    // The router's "no source" is the park entry, which a take of source 0
    // writes as -1: stored as 0, so the tally follows a parked destination
    // instead of keeping the source it had before.
    int source = st.source == -1 ? 0 : st.source;
    if (!Store_ValidSource(st.level, source))
        source = -1;
    // A source beyond the level keeps its tally (the store refuses -1) but
    // is still reported, so the network hears the router's answer.
    if (Store_GetTally(device, st.dest) == source)
        return;
    Store_SetTally(device, st.dest, source);
    ComSup_Host().SendRevertive(device, st.dest);
}
