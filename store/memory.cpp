// Sizing the levels from their device database files at start-up, and
// releasing their areas at shutdown.
#include <cstdio>
#include <cstring>

#include "config/config_dir.h"
#include "config/settings.h"
#include "platform/platform.h"
#include "store/store.h"
#include "store/store_areas.h"
#include "trace/trace.h"

namespace {
// One count of the device database file, read through an 8-byte buffer as
// the file has always been read: a longer value is cut to seven characters.
int ReadCount(const char* key, const char* path)
{
    char text[8];
    Plat_ProfileRead("Database", key, "-1", text, sizeof text, path);
    int ok = 0;
    return (int)Prof_ScanNumber(text, &ok);
}

int Cap(int value, int limit, const char* key, int device)
{
    if (value <= limit)
        return value;
    Debug_Tracef("Memory_Init: device %d %s %d capped at %d", device, key, value, limit);
    return limit;
}

void SizeLevel(LEVELINFO* level)
{
    char dir[256];
    int dirOk = Config_GetConfigDir(dir, sizeof dir);
    char name[32];
    std::snprintf(name, sizeof name, "DEV_%03d.INI", (int)level->iDevice);
    char path[280];
    int pathOk = Config_JoinPath(dir, dirOk, name, path, sizeof path);
    Debug_Trace("Memory_Init config dir: ");
    Debug_Trace(path);
    if (!pathOk) {
        level->iSources = -1;   // as for a missing file: the level stays unsized
        return;
    }

    level->iSources = ReadCount("DatabaseSize_0", path);
    if (level->iSources <= 0)
        return;
    level->iSources = Cap(level->iSources, STORE_MAX_SOURCES, "DatabaseSize_0", level->iDevice);
    level->iDests = ReadCount("DatabaseSize_1", path);
    if (level->iDests <= 0)
        return;
    level->iDests = Cap(level->iDests, STORE_MAX_DESTS, "DatabaseSize_1", level->iDevice);

    // Each allocation may fail on its own; a level left without an area
    // simply refuses every access to it.
    level->hTally = StoreAreas_Allocate(STORE_TALLY_AREA_SIZE);
    level->hLock = StoreAreas_Allocate(STORE_LOCK_AREA_SIZE);
    // The tally file does not cover the last destination: it reads as
    // unknown until the router reports it, not as the park source.
    if (level->hTally)
        std::memset(level->hTally + STORE_TALLY_AREA_SIZE - 2, 0xFF, 2);
}
}  // namespace

int Memory_Init()
{
    StoreAreas_SetReleased(0);
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        LEVELINFO* level = Store_Level(i);
        // A second sizing starts from scratch rather than leaking areas.
        StoreAreas_Release(level);
        level->iSources = 0;
        level->iDests = 0;
        if (level->iDevice != 0)
            SizeLevel(level);
    }
    return 1;
}

void Memory_Free()
{
    // Every area goes, and no level keeps a pointer to freed memory.
    for (int i = 0; i < LEVEL_COUNT; ++i)
        StoreAreas_Release(Store_Level(i));
    StoreAreas_SetReleased(1);
}
