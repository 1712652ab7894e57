// A long random run of store operations against a tiny model written
// straight from the rules, compared after every step: range checks in the
// wrong order, off-by-one bounds or a write into the wrong slot show up here
// even where no single hand-picked case looks.
#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "tests/native/test_store_support.h"

using namespace storetest;

namespace {

const int kSlots = 1025;

struct ModelLevel {
    int device = 0;
    int sources = 0;
    int dests = 0;
    bool hasTally = false;
    bool hasLock = false;
    int tally[kSlots + 1] = {};   // by destination, 1 to 1025
    int lock[kSlots + 1] = {};
};

struct Model {
    ModelLevel level[LEVEL_COUNT];

    int Find(int device) const
    {
        for (int i = 0; i < LEVEL_COUNT; ++i)
            if (level[i].device == device)
                return i;
        return -1;
    }
    int GetTally(int device, int dest) const
    {
        int i = Find(device);
        if (i < 0 || dest < 1 || dest > level[i].dests || !level[i].hasTally)
            return -1;
        return level[i].tally[dest];
    }
    void SetTally(int device, int dest, int source)
    {
        int i = Find(device);
        if (i < 0 || dest < 1 || dest > level[i].dests || source < 0 || source > level[i].sources ||
            !level[i].hasTally)
            return;
        level[i].tally[dest] = source;
    }
    int GetLock(int device, int dest) const
    {
        int i = Find(device);
        if (i < 0 || dest < 1 || dest > level[i].dests || !level[i].hasLock)
            return 0;
        return level[i].lock[dest];
    }
    void SetLock(int device, int dest, int flag)
    {
        int i = Find(device);
        if (i < 0 || dest < 1 || dest > level[i].dests || !level[i].hasLock)
            return;
        level[i].lock[dest] = flag != 0 ? 1 : 0;
    }
};

// Levels of the run: database texts (null: key absent) and the counts they
// must give.
struct LevelSetup {
    int index, device;
    const char* sources;
    const char* dests;
    int wantSources, wantDests;
};
const LevelSetup kSetup[] = {
    {0, 10, "5", "3", 5, 3},
    {1, 10, "5", "3", 5, 3},                 // same device, same file: never reached
    {2, 20, "70000", "5000", 65534, 1025},   // both capped
    {3, 30, nullptr, nullptr, -1, 0},        // no database file
    {4, 40, "8", nullptr, 8, -1},
    {5, -7, "2", "1", 2, 1},
    {6, 1000, "0", "9", 0, 0},
    {8, 50, "3", "1025", 3, 1025},
    {9, 60, "16", "12abc", 16, 12},
    {10, 61, "  +8", "3", 8, 3},
    {11, 62, "00000123", "00000456", 12, 45},   // cut to seven characters
    {12, 63, "65535", "1025", 65534, 1025},
    {13, 64, "65534", "1026", 65534, 1025},
    {14, 65, "x", "5", 0, 0},
    {15, 66, "-3", "5", -3, 0},
    {16, 67, nullptr, "5", -1, 0},
};
// Sized levels in index order; each allocates its tally area, then its lock area.
const int kSized[] = {0, 1, 2, 5, 8, 9, 10, 11, 12, 13};

const int kDevices[] = {10, 20, 30, 40, -7, 1000, 50, 60, 62, 0, 99, -1, INT_MIN, INT_MAX};
const int kDests[] = {INT_MIN, -1, 0, 1, 2, 3, 4, 19, 20, 21, 1023, 1024, 1025, 1026, INT_MAX};
const int kSources[] = {INT_MIN, -1, 0, 1, 2, 3, 5, 6, 50, 51, 65533, 65534, 65535, 65536, INT_MAX};
const int kFlags[] = {0, 1, 5, -1, 255, 256, INT_MIN};

template <size_t N>
int Pick(std::mt19937& rng, const int (&values)[N])
{
    return values[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

void SizeStoreAndModel(Model& model, int failAllocation)
{
    model = Model();
    for (const LevelSetup& s : kSetup) {
        ModelLevel& m = model.level[s.index];
        m.device = s.device;
        m.sources = s.wantSources;
        m.dests = s.wantDests;
        m.hasTally = m.hasLock = s.wantSources > 0 && s.wantDests > 0;
        m.tally[kSlots] = STORE_TALLY_UNKNOWN;   // the spare entry starts unknown
    }
    if (failAllocation >= 0) {
        ModelLevel& m = model.level[kSized[failAllocation / 2]];
        (failAllocation % 2 == 0 ? m.hasTally : m.hasLock) = false;
    }
    Store_FailAllocationAt(failAllocation);
    Memory_Init();
}

// The first difference between the store's whole state, byte for byte, and
// the model; empty when there is none.
std::string Difference(const Model& model)
{
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        const LEVELINFO& s = *Store_Level(i);
        const ModelLevel& m = model.level[i];
        std::string at = "level " + std::to_string(i);
        if (s.iDevice != m.device || s.iSources != m.sources || s.iDests != m.dests)
            return at + ": device or counts";
        if ((s.hTally != nullptr) != m.hasTally || (s.hLock != nullptr) != m.hasLock)
            return at + ": areas";
        for (int d = 1; d <= kSlots; ++d) {
            int k = 2 * (d - 1);
            if (s.hTally && s.hTally[k] * 256 + s.hTally[k + 1] != m.tally[d])
                return at + " dest " + std::to_string(d) + ": tally";
            if (s.hLock && (s.hLock[k] != m.lock[d] || s.hLock[k + 1] != 0))
                return at + " dest " + std::to_string(d) + ": lock";
        }
    }
    return "";
}

TEST(StoreModel, RandomOperationsMatchTheModel)
{
    Fresh();
    for (const LevelSetup& s : kSetup) {
        Store_Level(s.index)->iDevice = s.device;
        WriteDev(s.device, s.sources, s.dests);
    }
    WriteDev(0, "5", "5");   // must not size the levels without a device
    Model model;
    SizeStoreAndModel(model, -1);
    ASSERT_EQ(Difference(model), "");
    EXPECT_TRUE(fake::S().log.empty()) << "sizing writes and reports nothing";

    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> op(0, 99);
    std::uniform_int_distribution<int> anyDest(1, 1100);
    std::uniform_int_distribution<int> anySource(0, 70000);
    for (int step = 0; step < 8000; ++step) {
        int device = Pick(rng, kDevices);
        int dest = rng() % 3 ? Pick(rng, kDests) : anyDest(rng);
        int kind = op(rng);
        if (kind < 35) {
            int source = rng() % 3 ? Pick(rng, kSources) : anySource(rng);
            Store_SetTally(device, dest, source);
            model.SetTally(device, dest, source);
        } else if (kind < 55) {
            ASSERT_EQ(Store_GetTally(device, dest), model.GetTally(device, dest)) << "step " << step << ": " << device << " " << dest;
        } else if (kind < 75) {
            int flag = Pick(rng, kFlags);
            Store_SetLock(device, dest, flag);
            model.SetLock(device, dest, flag);
        } else if (kind < 90) {
            ASSERT_EQ(Store_GetLock(device, dest), model.GetLock(device, dest)) << "step " << step << ": " << device << " " << dest;
        } else if (kind < 98) {
            int index = Store_FindLevel(device);
            ASSERT_EQ(index, model.Find(device)) << "step " << step << ": " << device;
            if (index >= 0) {
                int source = Pick(rng, kSources);
                const ModelLevel& m = model.level[index];
                ASSERT_EQ(Store_ValidDest(index, dest), dest >= 1 && dest <= m.dests ? 1 : 0);
                ASSERT_EQ(Store_ValidSource(index, source), source >= 0 && source <= m.sources ? 1 : 0);
            }
        } else {
            // A restart of the store: every area goes, then comes back zeroed,
            // sometimes with one allocation failing.
            Memory_Free();
            for (ModelLevel& m : model.level)
                m.hasTally = m.hasLock = false;
            ASSERT_EQ(Difference(model), "") << "step " << step;
            int fail = rng() % 2 ? (int)(rng() % (2 * (sizeof kSized / sizeof kSized[0]))) : -1;
            SizeStoreAndModel(model, fail);
        }
        ASSERT_EQ(Difference(model), "") << "step " << step;
    }
}

}  // namespace
