// The tally file VAL_DRN.IDX and the lock file VAL_DRN.LCK: one fixed block
// per level index (2048 tally bytes, 1024 lock bytes), no header, so a
// level's saved state follows its index, whatever device it carries.
#include "store/idxfu.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "config/config_dir.h"
#include "config/settings.h"
#include "store/file_image.h"
#include "store/store.h"
#include "trace/trace.h"

namespace {

const int kTallyBlock = 2048;   // tallies of destinations 1 to 1024
const int kLockBlock = 1024;    // lock bytes of destinations 1 to 512
const int kPathSize = 280;

int gLoaded = 0;
uint32_t iSaveTicks = 0;

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

void Save(const FileKind& kind)
{
    // After the shutdown freed the areas every block would be written as
    // zeros over the saved state.
    if (Store_Released()) {
        Debug_Tracef("%s not written: level memory already freed", kind.name);
        return;
    }
    char dir[256];
    int dirOk = Config_GetConfigDir(dir, sizeof dir);
    char path[kPathSize];
    char tempPath[kPathSize];
    int pathOk = Config_JoinPath(dir, dirOk, kind.name, path, sizeof path);
    Debug_Trace(kind.traceText);
    Debug_Trace(path);
    if (!pathOk || !Config_JoinPath(dir, dirOk, kind.tempName, tempPath, sizeof tempPath))
        return;
    std::vector<unsigned char> image = BuildImage(kind);
    FileImage_Save(path, tempPath, image.data(), kind.blockSize, LEVEL_COUNT);
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
}

void Idxfu_WriteIndex() { Save(kTallyFile); }

void Idxfu_WriteLock() { Save(kLockFile); }

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
    if (iSaveTicks >= (uint32_t)Settings().SaveDelay) {
        iSaveTicks = 0;
        Idxfu_WriteIndex();
    }
}

int Idxfu_Loaded() { return gLoaded; }

void Idxfu_Reset()
{
    gLoaded = 0;
    iSaveTicks = 0;
}
