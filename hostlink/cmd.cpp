// Router commands. The revertives are built; parsing and the four handlers
// are still placeholders.
#include "hostlink/cmd.h"

#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "panel/dialog.h"
#include "panel/panel_ids.h"
#include "store/store.h"

namespace {
int32_t gTxCount = 0;   // lTxCount: revertive messages sent since start
}

void Cmd_Reset() { gTxCount = 0; }
void Cmd_Dispatch(const char*) {}
int Cmd_Tokenize(const char*, int) { return 0; }
int Cmd_Arg(int) { return 0; }
const char* Cmd_ArgText(int) { return ""; }
void Cmd_Connect(const char*) {}
void Cmd_Lock(const char*) {}
void Cmd_Poll(const char*) {}
void Cmd_Query(const char*) {}

void Cmd_SendRevertives(int device, int first, int last, int kind, int requester)
{
    if (HostLink().iTxRxMode != TXRX_TXRX)
        return;
    unsigned msg = (kind == 1) ? ZUV_TXREVERTIVE : ZUV_TXREPLY;
    for (int d = first; d <= last; ++d) {
        char text[64];
        std::snprintf(text, sizeof text, "RR %03d %03d %03d", device, d, Store_GetTally(device, d));
        uint32_t param = (uint32_t)requester;
        if (msg == ZUV_TXREPLY && d == last)
            param += ZUV_REPLY_END_MARK;
        Plat_HostTx(HostLink().hHxiWnd, (uint16_t)msg, param, text, 1,
                    (uint32_t)std::strlen(text) + 1);
        gTxCount++;
    }
    char count[16];
    std::snprintf(count, sizeof count, "%08ld", (long)gTxCount);
    Main_SetPanelText(IDC_TX_COUNT, count);
    if (Panel().iSelDest >= first && Panel().iSelDest <= last)
        Dialog_ShowDest();
}

int32_t Cmd_TxCount() { return gTxCount; }
