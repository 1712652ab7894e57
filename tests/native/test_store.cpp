// The byte layout of the areas, the database file names, level lookup and
// the areas' boundaries. Sizing and range checks are covered by the model
// check in test_store_model.cpp.
#include <gtest/gtest.h>

#include <climits>

#include "tests/native/test_store_support.h"

using namespace storetest;

namespace {

TEST(Store, DatabaseFileNamesAreTraced)
{
    Fresh();
    Configure(0, 7, 2, 2);
    Configure(3, 1234, 2, 2);
    Memory_Init();
    EXPECT_NE(Store_Level(3)->hTally, nullptr);
    const std::vector<std::string> want = {
        "<VALDRUNE>-Memory_Init config dir: \n", "<VALDRUNE>-" + kDir + "\\DEV_007.INI\n",
        "<VALDRUNE>-Memory_Init config dir: \n", "<VALDRUNE>-" + kDir + "\\DEV_1234.INI\n"};
    EXPECT_EQ(fake::S().trace, want);
}

TEST(Store, TalliesAreBigEndianPairsAndLocksOneByteAtEvenOffsets)
{
    Fresh();
    Configure(0, 1, 400, 1025);
    Memory_Init();
    Store_SetTally(1, 1, 0x0101);
    Store_SetTally(1, 2, 300);
    Store_SetTally(1, 1025, 400);
    const unsigned char* t = Store_Level(0)->hTally;
    EXPECT_EQ(std::vector<int>({t[0], t[1], t[2], t[3], t[2048], t[2049]}),
              std::vector<int>({0x01, 0x01, 0x01, 0x2C, 0x01, 0x90}));

    Store_SetLock(1, 3, 5);
    Store_SetLock(1, 1025, -1);
    const unsigned char* l = Store_Level(0)->hLock;
    EXPECT_EQ(std::vector<int>({l[4], l[5], l[2048]}), std::vector<int>({1, 0, 1}));
    // Any non-zero byte counts as locked and is returned as it is.
    Store_Level(0)->hLock[8] = 0xFF;
    EXPECT_EQ(Store_GetLock(1, 5), 255);
}

TEST(Store, FindLevelTakesTheFirstMatch)
{
    Fresh();
    Store_Level(0)->iDevice = 12;
    Store_Level(2)->iDevice = 40;
    Store_Level(5)->iDevice = 40;
    EXPECT_EQ(Store_FindLevel(40), 2);
    EXPECT_EQ(Store_FindLevel(0), 1);   // the first level without a device
    for (int i = 0; i < LEVEL_COUNT; ++i)
        Store_Level(i)->iDevice = i + 1;
    EXPECT_EQ(Store_FindLevel(0), -1);
    EXPECT_EQ(Store_ValidSource(-1, 0), 0);
    EXPECT_EQ(Store_ValidDest(26, 1), 0);
}

TEST(Store, NoOperationReachesPastTheAreas)
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
