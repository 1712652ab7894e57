// A port whose handle has failed (an adapter unplugged, the far end of the
// line gone) is closed and opened again with the same settings every couple
// of seconds, driven by the poll ticks. The levels fail meanwhile through the
// unanswered polls, and recover through the router's answers once it is back.
// Nobody may be at the machine: no message box, one trace line per loss and
// one per recovery.
#include "comms/comms.h"
#include "leitch/comsup.h"
#include "leitch/leitch.h"
#include "trace/trace.h"
#include "ui/ui.h"

namespace {
const int kReopenPeriodMs = 2000;
const int kShortestTickMs = 10;   // the system never ticks a timer faster

// Poll ticks between attempts: the period rounded up to whole ticks of the
// timer as it really runs.
int ReopenPeriodTicks()
{
    int tick = ComSup_PollPeriodMs();
    if (tick < kShortestTickMs)
        tick = kShortestTickMs;
    int ticks = (kReopenPeriodMs + tick - 1) / tick;
    return ticks < 1 ? 1 : ticks;
}
}  // namespace

void ComSup_PortLost()
{
    LinkState& link = Link();
    if (!link.bPortOpen || Ui_ShuttingDown())
        return;
    Debug_Tracef("Port %d lost: closed, opening it again every %d ms", Settings().Com,
                 kReopenPeriodMs);
    Comms_ClosePort(link.iPortIndex);
    link.bPortOpen = 0;
    link.bPortLost = 1;
    link.iReopenTicks = ReopenPeriodTicks();
    link.iReopenAttempts = 0;
}

void ComSup_ReopenTick()
{
    LinkState& link = Link();
    if (!link.bPortLost || Ui_ShuttingDown() || --link.iReopenTicks > 0)
        return;
    link.iReopenAttempts++;
    int index = ComSup_OpenQuietly(Settings().Com);
    if (index < 0) {
        link.iReopenTicks = ReopenPeriodTicks();
        return;
    }
    Debug_Tracef("Port %d open again after %d attempts", Settings().Com, link.iReopenAttempts);
    link.iPortIndex = index;
    link.bPortOpen = 1;
    link.bPortLost = 0;
    Leitch_ResetLine();   // a line cut by the loss is never decoded
}
