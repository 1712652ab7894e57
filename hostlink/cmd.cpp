// Router commands RC, RL, RP and RQ, and the RR revertives.
#include "hostlink/cmd.h"

#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "hostlink/router_port.h"
#include "panel/panel_show.h"
#include "store/store.h"
#include "trace/trace.h"
#include "ui/ui.h"

namespace {

int32_t gTxCount = 0;                           // lTxCount: revertive messages sent since start
int32_t gCmdArg[CMD_MAX_FIELDS];                // iCmdArg
char gCmdArgText[CMD_MAX_FIELDS][CMD_FIELD_TEXT];   // szCmdArg

const int kPollFields = 4;

// Counters are 32-bit and wrap after 2^31 messages rather than overflow.
void Bump(int32_t* counter) { *counter = (int32_t)((uint32_t)*counter + 1u); }

// One reading of an RC: routes source to dest on the level when both are in
// range and the destination is not locked.
void Route(int level, int device, int source, int dest)
{
    if (!Store_ValidSource(level, source) || !Store_ValidDest(level, dest))
        return;
    if (Store_GetLock(device, dest) != 0)
        return;
    if (Settings().Simulation) {
        Store_SetTally(device, dest, source);
        Cmd_SendRevertives(device, dest, dest, 1, 0);
        return;
    }
    // A level the router link cannot address gets no take; its tally stays.
    if (!Hxi_Router().LevelServed(level))
        return;
    Store_SetTally(device, dest, 0);
    Hxi_Router().Take(level, source, dest);
}

// Level of a range command (RL, RP, RQ) when it may act: the level exists,
// both ends are destinations of it and the requester is permitted; else -1.
int RangeLevel(int requesterField)
{
    int level = Store_FindLevel(gCmdArg[0]);
    if (level < 0)
        return -1;
    if (!Store_ValidDest(level, gCmdArg[1]) || !Store_ValidDest(level, gCmdArg[2]))
        return -1;
    if (!Prof_IsPermitted(gCmdArg[requesterField]))
        return -1;
    return level;
}

void PollOrQuery(const char* text, int kind)
{
    int fields = Cmd_Tokenize(text, kPollFields);
    Debug_Trace(text);
    Debug_Tracef("%d %d", gCmdArg[0], Store_FindLevel(gCmdArg[0]));
    // A text cut short never acts on empty or stale fields.
    if (fields < kPollFields || RangeLevel(3) < 0)
        return;
    Cmd_SendRevertives(gCmdArg[0], gCmdArg[1], gCmdArg[2], kind, gCmdArg[3]);
}

}  // namespace

void Cmd_Reset()
{
    gTxCount = 0;
    std::memset(gCmdArg, 0, sizeof gCmdArg);
    std::memset(gCmdArgText, 0, sizeof gCmdArgText);
}

void Cmd_Dispatch(const char* text)
{
    if (!text || text[0] != 'R')
        return;
    switch (text[1]) {
    case 'C': Cmd_Connect(text); break;
    case 'L': Cmd_Lock(text); break;
    case 'P': Cmd_Poll(text); break;
    case 'Q': Cmd_Query(text); break;
    default: break;
    }
}

int Cmd_Tokenize(const char* text, int maxFields)
{
    CmdFields fields;
    int n = Cmd_ReadFields(text, maxFields, &fields);
    std::memcpy(gCmdArg, fields.arg, sizeof gCmdArg);
    std::memcpy(gCmdArgText, fields.text, sizeof gCmdArgText);
    return n;
}

int Cmd_Arg(int index)
{
    return (index >= 0 && index < CMD_MAX_FIELDS) ? gCmdArg[index] : 0;
}

const char* Cmd_ArgText(int index)
{
    return (index >= 0 && index < CMD_MAX_FIELDS) ? gCmdArgText[index] : "";
}

void Cmd_Connect(const char* text)
{
    if (Cmd_Tokenize(text, CMD_MAX_FIELDS) < CMD_MAX_FIELDS)
        return;
    // The take may re-enter the window procedure, where another command
    // tokenizes into the shared fields: this one keeps its own copy.
    const int device = gCmdArg[0], first = gCmdArg[1], second = gCmdArg[2];
    int level = Store_FindLevel(device);
    if (level < 0 || !Prof_IsPermitted(gCmdArg[4]))
        return;
    // Both readings may apply; each one checks its own source and destination.
    if (Settings().SourceToDest)
        Route(level, device, first, second);
    if (Settings().DestToSource)
        Route(level, device, second, first);
}

void Cmd_Lock(const char* text)
{
    if (Cmd_Tokenize(text, CMD_MAX_FIELDS) < CMD_MAX_FIELDS)
        return;
    if (RangeLevel(4) < 0)
        return;
    for (int d = gCmdArg[1]; d <= gCmdArg[2]; ++d)
        Store_SetLock(gCmdArg[0], d, gCmdArg[3]);
    Panel_ShowSelectedDest();
}

void Cmd_Poll(const char* text) { PollOrQuery(text, 1); }
void Cmd_Query(const char* text) { PollOrQuery(text, 2); }

void Cmd_SendRevertives(int device, int first, int last, int kind, int requester)
{
    if (HostLink().iTxRxMode != TXRX_TXRX)
        return;
    unsigned msg = (kind == 1) ? ZUV_TXREVERTIVE : ZUV_TXREPLY;
    // A 64-bit counter: a range ending at INT_MAX still ends.
    for (long long d = first; d <= last; ++d) {
        char text[64];
        std::snprintf(text, sizeof text, "RR %03d %03d %03d", device, (int)d,
                      Store_GetTally(device, (int)d));
        uint32_t param = (uint32_t)requester;
        if (msg == ZUV_TXREPLY && d == last)
            param += ZUV_REPLY_END_MARK;
        Plat_HostTx(HostLink().hHxiWnd, (uint16_t)msg, param, text, 1,
                    (uint32_t)std::strlen(text) + 1);
        Bump(&gTxCount);
    }
    Panel_ShowTxCount((long)gTxCount);
    Panel_ShowDestsChanged(first, last);
}

int32_t Cmd_TxCount() { return gTxCount; }
