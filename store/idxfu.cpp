// The tally file VAL_DRN.IDX and the lock file VAL_DRN.LCK: one fixed block
// per level index (2048 tally bytes, 1024 lock bytes), no header, so a
// level's saved state follows its index, whatever device it carries.
#include "store/idxfu.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "config/config_dir.h"
#include "config/settings.h"
#include "panel/panel_show.h"
#include "platform/platform.h"
#include "store/file_image.h"
#include "store/store.h"
#include "trace/trace.h"

namespace {

const int kTallyBlock = 2048;   // tallies of destinations 1 to 1024
const int kLockBlock = 1024;    // lock bytes of destinations 1 to 512
const int kPathSize = 280;

int gLoaded = 0;
uint32_t iSaveTicks = 0;
uint32_t gLastSaveTick = 0;   // clock of the last save tick (or of the load), ms
int gRetryIndex = 0;   // the last tally save failed: the next tick saves
int gLocksDirty = 0;   // lock changes not yet in the lock file

// The two files differ only in name, block size and which area they hold.
struct FileKind {
    const char* name;
    const char* tempName;   // fixed, beside the file: a crash leaves one stray file at most
    const char* traceText;
    int blockSize;
    unsigned char* LEVELINFO::*area;
};
const FileKind kTallyFile = {"VAL_DRN.IDX", "VAL_DRN.IDX.TMP", "Idxfu_WriteIndex config dir: ",
                             kTallyBlock, &LEVELINFO::hTally};
const FileKind kLockFile = {"VAL_DRN.LCK", "VAL_DRN.LCK.TMP", "Idxfu_WriteLock config dir: ",
                            kLockBlock, &LEVELINFO::hLock};

// Failed saves in a row, per file. The trace says so at the first of a
// series and once when a save works again; the panel shows it meanwhile.
int gFailures[2];

int& FailuresOf(const FileKind& kind) { return gFailures[&kind == &kLockFile ? 1 : 0]; }

void NoteSaveResult(const FileKind& kind, const char* path, int saved, const char* step)
{
    int& failures = FailuresOf(kind);
    if (!saved) {
        if (failures++ == 0)
            Debug_Tracef("Saving %s failed at %s; the file was left as it was", path, step);
    } else if (failures > 0) {
        Debug_Tracef("Saving %s works again after %d failed attempts", path, failures);
        failures = 0;
    }
    Panel_ShowSaveFailing(gFailures[0] > 0 || gFailures[1] > 0);
}

// Copies each level's area into its block of the image, or zeros when the
// level has no area.
std::vector<unsigned char> BuildImage(const FileKind& kind)
{
    std::vector<unsigned char> image((size_t)kind.blockSize * LEVEL_COUNT, 0);
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        const unsigned char* area = Store_Level(i)->*kind.area;
        if (area)
            std::memcpy(&image[(size_t)i * kind.blockSize], area, (size_t)kind.blockSize);
    }
    return image;
}

// Copies each block into its level's area; blocks of levels without an
// area are skipped.
void ApplyImage(const FileKind& kind, const std::vector<unsigned char>& image)
{
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        unsigned char* area = Store_Level(i)->*kind.area;
        if (area)
            std::memcpy(area, &image[(size_t)i * kind.blockSize], (size_t)kind.blockSize);
    }
}

// Loads one file; 0 when it cannot be opened (or its path was refused).
int Load(const FileKind& kind, const char* path, int pathOk)
{
    if (!pathOk)
        return 0;
    std::vector<unsigned char> image((size_t)kind.blockSize * LEVEL_COUNT);
    if (!FileImage_Load(path, image.data(), (int)image.size()))
        return 0;
    ApplyImage(kind, image);
    return 1;
}

// 1 when the file now holds the areas.
int Save(const FileKind& kind)
{
    // After the shutdown freed the areas every block would be written as
    // zeros over the saved state.
    if (Store_Released()) {
        Debug_Tracef("%s not written: level memory already freed", kind.name);
        return 0;
    }
    char dir[256];
    int dirOk = Config_GetConfigDir(dir, sizeof dir);
    char path[kPathSize];
    char tempPath[kPathSize];
    int pathOk = Config_JoinPath(dir, dirOk, kind.name, path, sizeof path);
    Debug_Trace(kind.traceText);
    Debug_Trace(path);
    if (!pathOk || !Config_JoinPath(dir, dirOk, kind.tempName, tempPath, sizeof tempPath))
        return 0;
    std::vector<unsigned char> image = BuildImage(kind);
    const char* step = "";
    int saved = FileImage_Save(path, tempPath, image.data(), kind.blockSize, LEVEL_COUNT, &step);
    NoteSaveResult(kind, path, saved, step);
    return saved;
}

}  // namespace

void Idxfu_ReadIndex()
{
    char dir[256];
    int dirOk = Config_GetConfigDir(dir, sizeof dir);
    char path[kPathSize];
    int pathOk = Config_JoinPath(dir, dirOk, kTallyFile.name, path, sizeof path);
    Debug_Trace("Idxfu_ReadIndex config dir: ");
    Debug_Trace(path);
    if (!Load(kTallyFile, path, pathOk)) {
        Idxfu_ResetTallies();
        Idxfu_WriteIndex();
    }

    pathOk = Config_JoinPath(dir, dirOk, kLockFile.name, path, sizeof path);
    if (!Load(kLockFile, path, pathOk)) {
        Idxfu_ClearLocks();
        Idxfu_WriteLock();
    }
    gLoaded = 1;
    gLastSaveTick = Plat_TickCount();   // the save timer starts now
}

void Idxfu_WriteIndex() { gRetryIndex = !Save(kTallyFile); }

void Idxfu_WriteLock()
{
    gLocksDirty |= Store_TakeLockChanges();
    if (Save(kLockFile))
        gLocksDirty = 0;
}

void Idxfu_WriteChangedLocks()
{
    if (Store_TakeLockChanges() || gLocksDirty) {
        gLocksDirty = 1;
        Idxfu_WriteLock();
    }
}

void Idxfu_ResetTallies()
{
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        unsigned char* area = Store_Level(i)->hTally;
        if (area)
            std::memset(area, 0xFF, STORE_TALLY_AREA_SIZE);
    }
}

void Idxfu_ClearLocks()
{
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        unsigned char* area = Store_Level(i)->hLock;
        if (area)
            std::memset(area, 0, STORE_LOCK_AREA_SIZE);
    }
}

void Idxfu_SaveTick()
{
    ++iSaveTicks;
    Debug_Tracef("%d > %d", (int)iSaveTicks, Settings().SaveDelay);
    // Unsigned: a negative delay is never reached, so only the shutdown saves.
    // A save that failed is tried again at the next tick.
    if (iSaveTicks >= (uint32_t)Settings().SaveDelay || gRetryIndex) {
        iSaveTicks = 0;
        Idxfu_WriteIndex();
    }
    Idxfu_WriteChangedLocks();
}

void Idxfu_SaveTimerTick()
{
    uint32_t now = Plat_TickCount();
    if (now - gLastSaveTick < IDXFU_SAVE_PERIOD_MS / 2)
        return;
    gLastSaveTick = now;
    Idxfu_SaveTick();
}

void Idxfu_SaveTickIfDue()
{
    uint32_t now = Plat_TickCount();
    if (!gLoaded || now - gLastSaveTick < IDXFU_SAVE_PERIOD_MS)
        return;
    gLastSaveTick = now;
    Idxfu_SaveTick();
}

int Idxfu_Loaded() { return gLoaded; }

void Idxfu_Reset()
{
    gLoaded = 0;
    iSaveTicks = 0;
    gRetryIndex = 0;
    gLastSaveTick = 0;
    gLocksDirty = 0;
    gFailures[0] = gFailures[1] = 0;
}
