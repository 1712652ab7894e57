// The tally and lock files: creation, loading short and long files, the
// block-per-level-index layout, restarts and the save tick.
#include <gtest/gtest.h>

#include "tests/native/test_store_support.h"

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
    for (size_t i = from; i < from + n; ++i)
        if (v[i] != value)
            return false;
    return true;
}

TEST(IdxfuFiles, FirstStartWritesBothFiles)
{
    ThreeLevels();
    Start();
    ASSERT_TRUE(HasFile("VAL_DRN.IDX"));
    ASSERT_TRUE(HasFile("VAL_DRN.LCK"));
    const std::vector<unsigned char>& idx = File("VAL_DRN.IDX");
    ASSERT_EQ(idx.size(), kIdxSize);
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        bool sized = level == 0 || level == 2;
        EXPECT_TRUE(AllBytes(idx, level * 2048u, 2048, sized ? 0xFF : 0x00)) << level;
    }
    EXPECT_EQ(File("VAL_DRN.LCK"), std::vector<unsigned char>(kLckSize, 0));
    EXPECT_FALSE(HasFile("VAL_DRN.IDX.TMP"));
    EXPECT_FALSE(HasFile("VAL_DRN.LCK.TMP"));
    EXPECT_EQ(Store_GetTally(1, 1), 65535);
    EXPECT_EQ(Store_GetTally(3, 1024), 65535);
    EXPECT_EQ(Store_GetTally(3, 1025), 0);   // the spare entry is not in the file
    EXPECT_EQ(Idxfu_Loaded(), 1);
    const std::vector<std::string> want = {
        "<VALDRUNE>-Idxfu_ReadIndex config dir: \n",
        "<VALDRUNE>-" + kDir + "\\VAL_DRN.IDX\n",
        "<VALDRUNE>-Idxfu_WriteIndex config dir: \n",
        "<VALDRUNE>-" + kDir + "\\VAL_DRN.IDX\n",
        "<VALDRUNE>-Idxfu_WriteLock config dir: \n",
        "<VALDRUNE>-" + kDir + "\\VAL_DRN.LCK\n",
    };
    std::vector<std::string> trace(fake::S().trace.end() - 6, fake::S().trace.end());
    EXPECT_EQ(trace, want);
}

TEST(IdxfuFiles, SavedBytesFollowTheAreas)
{
    ThreeLevels();
    Start();
    Store_SetTally(1, 2, 300);
    Store_SetTally(3, 1024, 0x0101);
    Store_SetTally(3, 1025, 7);
    Store_SetLock(3, 512, 1);
    Store_SetLock(3, 513, 1);
    Idxfu_WriteIndex();
    Idxfu_WriteLock();
    const std::vector<unsigned char>& idx = File("VAL_DRN.IDX");
    ASSERT_EQ(idx.size(), kIdxSize);
    EXPECT_EQ(idx[2], 0x01);
    EXPECT_EQ(idx[3], 0x2C);
    EXPECT_EQ(idx[2 * 2048 + 2046], 0x01);
    EXPECT_EQ(idx[2 * 2048 + 2047], 0x01);
    EXPECT_TRUE(AllBytes(idx, 3 * 2048, kIdxSize - 3 * 2048, 0));   // 1025 stays in memory
    const std::vector<unsigned char>& lck = File("VAL_DRN.LCK");
    ASSERT_EQ(lck.size(), kLckSize);
    EXPECT_EQ(lck[2 * 1024 + 1022], 1);
    EXPECT_TRUE(AllBytes(lck, 3 * 1024, kLckSize - 3 * 1024, 0));   // 513 stays in memory
}

TEST(IdxfuFiles, ShortFilesReadAs0xFFBeyondTheirEnd)
{
    ThreeLevels();
    File("VAL_DRN.IDX") = {0, 1, 0, 2, 0, 3, 0, 4, 0x01, 0x2C};
    File("VAL_DRN.LCK") = {1, 0, 0};
    Start();
    const int want[] = {1, 2, 3, 4, 300, 65535, 65535, 65535};
    for (int d = 1; d <= 8; ++d)
        EXPECT_EQ(Store_GetTally(1, d), want[d - 1]) << d;
    EXPECT_EQ(Store_GetTally(3, 1), 65535);
    EXPECT_EQ(Store_GetTally(3, 1024), 65535);
    EXPECT_EQ(Store_GetLock(1, 1), 1);
    EXPECT_EQ(Store_GetLock(1, 2), 0);
    EXPECT_EQ(Store_GetLock(1, 3), 255);   // a missing lock byte reads as locked
    EXPECT_EQ(Store_GetLock(3, 1), 255);
    // Present files are loaded, not rewritten.
    EXPECT_EQ(File("VAL_DRN.IDX").size(), 10u);
    EXPECT_EQ(File("VAL_DRN.LCK").size(), 3u);
}

TEST(IdxfuFiles, ExcessOfALongFileIsIgnored)
{
    ThreeLevels();
    std::vector<unsigned char> idx(kIdxSize + 100, 0x22);
    idx[0] = 0x00;
    idx[1] = 0x05;
    std::vector<unsigned char> lck(kLckSize + 100, 0);
    lck[2 * 1024] = 1;
    File("VAL_DRN.IDX") = idx;
    File("VAL_DRN.LCK") = lck;
    Start();
    EXPECT_EQ(Store_GetTally(1, 1), 5);
    EXPECT_EQ(Store_GetTally(1, 2), 0x2222);
    EXPECT_EQ(Store_GetTally(3, 1025), 0);
    EXPECT_EQ(Store_GetLock(3, 1), 1);
    EXPECT_EQ(Store_GetLock(3, 513), 0);
    Shutdown();
    EXPECT_EQ(File("VAL_DRN.IDX").size(), kIdxSize);
}

TEST(IdxfuFiles, TalliesSurviveARestart)
{
    ThreeLevels();
    Start();
    Store_SetTally(1, 8, 400);
    Store_SetTally(3, 1000, 65534);
    Shutdown();
    Restart();
    Start();
    EXPECT_EQ(Store_GetTally(1, 8), 400);
    EXPECT_EQ(Store_GetTally(3, 1000), 65534);
    EXPECT_EQ(Store_GetTally(3, 999), 65535);
}

TEST(IdxfuFiles, ReconfiguredLevelKeepsItsIndexBlock)
{
    ThreeLevels();
    Start();
    Store_SetTally(3, 4, 44);
    Store_Level(2)->hLock[6] = 1;   // as if the lock file held it
    Idxfu_WriteLock();
    Shutdown();
    Restart();
    Configure(2, 31, 100, 10);   // level C now carries another device
    Start();
    EXPECT_EQ(Store_GetTally(31, 4), 44);
    EXPECT_EQ(Store_GetLock(31, 4), 1);
    EXPECT_EQ(Store_GetTally(3, 4), -1);
}

TEST(IdxfuFiles, LockSetWhileRunningIsGoneAfterARestart)
{
    ThreeLevels();
    Start();
    Store_SetLock(1, 2, 1);
    Shutdown();
    Restart();
    Start();
    EXPECT_EQ(Store_GetLock(1, 2), 0);
}

TEST(IdxfuFiles, ShutdownDoesNotSaveUnlessLoaded)
{
    ThreeLevels();
    File("VAL_DRN.IDX") = {9, 9};
    Memory_Init();
    Shutdown();
    EXPECT_EQ(File("VAL_DRN.IDX"), (std::vector<unsigned char>{9, 9}));
}

TEST(IdxfuFiles, NoSaveAfterTheAreasAreFreed)
{
    ThreeLevels();
    Start();
    Store_SetTally(1, 1, 12);
    Shutdown();
    std::vector<unsigned char> saved = File("VAL_DRN.IDX");
    EXPECT_EQ(saved[1], 12);
    Idxfu_WriteIndex();   // a late save tick
    Idxfu_SaveTick();
    EXPECT_EQ(File("VAL_DRN.IDX"), saved);
    EXPECT_TRUE(Traced("VAL_DRN.IDX not written: level memory already freed"));
}

struct TickCase {
    int saveDelay;
    int ticks;
    std::vector<int> savedAt;   // ticks (1-based) after which a save ran
};

TEST(IdxfuSaveTick, SavesEverySaveDelayTicks)
{
    const TickCase cases[] = {
        {1, 3, {1, 2, 3}},
        {10, 25, {10, 20}},
        {0, 2, {1, 2}},
        {-1, 40, {}},
        {-30, 40, {}},
    };
    for (const TickCase& c : cases) {
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

TEST(IdxfuSaveTick, TraceShowsTicksAndDelay)
{
    ThreeLevels();
    Start();
    Settings().SaveDelay = 10;
    for (int tick = 0; tick < 3; ++tick)
        Idxfu_SaveTick();
    EXPECT_EQ(fake::S().trace.back(), "<VALDRUNE>-3 > 10\n");
    Settings().SaveDelay = -1;
    Idxfu_SaveTick();
    EXPECT_EQ(fake::S().trace.back(), "<VALDRUNE>-4 > -1\n");
}

}  // namespace
