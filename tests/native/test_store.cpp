// Sizing the levels from their database files, the byte layout of the areas,
// level lookup and the areas' boundaries.
#include <gtest/gtest.h>

#include <climits>

#include "tests/native/test_store_support.h"

using namespace storetest;

namespace {

struct SizingCase {
    const char* sources;   // text in the database file; null: key absent
    const char* dests;
    int wantSources;
    int wantDests;
    bool sized;
};

TEST(StoreSizing, CountsAreReadAsTheFileHasThem)
{
    const SizingCase cases[] = {
        {"16", "12abc", 16, 12, true},
        {"  +8", "3", 8, 3, true},
        {"00000123", "00000456", 12, 45, true},    // cut to seven characters
        {"70000", "5000", STORE_MAX_SOURCES, STORE_MAX_DESTS, true},
        {"65535", "1025", 65534, 1025, true},
        {"65534", "1026", 65534, 1025, true},
        {"0", "5", 0, 0, false},
        {"x", "5", 0, 0, false},
        {"-3", "5", -3, 0, false},
        {"4", "0", 4, 0, false},
        {nullptr, "5", -1, 0, false},
        {"4", nullptr, 4, -1, false},
    };
    for (const SizingCase& c : cases) {
        SCOPED_TRACE(std::string(c.sources ? c.sources : "(none)") + " / " + (c.dests ? c.dests : "(none)"));
        Fresh();
        Store_Level(0)->iDevice = 9;
        if (c.sources)
            fake::SetProfile(DevFile(9), "Database", "DatabaseSize_0", c.sources);
        if (c.dests)
            fake::SetProfile(DevFile(9), "Database", "DatabaseSize_1", c.dests);
        EXPECT_EQ(Memory_Init(), 1);
        const LEVELINFO* level = Store_Level(0);
        EXPECT_EQ(level->iSources, c.wantSources);
        EXPECT_EQ(level->iDests, c.wantDests);
        EXPECT_EQ(level->hTally != nullptr, c.sized);
        EXPECT_EQ(level->hLock != nullptr, c.sized);
        EXPECT_EQ(fake::S().log.size(), 0u) << "nothing may be written or reported";
    }
}

TEST(StoreSizing, CapsAreTraced)
{
    Fresh();
    Store_Level(0)->iDevice = 9;
    WriteDev(9, "70000", "2000");
    Memory_Init();
    EXPECT_TRUE(Traced("Memory_Init: device 9 DatabaseSize_0 70000 capped at 65534"));
    EXPECT_TRUE(Traced("Memory_Init: device 9 DatabaseSize_1 2000 capped at 1025"));
}

TEST(StoreSizing, DatabaseFileNamesAndTrace)
{
    Fresh();
    Configure(0, 7, 2, 2);
    Configure(3, 1234, 2, 2);
    Memory_Init();
    EXPECT_NE(Store_Level(0)->hTally, nullptr);
    EXPECT_NE(Store_Level(3)->hTally, nullptr);
    const std::vector<std::string> want = {
        "<VALDRUNE>-Memory_Init config dir: \n",
        "<VALDRUNE>-" + kDir + "\\DEV_007.INI\n",
        "<VALDRUNE>-Memory_Init config dir: \n",
        "<VALDRUNE>-" + kDir + "\\DEV_1234.INI\n",
    };
    EXPECT_EQ(fake::S().trace, want);
}

TEST(StoreSizing, UnconfiguredLevelsAreNotSized)
{
    Fresh();
    WriteDev(0, "5", "5");   // a file for device 0 must not size an unconfigured level
    Memory_Init();
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        EXPECT_EQ(Store_Level(i)->iSources, 0);
        EXPECT_EQ(Store_Level(i)->hTally, nullptr);
    }
    EXPECT_TRUE(fake::S().trace.empty());
}

TEST(StoreLayout, TallyBytesAreBigEndianPairs)
{
    Fresh();
    Configure(0, 1, 400, 1025);
    Memory_Init();
    Store_SetTally(1, 1, 0x0101);
    Store_SetTally(1, 2, 300);
    Store_SetTally(1, 1025, 65534);
    const unsigned char* t = Store_Level(0)->hTally;
    EXPECT_EQ(t[0], 0x01);
    EXPECT_EQ(t[1], 0x01);
    EXPECT_EQ(t[2], 0x01);
    EXPECT_EQ(t[3], 0x2C);
    EXPECT_EQ(Store_GetTally(1, 1), 257);
    EXPECT_EQ(Store_GetTally(1, 2), 300);
    // 65534 is beyond this level's 400 sources: unchanged.
    EXPECT_EQ(Store_GetTally(1, 1025), 0);
    Store_SetTally(1, 1025, 400);
    EXPECT_EQ(t[2048], 0x01);
    EXPECT_EQ(t[2049], 0x90);
}

TEST(StoreLayout, LockFlagsSitAtEvenOffsets)
{
    Fresh();
    Configure(0, 1, 4, 1025);
    Memory_Init();
    Store_SetLock(1, 3, 5);
    Store_SetLock(1, 1025, -1);
    const unsigned char* l = Store_Level(0)->hLock;
    EXPECT_EQ(l[4], 1);
    EXPECT_EQ(l[5], 0);
    EXPECT_EQ(l[2048], 1);
    EXPECT_EQ(Store_GetLock(1, 3), 1);
    EXPECT_EQ(Store_GetLock(1, 1025), 1);
    Store_SetLock(1, 3, 0);
    EXPECT_EQ(Store_GetLock(1, 3), 0);
    // Any non-zero byte counts as locked and is returned as it is.
    Store_Level(0)->hLock[8] = 0xFF;
    EXPECT_EQ(Store_GetLock(1, 5), 255);
}

TEST(StoreLookup, FindLevelTakesTheFirstMatch)
{
    Fresh();
    Store_Level(0)->iDevice = 12;
    Store_Level(2)->iDevice = 40;
    Store_Level(5)->iDevice = 40;
    EXPECT_EQ(Store_FindLevel(12), 0);
    EXPECT_EQ(Store_FindLevel(40), 2);
    EXPECT_EQ(Store_FindLevel(0), 1);   // the first level without a device
    EXPECT_EQ(Store_FindLevel(41), -1);
    for (int i = 0; i < LEVEL_COUNT; ++i)
        Store_Level(i)->iDevice = i + 1;
    EXPECT_EQ(Store_FindLevel(0), -1);
    EXPECT_EQ(Store_FindLevel(26), 25);
    EXPECT_EQ(Store_ValidSource(-1, 0), 0);
    EXPECT_EQ(Store_ValidDest(26, 1), 0);
}

TEST(StoreLookup, SecondLevelOfADuplicateDeviceIsUnreachable)
{
    Fresh();
    Configure(0, 40, 9, 9);
    Store_Level(1)->iDevice = 40;
    Memory_Init();
    Store_SetTally(40, 1, 3);
    EXPECT_EQ(Store_Level(0)->hTally[1], 3);
    EXPECT_EQ(Store_Level(1)->hTally[1], 0);   // sized, but every access goes to level A
}

TEST(StoreBounds, NoOperationReachesPastTheAreas)
{
    // Counts set beyond the areas by hand: the areas still bound every access
    // (the sanitizers catch a stray byte).
    Fresh();
    Configure(0, 1, 65534, 1025);
    Memory_Init();
    Store_Level(0)->iDests = INT_MAX;
    Store_Level(0)->iSources = INT_MAX;
    for (int dest : {1024, 1025, 1026, 2000, INT_MAX, 0, -1, INT_MIN}) {
        Store_SetTally(1, dest, 7);
        Store_SetLock(1, dest, 1);
        bool inside = dest >= 1 && dest <= 1025;
        EXPECT_EQ(Store_GetTally(1, dest), inside ? 7 : -1) << dest;
        EXPECT_EQ(Store_GetLock(1, dest), inside ? 1 : 0) << dest;
    }
}

}  // namespace
