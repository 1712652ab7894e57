// The poll cycle: one destination per tick, level after level, for ever, with
// the silence check that fails a level whose router has stopped answering.

#include "leitch/comsup.h"
#include "leitch/host_port.h"
#include "leitch/leitch.h"
#include "panel/panel_show.h"
#include "store/store.h"
#include "trace/trace.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"

namespace {
// A tick on its own adds at most this much to the unanswered count; the
// frames it sends add the rest.
const int kTickUnAckCap = 3;
const int kDefaultTallyDelay = 1000;

// A level the cycle visits: configured and addressable over the link.
bool LevelPolled(int level)
{
    return Store_Level(level)->iDevice != 0 && Leitch_LevelServed(level);
}

bool AnyLevelPolled()
{
    for (int i = 0; i < LEVEL_COUNT; ++i)
        if (LevelPolled(i))
            return true;
    return false;
}

void ShowPollPosition()
{
    LinkState& link = Link();
    if (!Panel_ShowPollPosition(Store_Level(link.iTallyRtr)->iDevice, link.iTallyPtr))
        return;
    if (link.bDriverOkShown)
        return;
    Panel_ShowOverall(PANEL_OVERALL_OK);
    link.bDriverOkShown = 1;
}

// More frames unanswered than the limit allows, and more than the level's
// poll so far can explain: the router has gone quiet on this level.
void CheckSilence()
{
    LinkState& link = Link();
    if (link.iUnAck < Settings().MaxUnAcks || link.iTallyPtr < link.iUnAck)
        return;
    if (link.iComState[link.iTallyRtr] != COMSTATE_FAIL) {
        int device = Store_Level(link.iTallyRtr)->iDevice;
        Debug_Tracef("iUnAck = %d, iTallyPtr = %d ,iTallyRtr = %d ,RTR = %d", link.iUnAck,
                     link.iTallyPtr, link.iTallyRtr, device);
        ComSup_Host().ReportLinkFailure(device);
        Debug_Trace("Dialog_Tally: SetComState(FAIL)");
        SetComState(COMSTATE_FAIL);
    }
    Panel_ShowLevel(PANEL_LEVEL_SILENT);
}

// Moves to destination 1 of the next level the cycle visits. The first wrap
// back past the last level ends the first cycle, which settles the overall
// state. Bounded to one round, in case no level is visited at all.
void MoveToNextLevel()
{
    LinkState& link = Link();
    const int from = link.iTallyRtr;
    const int unAck = link.iUnAck;
    link.iTallyPtr = 1;
    link.iUnAck = 0;
    for (int step = 0; step < LEVEL_COUNT; ++step) {
        if (++link.iTallyRtr >= LEVEL_COUNT) {
            link.iTallyRtr = 0;
            if (link.bFirstCycle) {
                link.bFirstCycle = 0;
                UpdateOverallState();
            }
        }
        if (LevelPolled(link.iTallyRtr))
            break;
    }
    // Back on the same level (the only one polled): the count of unanswered
    // frames goes on, or a silent router would never be noticed when that
    // level has a single destination.
    if (link.iTallyRtr == from)
        link.iUnAck = unAck;
}
}  // namespace

void Dialog_Tally()
{
    LinkState& link = Link();
    if (!AnyLevelPolled())
        return;   // every configured level is beyond what the link can address
    ShowPollPosition();
    ComSup_ReopenTick();
    CheckSilence();
    // The host may have closed the driver while the silence was reported.
    if (Ui_ShuttingDown())
        return;
    if (link.iUnAck < kTickUnAckCap)
        link.iUnAck++;
    Leitch_Poll(link.iTallyRtr, link.iTallyPtr);
    if (++link.iTallyPtr <= Store_Level(link.iTallyRtr)->iDests)
        return;
    MoveToNextLevel();
}

namespace {
// Milliseconds from the last poll's slot to now; negative when a poll ran
// ahead of its slot.
int32_t SinceLastPoll(uint32_t now) { return (int32_t)(now - Link().tLastPoll); }

// Polls and books the slot: the next slot is a period after this one, so
// polls that run a little late do not slow the rate down; one more than a
// period late starts the slots afresh.
void PollAt(uint32_t now)
{
    LinkState& link = Link();
    const int32_t period = ComSup_PollPeriodMs();
    if (link.bPolled && SinceLastPoll(now) < 2 * period)
        link.tLastPoll += (uint32_t)period;
    else
        link.tLastPoll = now;
    link.bPolled = 1;
    // An answer already received but not yet announced is read before the
    // silence is judged.
    ComSup_ReadData();
    Dialog_Tally();
}
}  // namespace

void ComSup_PollTimerTick()
{
    uint32_t now = Plat_TickCount();
    if (Link().bPolled && SinceLastPoll(now) < ComSup_PollPeriodMs() / 2)
        return;
    PollAt(now);
}

void ComSup_PollIfDue()
{
    uint32_t now = Plat_TickCount();
    if (!Link().bPolled || Settings().Simulation || SinceLastPoll(now) < ComSup_PollPeriodMs())
        return;
    PollAt(now);
}

int ComSup_PollPeriodMs()
{
    // A negative setting would read as a period of weeks: the router would
    // never be polled while the driver reports a good link.
    int delay = Settings().TallyDelay;
    return delay < 0 ? kDefaultTallyDelay : delay;
}

void ComSup_PollStart()
{
    LinkState& link = Link();
    for (int i = 0; i < LEVEL_COUNT; ++i)
        link.iComState[i] = COMSTATE_FAIL;
    Debug_Trace("Dialog_InitDialog: SetComState(FAIL)");
    SetComState(COMSTATE_FAIL);
    link.iTallyPtr = 1;
    if (Settings().Simulation) {
        Panel_ShowOverall(PANEL_OVERALL_OK);
        link.iOverallState = 1;
        return;
    }
    if (Settings().TallyDelay < 0)
        Debug_Tracef("TallyDelay %d is negative: polling every %d ms", Settings().TallyDelay,
                     kDefaultTallyDelay);
    Plat_SetTimer(Ui_Panel(), PANEL_TIMER_POLL, (unsigned)ComSup_PollPeriodMs());
    link.bFirstCycle = 1;
    link.iUnAck = 0;
    // Nothing the link can serve: nothing is polled, and the driver must not
    // read as healthy.
    if (!AnyLevelPolled()) {
        Debug_Trace("No configured level can be served over the Leitch link");
        Panel_ShowOverall(PANEL_OVERALL_FAULT);
        link.iOverallState = 0;
        return;
    }
    Panel_ShowOverall(PANEL_OVERALL_POLLING);
    link.iOverallState = 1;
}
