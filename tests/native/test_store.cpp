// Sizing from the database files, range checks and the areas' boundaries;
// the lookup of a level by device is read through the status decoder.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/native/test_store_support.h"

using namespace storetest;

namespace {

// Counts as the database texts give them (cut to seven characters, capped
// at the areas); only a level with both counts positive gets its areas.
TEST(Store, SizingFromTheDatabaseTexts)
{
    const struct {
        const char* sources;
        const char* dests;   // null: key absent
        int wantSources, wantDests;
    } cases[] = {
        {"5", "3", 5, 3},          {"70000", "5000", 65534, 1025}, {nullptr, nullptr, -1, 0},
        {"8", nullptr, 8, -1},     {"0", "9", 0, 0},               {"16", "12abc", 16, 12},
        {"00000123", "00000456", 12, 45}, {"65535", "1026", 65534, 1025}, {"-3", "5", -3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.sources ? c.sources : "-") + " " + (c.dests ? c.dests : "-"));
        Fresh();
        Store_Level(0)->iDevice = 10;
        WriteDev(10, c.sources, c.dests);
        WriteDev(0, "5", "5");   // must not size the levels without a device
        Memory_Init();
        const LEVELINFO& l = *Store_Level(0);
        EXPECT_EQ(std::vector<int>({l.iSources, l.iDests}), std::vector<int>({c.wantSources, c.wantDests}));
        EXPECT_EQ(l.hTally != nullptr && l.hLock != nullptr, c.wantSources > 0 && c.wantDests > 0);
        EXPECT_EQ(Store_Level(1)->hTally, nullptr);
        EXPECT_EQ(fake::CountLog("profile"), 0) << "sizing writes nothing";
    }
}

// Level 10 with 5 sources and 3 destinations: a failed check does nothing.
// A device past three digits finds its database file too.
TEST(Store, RangeChecks)
{
    Fresh();
    Configure(0, 10, 5, 3);
    Configure(3, 1234, 2, 2);
    Memory_Init();
    EXPECT_NE(Store_Level(3)->hTally, nullptr);
    const struct { int device, dest, source, tally; } tallies[] = {
        {10, 1, 5, 5}, {10, 3, 0, 0}, {10, 2, 6, 0}, {10, 2, -1, 0}, {10, 0, 1, -1}, {10, 4, 1, -1}, {11, 1, 1, -1}};
    for (const auto& t : tallies) {
        Store_SetTally(t.device, t.dest, t.source);
        EXPECT_EQ(Store_GetTally(t.device, t.dest), t.tally) << t.device << " " << t.dest << " " << t.source;
    }
    const struct { int dest, flag, lock; } locks[] = {{1, 5, 1}, {1, 0, 0}, {2, -1, 1}, {4, 1, 0}, {0, 1, 0}};
    for (const auto& l : locks) {
        Store_SetLock(10, l.dest, l.flag);
        EXPECT_EQ(Store_GetLock(10, l.dest), l.lock) << l.dest << " " << l.flag;
    }
    EXPECT_EQ(Store_GetLock(11, 1), 0);
    EXPECT_EQ(std::vector<int>({Store_ValidSource(0, 0), Store_ValidSource(0, 5), Store_ValidSource(0, 6),
                                Store_ValidDest(0, 0), Store_ValidDest(0, 3), Store_ValidDest(0, 4),
                                Store_ValidSource(-1, 0), Store_ValidDest(26, 1)}),
              std::vector<int>({1, 1, 0, 0, 1, 0, 0, 0}));
}

// Each area may fail on its own; a restart brings them back zeroed.
TEST(Store, AllocationFailuresAndRestart)
{
    for (int fail : {0, 1}) {
        Fresh();
        Configure(0, 10, 5, 3);
        Store_FailAllocationAt(fail);
        Memory_Init();
        Store_SetTally(10, 1, 4);
        Store_SetLock(10, 1, 1);
        EXPECT_EQ(Store_GetTally(10, 1), fail == 0 ? -1 : 4);
        EXPECT_EQ(Store_GetLock(10, 1), fail == 1 ? 0 : 1);
        Memory_Free();
        EXPECT_EQ(Store_GetTally(10, 1), -1);
        Memory_Init();
        EXPECT_EQ(std::make_pair(Store_GetTally(10, 1), Store_GetLock(10, 1)), std::make_pair(0, 0));
    }
}

// Counts set beyond the areas by hand: the areas still bound every access
// (the sanitizers catch a stray byte).
TEST(Store, NoOperationReachesPastTheAreas)
{
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
