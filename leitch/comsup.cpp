// The router link: opening and closing the serial port, sending frames and
// the receive drain. The link state itself lives here too; the comms state
// per level is in comsup_health.cpp and the poll cycle in comsup_poll.cpp.
#include "leitch/comsup.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "comms/comms.h"
#include "leitch/host_port.h"
#include "leitch/leitch.h"
#include "trace/trace.h"
#include "ui/ui.h"

namespace {
LinkState gLink;
const int kReadChunk = 64;
const int kDrainBlock = 256;   // bytes the drain takes from the ring per call

// Parity letter of the settings to the serial library's parity code.
int ParityCode(char letter)
{
    switch (letter) {
    case 'o': return 1;
    case 'e': return 2;
    case 'm': return 3;
    case 's': return 4;
    default: return 0;   // 'n' and anything unknown: no parity
    }
}

// The frame as a bounded, terminated text for the trace.
void TraceFrame(const char* text, int length)
{
    char line[256];
    size_t n = (size_t)length < sizeof line - 1 ? (size_t)length : sizeof line - 1;
    std::memcpy(line, text, n);
    line[n] = '\0';
    Debug_Trace(line);
}

// The ring lost received bytes where the reading has now arrived: the line
// being assembled has a hole and must never be decoded.
void CheckOverrun(int mask)
{
    if (mask < 0 || !(mask & COMMS_CE_RXOVER))
        return;
    Debug_Tracef("Rx Overrun '0x%04x' on Port %d: line dropped", mask, Settings().Com);
    Leitch_DropLine();
}

HostPort gHostPort;   // wired once by app/; not part of the link's state

}  // namespace

LinkState& Link() { return gLink; }
void ComSup_Reset() { std::memset(&gLink, 0, sizeof gLink); }

int ComSup_Init()
{
    Leitch_TraceUnservedLevels();
    gLink.iUnAck = 0;
    gLink.bPortLost = 0;
    gLink.iPortIndex = ComSup_OpenPort(Settings().Com);
    gLink.bPortOpen = gLink.iPortIndex >= 0;
    Leitch_ResetLine();
    return gLink.iPortIndex;
}

int ComSup_OpenPort(int port)
{
    int index = ComSup_OpenQuietly(port);
    if (index < 0) {
        char text[64];
        std::snprintf(text, sizeof text, "Cannot open serial port %d", port);
        Ui_ErrorBox(text);
        return -1;
    }
    return index;
}

int ComSup_OpenQuietly(int port)
{
    const DriverSettings& s = Settings();
    const int kOneStopBit = 0;
    int index = Comms_OpenPort(port, s.Speed, s.DataBits, kOneStopBit, ParityCode(s.Parity));
    if (index < 0)
        return index;
    // Up to 64 bytes per read request: a request still ends a couple of
    // character times after the last byte, so an answer is announced as
    // soon as it is whole, and an idle reader wakes every 4 s instead of
    // every millisecond.
    Comms_SetNotifyWindow(index, Ui_MainWindow(), kReadChunk);
    return index;
}

void ComSup_ClosePort()
{
    gLink.bPortLost = 0;   // closed for good: no more attempts to reopen it
    if (!gLink.bPortOpen)
        return;
    gLink.bPortOpen = 0;
    Comms_ClosePort(gLink.iPortIndex);
}

namespace {
// Writes one frame; nothing is written while no port is open. A write its
// time-out cut short (output held back by flow control) is traced and left
// to the polls to judge; only a failed handle loses the port.
void WriteFrame(const char* text, int length)
{
    if (!gLink.bPortOpen)
        return;
    if (length < 0)
        length = 0;
    if (length > 65535)
        length = 65535;
    TraceFrame(text, length);
    int written = Comms_Write(gLink.iPortIndex, text, (uint16_t)length);
    if (written == length)
        return;
    if (written >= 0) {
        Debug_Tracef("Tx cut short on Port %d: %d of %d bytes written in time", Settings().Com,
                     written, length);
        return;
    }
    CommsStat stat;
    int mask = Comms_GetError(gLink.iPortIndex, &stat);
    Debug_Tracef("Tx Error '0x%04x' on Port %d", mask, Settings().Com);
    CheckOverrun(mask);
    ComSup_PortLost();
}
}  // namespace

// A frame the router answers: it counts as unanswered until the router
// answers, and enough of them fail the level being polled. The count stops
// at its ceiling: a lone level polled for months never wraps it.
void ComSup_SendData(const char* text, int length)
{
    WriteFrame(text, length);
    if (gLink.iUnAck < INT_MAX)
        gLink.iUnAck++;
    if (gLink.iUnAck < Settings().CommErrorLimit ||
        gLink.iComState[gLink.iTallyRtr] == COMSTATE_FAIL)
        return;
    Debug_Tracef("ComSup_SendData: UnAck msgs >= ErrorLimit (%d). SetComState(FAIL)",
                 Settings().CommErrorLimit);
    SetComState(COMSTATE_FAIL);
    ComSup_Host().AssertRxOnly();
    SetComState(COMSTATE_FAIL);
}

// The router never answers a take, so its silence after one says nothing
// about the link: only the polls judge it.
void ComSup_SendTake(const char* text, int length) { WriteFrame(text, length); }

// Hands every received byte to the line assembler. Only a decoded status
// line is a sign of life (the decoder clears the unanswered count): noise,
// a router at the wrong speed or the driver's own frames coming back are
// bytes, not answers. A short read has emptied the ring: a byte stored
// after it is announced again.
void ComSup_ReadData()
{
    unsigned char block[kDrainBlock];
    while (gLink.bPortOpen) {
        int n = Comms_Read(gLink.iPortIndex, block, kDrainBlock);
        for (int i = 0; i < n; ++i)
            Leitch_RxChar(block[i]);
        if (n == kDrainBlock)
            continue;
        CommsStat stat;   // clears the port's error state
        int mask = Comms_GetError(gLink.iPortIndex, &stat);
        CheckOverrun(mask);
        if (mask > 0 && (mask & COMMS_CE_IOE))
            ComSup_PortLost();
        return;
    }
}

void ComSup_SetHostPort(const HostPort& port) { gHostPort = port; }

const HostPort& ComSup_Host() { return gHostPort; }
