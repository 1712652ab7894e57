// The line assembler: bytes from the router become lines ended by CR; LF is
// ignored wherever it occurs.
#include <cstring>

#include "leitch/leitch.h"
#include "trace/trace.h"

namespace {
unsigned char cRxLine[256];   // only positions 0 to 254 are written: always terminated
int iRxLen = 0;               // bytes held, 0 to 255
bool bOverlong = false;       // the line in progress has overflowed
bool bHole = false;           // received bytes were lost inside the line in progress
const int kLineMax = 255;

void ClearLine()
{
    iRxLen = 0;
    bOverlong = false;
    bHole = false;
    std::memset(cRxLine, 0, sizeof cRxLine);
}
}  // namespace

void Leitch_RxChar(unsigned char byte)
{
    if (byte == '\r') {
        // Lines of one or two bytes (a bare prompt, "OK") are never decoded.
        // An overlong line has had new bytes spliced over old ones: decoding
        // it could store a tally the router never reported, so it is dropped.
        if (bHole)
            Debug_Trace("Leitch_RxChar: line with lost bytes dropped");
        else if (bOverlong)
            Debug_Trace("Leitch_RxChar: line longer than 255 bytes dropped");
        else if (iRxLen > 2)
            Leitch_Decode();
        ClearLine();
        return;
    }
    if (byte == '\n')
        return;
    // A full line drops the byte and goes on storing at position 1: the
    // first byte and the older bytes beyond the new ones stay in place.
    if (iRxLen >= kLineMax) {
        iRxLen = 1;
        bOverlong = true;
        return;
    }
    cRxLine[iRxLen++] = byte;
}

// Clears the buffer as well, so that no stale bytes from before the link
// started can trail a later short line.
void Leitch_ResetLine() { ClearLine(); }
void Leitch_DropLine() { bHole = true; }
int Leitch_RxLen() { return iRxLen; }
const unsigned char* Leitch_RxLine() { return cRxLine; }
void Leitch_Reset() { ClearLine(); }
