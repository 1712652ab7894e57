// Health of the router link: the comms state of the polled level, the IW
// status texts to the status device and the overall state the host link
// consults.
#include <cstdio>
#include <cstring>

#include "leitch/comsup.h"
#include "leitch/host_port.h"
#include "leitch/leitch.h"
#include "panel/panel_show.h"
#include "store/store.h"

namespace {
// Sends the IW status text for a level when a status device and a slot are
// configured.
void SendStatusText(int level, const char* format)
{
    const DriverSettings& s = Settings();
    int slot = s.iStatusSlot[level];
    if (s.StatusInfoDriverId == 0 || slot == 0)
        return;
    char text[64];
    std::snprintf(text, sizeof text, format, s.StatusInfoDriverId, slot);
    ComSup_Host().SendStatusText((uint32_t)s.StatusInfoDriverId, text);
}
}  // namespace

int SetComState(int state) { return SetComStateOf(Link().iTallyRtr, state); }

int SetComStateOf(int level, int state)
{
    LinkState& link = Link();
    if (level < 0 || level >= LEVEL_COUNT)
        return link.iOverallState;
    // The Status indicator shows the level being polled only.
    const bool shown = (level == link.iTallyRtr);
    const char* format;
    if (state == COMSTATE_OK) {
        link.iComState[level] = COMSTATE_OK;
        if (shown) {
            Panel_ShowLevel(Settings().Simulation ? PANEL_LEVEL_SIM : PANEL_LEVEL_OK);
        }
        link.iUnAck = 0;
        format = "IW %d '1' %d";
    } else {
        link.iComState[level] = COMSTATE_FAIL;
        if (shown) {
            Panel_ShowLevel(PANEL_LEVEL_FAILED);
        }
        format = "IW %d '0' %d";
    }
    SendStatusText(level, format);
    return UpdateOverallState();
}

int UpdateOverallState()
{
    LinkState& link = Link();
    link.iOverallState = 1;
    // Levels the link cannot serve are never polled, so their state says
    // nothing about the router.
    for (int i = 0; i < LEVEL_COUNT; ++i)
        if (Store_Level(i)->iDevice != 0 && Leitch_LevelServed(i) &&
            link.iComState[i] == COMSTATE_FAIL) {
            link.iOverallState = 0;
            break;
        }
    Panel_ShowOverall(link.iOverallState ? PANEL_OVERALL_OK : PANEL_OVERALL_FAULT);
    return link.iOverallState;
}
