// The level table and the crosspoint store: per level a device number, a
// source and destination count, a tally area (big-endian 16-bit source per
// destination, 0xFFFF unknown) and a lock area (flag at even offsets).
#pragma once

#include <cstdint>

#include "config/settings.h"   // LEVEL_COUNT

struct LEVELINFO {
    int32_t iDevice;           // device number; 0 = level not configured
    int32_t iSources;          // source count (0 or less: unsized)
    int32_t iDests;            // destination count (0 or less: unsized)
    unsigned char* hTally;     // tally area, null when the level is not sized
    unsigned char* hLock;      // lock area, null when the level is not sized
};

// Area sizes. Both areas hold one 2-byte slot per destination 1 to 1025: the
// tally high byte first, the lock flag in the slot's first byte.
#define STORE_AREA_DESTS 1025
#define STORE_TALLY_AREA_SIZE 2050
#define STORE_LOCK_AREA_SIZE 2050
// Sizing caps: no destination beyond the areas, and no source that would
// read back as the unknown tally 0xFFFF.
#define STORE_MAX_DESTS STORE_AREA_DESTS
#define STORE_MAX_SOURCES 65534
#define STORE_TALLY_UNKNOWN 0xFFFF

// Record of level index 0 to 25; null for any other index.
LEVELINFO* Store_Level(int index);
void Store_Reset();            // frees every area and zeroes the table

int Memory_Init();
void Memory_Free();
int Store_FindLevel(int device);
int Store_ValidSource(int level, int source);
int Store_ValidDest(int level, int dest);
int Store_GetTally(int device, int dest);
void Store_SetTally(int device, int dest, int source);
int Store_GetLock(int device, int dest);
void Store_SetLock(int device, int dest, int flag);
// 1 when a lock flag has changed since the last call, which clears it.
int Store_TakeLockChanges();

// 1 from Memory_Free until the next Memory_Init: the areas are gone, so the
// table no longer reflects what was stored and must not be saved.
int Store_Released();
// Tests: the n-th area allocation from now (0-based; each sized level asks
// for its tally area, then its lock area) fails. Negative: none fails.
void Store_FailAllocationAt(int n);
