// The tally and lock files: creation, loading short and long files, the
// block-per-level-index layout, restarts, the save tick, and saves that fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "tests/native/test_store_support.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"

using namespace storetest;

namespace {

const size_t kIdxSize = 53248;
const size_t kLckSize = 26624;

// Level A sized (device 1), B configured but without a database file,
// C sized (device 3) with every destination the areas hold.
void ThreeLevels()
{
    Fresh();
    Configure(0, 1, 400, 8);
    Store_Level(1)->iDevice = 2;
    Configure(2, 3, 65534, 1025);
}

bool AllBytes(const std::vector<unsigned char>& v, size_t from, size_t n, unsigned char value)
{
    return std::all_of(v.begin() + from, v.begin() + from + n, [=](unsigned char b) { return b == value; });
}

// The first start writes both files (sized levels unknown, the rest 0);
// saves put each level in its block, big-endian, one lock byte per even
// offset, and what lies past a block stays in memory.
TEST(IdxfuFiles, FirstStartAndSavedBytes)
{
    ThreeLevels();
    Start();
    std::vector<unsigned char>& idx = File("VAL_DRN.IDX");
    ASSERT_EQ(idx.size(), kIdxSize);
    for (int level = 0; level < LEVEL_COUNT; ++level)
        EXPECT_TRUE(AllBytes(idx, level * 2048u, 2048, level == 0 || level == 2 ? 0xFF : 0x00)) << level;
    EXPECT_EQ(File("VAL_DRN.LCK"), std::vector<unsigned char>(kLckSize, 0));
    EXPECT_EQ(Store_GetTally(3, 1025), 0xFFFF);   // not in the file: unknown

    Store_SetTally(1, 2, 300);
    Store_SetTally(3, 1024, 0x0101);
    Store_SetTally(3, 1025, 7);
    Store_SetLock(3, 512, 1);
    Store_SetLock(3, 513, 1);
    Idxfu_WriteIndex();
    Idxfu_WriteLock();
    EXPECT_EQ(std::vector<int>({idx[2], idx[3], idx[2 * 2048 + 2046], idx[2 * 2048 + 2047]}),
              std::vector<int>({0x01, 0x2C, 0x01, 0x01}));
    EXPECT_TRUE(AllBytes(idx, 3 * 2048, kIdxSize - 3 * 2048, 0));
    const std::vector<unsigned char>& lck = File("VAL_DRN.LCK");
    EXPECT_EQ(lck[2 * 1024 + 1022], 1);
    EXPECT_TRUE(AllBytes(lck, 3 * 1024, kLckSize - 3 * 1024, 0));
}

// Present files are loaded, not rewritten: a short one reads as 0xFF
// beyond its end (a missing lock byte as locked), a long one's excess is
// ignored and gone after the next save.
TEST(IdxfuFiles, ShortAndLongFiles)
{
    ThreeLevels();
    File("VAL_DRN.IDX") = {0, 1, 0, 2, 0, 3, 0, 4, 0x01, 0x2C};
    File("VAL_DRN.LCK") = {1, 0, 0};
    Start();
    const int want[] = {1, 2, 3, 4, 300, 65535, 65535, 65535};
    for (int d = 1; d <= 8; ++d)
        EXPECT_EQ(Store_GetTally(1, d), want[d - 1]) << d;
    EXPECT_EQ(std::vector<int>({Store_GetLock(1, 1), Store_GetLock(1, 3)}), std::vector<int>({1, 255}));
    EXPECT_EQ(std::make_pair(File("VAL_DRN.IDX").size(), File("VAL_DRN.LCK").size()), std::make_pair(size_t(10), size_t(3)));

    ThreeLevels();
    File("VAL_DRN.IDX") = std::vector<unsigned char>(kIdxSize + 100, 0x22);
    File("VAL_DRN.IDX")[1] = 0x05;
    File("VAL_DRN.LCK") = std::vector<unsigned char>(kLckSize + 100, 0);
    File("VAL_DRN.LCK")[2 * 1024] = 1;
    Start();
    EXPECT_EQ(Store_GetTally(1, 1), 0x2205);
    EXPECT_EQ(Store_GetTally(3, 1025), 0xFFFF);
    EXPECT_EQ(std::vector<int>({Store_GetLock(3, 1), Store_GetLock(3, 513)}), std::vector<int>({1, 0}));
    Shutdown();
    EXPECT_EQ(File("VAL_DRN.IDX").size(), kIdxSize);
}

// Tallies and locks come back in the block of their level index, whatever
// device the level carries then. A lock change is saved at the next save
// tick, so even a crash after it keeps the lock (the end-to-end road sees
// the shutdown keep it); a tick without a change writes nothing.
TEST(IdxfuFiles, RestartKeepsTalliesAndLocksByLevelIndex)
{
    ThreeLevels();
    Start();
    Settings().SaveDelay = 1;
    Store_SetTally(3, 4, 44);
    Store_SetLock(3, 4, 1);
    const int opens = fake::S().calls["open"];
    Idxfu_SaveTick();
    Idxfu_SaveTick();
    EXPECT_EQ(fake::S().calls["open"] - opens, 3);
    Restart();
    Configure(2, 31, 100, 10);
    Start();
    EXPECT_EQ(Store_GetTally(31, 4), 44);
    EXPECT_EQ(Store_GetLock(31, 4), 1);
}

// Once the shutdown has freed the areas, a late save tick writes nothing.
TEST(IdxfuFiles, NothingIsSavedAfterTheAreasAreFreed)
{
    ThreeLevels();
    Start();
    Store_SetTally(1, 1, 12);
    Shutdown();
    std::vector<unsigned char> saved = File("VAL_DRN.IDX");
    EXPECT_EQ(saved[1], 12);
    Idxfu_WriteIndex();   // a late save tick after the areas are freed
    Idxfu_SaveTick();
    EXPECT_EQ(File("VAL_DRN.IDX"), saved);
}

TEST(IdxfuSaveTick, SavesEverySaveDelayTicks)
{
    const struct {
        int saveDelay, ticks;
        std::vector<int> savedAt;   // ticks (1-based) after which a save ran
    } cases[] = {{1, 3, {1, 2, 3}}, {10, 25, {10, 20}}, {0, 2, {1, 2}}, {-1, 40, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saveDelay);
        ThreeLevels();
        Start();
        Settings().SaveDelay = c.saveDelay;
        std::vector<int> savedAt;
        for (int tick = 1; tick <= c.ticks; ++tick) {
            Store_SetTally(1, 1, tick);
            Idxfu_SaveTick();
            if (File("VAL_DRN.IDX")[1] == tick)
                savedAt.push_back(tick);
        }
        EXPECT_EQ(savedAt, c.savedAt);
    }
}

// Saves that keep failing: each file traced at its first failure and once
// when it works again, "No Save" on the Driver indicator meanwhile, a save
// tried again at every tick (the lock file's change kept), never a box.
TEST(IdxfuSaveTick, FailingSavesAreShownTracedOnceAndRetried)
{
    ThreeLevels();
    Ui_SetPanel(fake::kPanelWnd);
    Start();
    Settings().SaveDelay = 3;
    Store_SetLock(1, 1, 1);
    std::vector<int> opens;
    for (int tick = 1; tick <= 7; ++tick) {
        fake::S().failAt["replace"] = tick < 6 ? 0 : INT_MAX;   // from the first call on, or never
        const int before = fake::S().calls["open"];
        Idxfu_SaveTick();
        opens.push_back(fake::S().calls["open"] - before);
        EXPECT_EQ(fake::S().texts[IDC_DRIVER_IND], tick < 6 ? "No Save" : "OK") << tick;
    }
    EXPECT_EQ(opens, std::vector<int>({1, 1, 2, 2, 2, 2, 0}));
    for (const char* name : {"VAL_DRN.IDX", "VAL_DRN.LCK"}) {
        EXPECT_EQ(std::count(fake::S().trace.begin(), fake::S().trace.end(),
                             "<VALDRUNE>-Saving " + ConfigPath(name) + " failed at replace; the file was left as it was\n"), 1);
        EXPECT_TRUE(fake::Traced("Saving " + ConfigPath(name) + " works again after " +
                                 (name[8] == 'I' ? "3" : "5") + " failed attempts"));
    }
    EXPECT_EQ(fake::CountLog("box"), 0);
}

// A save that fails at any point (open, any block's write, flush, close,
// replace) must leave the complete old file: the next start loads either
// the old tallies or the new ones, never a mix and never a short file. The
// first start creates its files through the same save.

// Levels A (device 1), C (device 3) and Z (device 26) sized with 1024
// destinations, so every block but the unsized ones carries data.
const int kDevices[] = {1, 3, 26};

// Generation g of every tally (names g, the device and the destination) or
// lock (set where d + g is a multiple of 3): stored, or with check compared.
bool Generation(int g, bool locks, bool check)
{
    for (int device : kDevices)
        for (int d = 1; d <= (locks ? 512 : 1024); ++d) {
            int want = locks ? (d + g) % 3 == 0 : (g * 7919 + device * 1031 + d) % 65000;
            if (!check)
                locks ? Store_SetLock(device, d, want) : Store_SetTally(device, d, want);
            else if ((locks ? Store_GetLock(device, d) : Store_GetTally(device, d)) != want)
                return false;
        }
    return true;
}

TEST(IdxfuCrash, FailedSaveKeepsTheCompleteOldFile)
{
    const struct {
        const char* name;
        size_t size;
        bool locks;
        void (*save)();
    } files[] = {{"VAL_DRN.IDX", 53248, false, Idxfu_WriteIndex}, {"VAL_DRN.LCK", 26624, true, Idxfu_WriteLock}};
    // Each step fails on its first call within the save; a write on any block's.
    std::vector<std::pair<std::string, int>> points = {{"open", 0}, {"flush", 0}, {"close", 0}, {"replace", 0}};
    for (int block = 0; block < LEVEL_COUNT; ++block)
        points.push_back({"write", block});
    for (const auto& file : files) {
        for (const auto& point : points) {
            SCOPED_TRACE(std::string(file.name) + " " + point.first + " " + std::to_string(point.second));
            Fresh();
            for (int device : kDevices)
                Configure(device - 1, device, 65534, 1024);
            Start();
            Generation(1, file.locks, false);
            file.save();
            Restart();
            Start();
            Generation(2, file.locks, false);
            fake::S().failAt[point.first] = fake::S().calls[point.first] + point.second;
            file.save();
            EXPECT_TRUE(fake::Traced("Saving " + ConfigPath(file.name) + " failed at " + point.first +
                                     "; the file was left as it was"));
            Restart();   // as after a crash: no shutdown save
            Start();
            EXPECT_EQ(File(file.name).size(), file.size);
            EXPECT_TRUE(Generation(1, file.locks, true));
            // The next save replaces whatever the failed one left beside it.
            Generation(3, file.locks, false);
            file.save();
            EXPECT_EQ(fake::S().files.count(fake::Lower(ConfigPath(file.name)) + ".tmp"), 0u);
            EXPECT_EQ(File(file.name).size(), file.size);
        }
    }
}

}  // namespace
