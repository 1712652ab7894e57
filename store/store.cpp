// The level table and the single-tally and single-lock operations. Every
// operation finds its level by a linear search and checks its numbers in a
// fixed order; a failed check makes it do nothing, silently.
#include "store/store.h"

#include <cstring>

#include "store/store_areas.h"

namespace {
LEVELINFO gLevels[LEVEL_COUNT];
int gLocksChanged = 0;   // a lock flag changed since the lock file was last given them

// Offset of destination dest's 2-byte slot in an area, or -1 when the
// destination is outside 1 to iDests or outside the area itself (a count
// set past the areas' capacity must never reach beyond them).
int SlotOffset(const LEVELINFO& level, int dest)
{
    if (dest < 1 || dest > level.iDests || dest > STORE_AREA_DESTS)
        return -1;
    return 2 * (dest - 1);
}

LEVELINFO* FindByDevice(int device)
{
    int index = Store_FindLevel(device);
    return index < 0 ? nullptr : &gLevels[index];
}
}  // namespace

LEVELINFO* Store_Level(int index)
{
    if (index < 0 || index >= LEVEL_COUNT)
        return nullptr;
    return &gLevels[index];
}

void Store_Reset()
{
    for (LEVELINFO& level : gLevels)
        StoreAreas_Release(&level);
    std::memset(gLevels, 0, sizeof gLevels);
    gLocksChanged = 0;
    StoreAreas_Reset();
}

int Store_FindLevel(int device)
{
    for (int i = 0; i < LEVEL_COUNT; ++i)
        if (gLevels[i].iDevice == device)
            return i;
    return -1;
}

// Callers pass indexes from Store_FindLevel; any other index is refused
// rather than read past the table.
int Store_ValidSource(int level, int source)
{
    const LEVELINFO* l = Store_Level(level);
    return l && source >= 0 && source <= l->iSources ? 1 : 0;
}

int Store_ValidDest(int level, int dest)
{
    const LEVELINFO* l = Store_Level(level);
    return l && dest >= 1 && dest <= l->iDests ? 1 : 0;
}

int Store_GetTally(int device, int dest)
{
    const LEVELINFO* level = FindByDevice(device);
    if (!level)
        return -1;
    int at = SlotOffset(*level, dest);
    if (at < 0 || !level->hTally)
        return -1;
    return level->hTally[at] * 256 + level->hTally[at + 1];
}

void Store_SetTally(int device, int dest, int source)
{
    LEVELINFO* level = FindByDevice(device);
    if (!level)
        return;
    int at = SlotOffset(*level, dest);
    if (at < 0 || source < 0 || source > level->iSources || !level->hTally)
        return;
    level->hTally[at] = (unsigned char)((source >> 8) & 0xFF);
    level->hTally[at + 1] = (unsigned char)(source & 0xFF);
}

int Store_GetLock(int device, int dest)
{
    const LEVELINFO* level = FindByDevice(device);
    if (!level)
        return 0;
    int at = SlotOffset(*level, dest);
    if (at < 0 || !level->hLock)
        return 0;
    return level->hLock[at];
}

void Store_SetLock(int device, int dest, int flag)
{
    LEVELINFO* level = FindByDevice(device);
    if (!level)
        return;
    int at = SlotOffset(*level, dest);
    if (at < 0 || !level->hLock)
        return;
    unsigned char value = flag != 0 ? 1 : 0;
    if (level->hLock[at] != value)
        gLocksChanged = 1;
    level->hLock[at] = value;
}

int Store_TakeLockChanges()
{
    int changed = gLocksChanged;
    gLocksChanged = 0;
    return changed;
}
