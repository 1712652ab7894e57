// Shared helpers of the serial library's own files; not for its users.
#pragma once

#include "comms/win32/comms_win32.h"

// How long a close waits for a reader thread before it gives up and leaves
// the port's record, ring and handle allocated for the thread.
#define COMMS_CLOSE_WAIT_MS 2000

// The record handed to each new reader thread; app thread.
extern PORTINFO piStartBlock;

inline bool Comms_ValidIndex(int index) { return index >= 0 && index < COMMS_MAX_PORTS; }

// The table, locked; null when there is none. Pair with Table_Unlock.
PORTINFO* Table_Lock();
// As Table_Lock, allocating a zeroed table first when there is none.
PORTINFO* Table_LockOrCreate();
void Table_Unlock();
// Unlocks the locked table, then frees it when no record is in use.
void Table_UnlockAndFreeIfUnused(const PORTINFO* table);

// The locked record of an open port; null (nothing locked) for a bad index,
// no table or a record not in use.
PORTINFO* Port_Lock(int index);

// Stops the record's reader thread and releases everything the record holds,
// leaving it zero. When the thread does not end within maxWaitMs the record
// stays in use (its thread may still touch it) and the result is false.
bool Port_Shutdown(int index, PORTINFO* p, DWORD maxWaitMs);

DWORD Comms_Tick();
void Comms_Tracef(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// A Win32 handle's value as the 32-bit number used in object names.
inline unsigned Comms_HandleValue(HANDLE h) { return (unsigned)(UINT_PTR)h; }
