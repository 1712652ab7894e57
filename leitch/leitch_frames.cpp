// The frames sent to the router: the two-frame status query and the take.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "leitch/comsup.h"
#include "leitch/leitch.h"
#include "trace/trace.h"

namespace {

// Upper-cases a formatted frame and returns its length, or 0 when snprintf
// reported an error or the frame was cut.
int Finish(int n, char* out, int size)
{
    if (n < 0 || n >= size) {
        if (size > 0)
            out[0] = '\0';
        return 0;
    }
    for (int i = 0; i < n; ++i)
        out[i] = (char)std::toupper((unsigned char)out[i]);
    return n;
}

}  // namespace

// Numbers go out as 32-bit values, so destination or source 0 (the park
// entry) minus one is written as FFFFFFFF.
int Leitch_FormatQuery(int level, int dest, char* out, int size)
{
    if (!out || size <= 0)
        return 0;
    int n = std::snprintf(out, (size_t)size, "@ X?%x%x\r", (unsigned)level, (unsigned)(dest - 1));
    return Finish(n, out, size);
}

int Leitch_FormatTake(int level, int source, int dest, char* out, int size)
{
    if (!out || size <= 0)
        return 0;
    int n = std::snprintf(out, (size_t)size, "@ X:%x/%x,%x\r", (unsigned)level,
                          (unsigned)(dest - 1), (unsigned)(source - 1));
    return Finish(n, out, size);
}

void Leitch_Poll(int level, int dest)
{
    if (!Leitch_LevelServed(level))
        return;
    ComSup_SendData(LEITCH_FIXED_FRAME, (int)std::strlen(LEITCH_FIXED_FRAME));
    char frame[LEITCH_FRAME_MAX];
    int n = Leitch_FormatQuery(level, dest, frame, sizeof frame);
    ComSup_SendData(frame, n);
}

void Leitch_Connect(int level, int source, int dest)
{
    if (!Leitch_LevelServed(level))
        return;
    Debug_Tracef("Router Connect %d %d", source - 1, dest - 1);
    char frame[LEITCH_FRAME_MAX];
    int n = Leitch_FormatTake(level, source, dest, frame, sizeof frame);
    Debug_Trace(frame);
    ComSup_SendTake(frame, n);
}
