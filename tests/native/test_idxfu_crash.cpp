// A save that fails at any point (open, any block's write, flush, close,
// replace) must leave the complete old file: the next start loads either
// the old tallies or the new ones, never a mix and never a short file. The
// first start creates its files through the same save.
#include <gtest/gtest.h>

#include <functional>

#include "tests/native/test_store_support.h"

using namespace storetest;

namespace {

struct FailPoint {
    int fake::State::*failAt;
    int fake::State::*calls;
    int nth;   // which call of that step within the save
    const char* traced;
};

std::vector<FailPoint> EveryFailPoint()
{
    using S = fake::State;
    std::vector<FailPoint> points = {{&S::failOpenWriteAt, &S::openWriteCalls, 0, "open"},
                                     {&S::failFlushAt, &S::flushCalls, 0, "flush"},
                                     {&S::failCloseAt, &S::closeCalls, 0, "close"},
                                     {&S::failReplaceAt, &S::replaceCalls, 0, "replace"}};
    for (int block = 0; block < LEVEL_COUNT; ++block)
        points.push_back({&S::failWriteAt, &S::writeCalls, block, "write"});
    return points;
}

// Makes the nth call of the step fail from now on.
void Inject(const FailPoint& p) { fake::S().*p.failAt = fake::S().*p.calls + p.nth; }

// Levels A (device 1), C (device 3) and Z (device 26) sized with 1024
// destinations, so every block but the unsized ones carries data.
const int kDevices[] = {1, 3, 26};

void Levels()
{
    Fresh();
    for (int device : kDevices)
        Configure(device - 1, device, 65534, 1024);
}

// Generation g: every tally names g, the device and the destination; a lock
// is set where (d + g) is a multiple of 3.
int TallyOf(int g, int device, int dest) { return (g * 7919 + device * 1031 + dest) % 65000; }
int LockOf(int g, int dest) { return (dest + g) % 3 == 0 ? 1 : 0; }

void SetTallies(int g)
{
    for (int device : kDevices)
        for (int d = 1; d <= 1024; ++d)
            Store_SetTally(device, d, TallyOf(g, device, d));
}

bool TalliesAre(int g)
{
    for (int device : kDevices)
        for (int d = 1; d <= 1024; ++d)
            if (Store_GetTally(device, d) != TallyOf(g, device, d))
                return false;
    return true;
}

void SetLocks(int g)
{
    for (int device : kDevices)
        for (int d = 1; d <= 512; ++d)
            Store_SetLock(device, d, LockOf(g, d));
}

bool LocksAre(int g)
{
    for (int device : kDevices)
        for (int d = 1; d <= 512; ++d)
            if (Store_GetLock(device, d) != LockOf(g, d))
                return false;
    return true;
}

struct FileCase {
    const char* name;
    size_t size;
    std::function<void(int)> set;
    std::function<void()> save;
    std::function<bool(int)> holds;
};

const FileCase kFiles[] = {
    {"VAL_DRN.IDX", 53248, SetTallies, Idxfu_WriteIndex, TalliesAre},
    {"VAL_DRN.LCK", 26624, SetLocks, Idxfu_WriteLock, LocksAre},
};

TEST(IdxfuCrash, FailedSaveKeepsTheCompleteOldFile)
{
    for (const FileCase& file : kFiles) {
        for (const FailPoint& point : EveryFailPoint()) {
            SCOPED_TRACE(std::string(file.name) + " " + point.traced + " " + std::to_string(point.nth));
            Levels();
            Start();
            file.set(1);
            file.save();
            Restart();
            Start();
            file.set(2);
            Inject(point);
            file.save();
            EXPECT_TRUE(fake::Traced("Saving " + ConfigPath(file.name) + " failed at " + point.traced +
                                     "; the file was left as it was"));
            Restart();   // as after a crash: no shutdown save
            Start();
            EXPECT_EQ(File(file.name).size(), file.size);
            EXPECT_TRUE(file.holds(1));
            // The next save replaces whatever the failed one left beside it.
            file.set(3);
            file.save();
            EXPECT_FALSE(HasFile(std::string(file.name) + ".TMP"));
            EXPECT_EQ(File(file.name).size(), file.size);
        }
    }
}

}  // namespace
