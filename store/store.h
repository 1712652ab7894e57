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
