// The port table and the library's module state and hooks.
#include <cstdarg>
#include <cstdio>

#include "comms/win32/comms_internal.h"

HGLOBAL hPortTable = nullptr;
volatile LONG bPortRunning[COMMS_MAX_PORTS];
volatile LONG iReadChunk[COMMS_MAX_PORTS];
PORTINFO piStartBlock;

namespace {
CommsTraceFn gTrace = nullptr;
CommsTickFn gTick = nullptr;
}  // namespace

PORTINFO* Table_Lock()
{
    if (!hPortTable)
        return nullptr;
    return static_cast<PORTINFO*>(GlobalLock(hPortTable));
}

PORTINFO* Table_LockOrCreate()
{
    if (!hPortTable)
        hPortTable = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(PORTINFO) * COMMS_MAX_PORTS);
    return Table_Lock();
}

void Table_Unlock()
{
    if (hPortTable)
        GlobalUnlock(hPortTable);
}

void Table_UnlockAndFreeIfUnused(const PORTINFO* table)
{
    bool inUse = false;
    for (int i = 0; i < COMMS_MAX_PORTS && !inUse; i++)
        inUse = table[i].hCom != nullptr;
    GlobalUnlock(hPortTable);
    if (inUse)
        return;
    GlobalFree(hPortTable);
    hPortTable = nullptr;
}

PORTINFO* Port_Lock(int index)
{
    if (!Comms_ValidIndex(index))
        return nullptr;
    PORTINFO* table = Table_Lock();
    if (!table)
        return nullptr;
    if (!table[index].hCom) {
        Table_Unlock();
        return nullptr;
    }
    return &table[index];
}

void Comms_SetTrace(CommsTraceFn sink) { gTrace = sink; }

void Comms_SetTickSource(CommsTickFn tick) { gTick = tick; }

DWORD Comms_Tick()
{
    CommsTickFn tick = gTick;
    return tick ? tick() : GetTickCount();
}

void Comms_Tracef(const char* format, ...)
{
    CommsTraceFn sink = gTrace;
    if (!sink)
        return;
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    sink(text);
}
