// The router link: sending frames, the comms state per level and the
// overall state. (Opening the port, the receive drain and the poll tick are
// still placeholders.)
#include "leitch/comsup.h"

#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "app/trace.h"
#include "comms/comms.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "panel/panel_ids.h"
#include "panel/status_codes.h"
#include "store/store.h"

namespace {
LinkState gLink;

// Sends the IW status text for the polled level when a status device and a
// slot are configured.
void SendStatusText(const char* format)
{
    const DriverSettings& s = Settings();
    int slot = s.iStatusSlot[gLink.iTallyRtr];
    if (s.StatusInfoDriverId == 0 || slot == 0)
        return;
    char text[64];
    std::snprintf(text, sizeof text, format, s.StatusInfoDriverId, slot);
    Plat_HostTx(HostLink().hHxiWnd, ZUV_TXINFO, (uint32_t)s.StatusInfoDriverId, text, 1,
                (uint32_t)std::strlen(text) + 1);
}

bool PolledLevelFailed()
{
    return gLink.iComState[gLink.iTallyRtr] == COMSTATE_FAIL;
}
}  // namespace

LinkState& Link() { return gLink; }
void ComSup_Reset() { std::memset(&gLink, 0, sizeof gLink); }
int ComSup_Init() { return 0; }
int ComSup_OpenPort(int) { return 0; }
void ComSup_ClosePort() {}

void ComSup_SendData(const char* text, int length)
{
    Debug_Trace(text);
    if (length < 0)
        length = 0;
    if (length > 65535)
        length = 65535;
    if (Comms_Write(gLink.iPortIndex, text, (uint16_t)length) <= 0) {
        CommsStat stat;
        int mask = Comms_GetError(gLink.iPortIndex, &stat);
        Debug_Tracef("Tx Error '0x%04x' on Port %d", mask, Settings().Com);
    }
    gLink.iUnAck++;
    if (gLink.iUnAck < Settings().CommErrorLimit || PolledLevelFailed())
        return;
    Debug_Tracef("ComSup_SendData: UnAck msgs >= ErrorLimit (%d). SetComState(FAIL)",
                 Settings().CommErrorLimit);
    SetComState(COMSTATE_FAIL);
    Hxi_AssertMode(HXI_ASSERT_RXONLY, 0);
    SetComState(COMSTATE_FAIL);
}

void ComSup_ReadData() {}
void Dialog_Tally() {}

int SetComState(int state)
{
    const char* format;
    if (state == COMSTATE_OK) {
        gLink.iComState[gLink.iTallyRtr] = COMSTATE_OK;
        Main_SetPanelText(IDC_STATUS_IND, SB_CODE_GOOD);
        Main_SetPanelText(IDC_STATUS_IND, Settings().Simulation ? "Sim" : "  Ok  ");
        gLink.iUnAck = 0;
        format = "IW %d '1' %d";
    } else {
        gLink.iComState[gLink.iTallyRtr] = COMSTATE_FAIL;
        Main_SetPanelText(IDC_STATUS_IND, SB_CODE_FAILED);
        Main_SetPanelText(IDC_STATUS_IND, "  Fail  ");
        format = "IW %d '0' %d";
    }
    SendStatusText(format);
    return UpdateOverallState();
}

int UpdateOverallState()
{
    gLink.iOverallState = 1;
    for (int i = 0; i < LEVEL_COUNT; ++i)
        if (Store_Level(i)->iDevice != 0 && gLink.iComState[i] == COMSTATE_FAIL) {
            gLink.iOverallState = 0;
            break;
        }
    if (gLink.iOverallState) {
        Main_SetPanelText(IDC_DRIVER_IND, "OK");
        Main_SetPanelText(IDC_DRIVER_IND, SB_CODE_GOOD);
    } else {
        Main_SetPanelText(IDC_DRIVER_IND, "Fault");
        Main_SetPanelText(IDC_DRIVER_IND, SB_CODE_ATTENTION);
    }
    return gLink.iOverallState;
}

void ComSup_PollStart() { gLink.iOverallState = 1; gLink.iTallyPtr = 1; }
