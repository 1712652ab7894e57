// A save that fails at any point (open, any block's write, flush, close,
// replace) must leave the complete old file: the next start loads either
// the old tallies or the new ones, never a mix and never a short file.
#include <gtest/gtest.h>

#include <functional>

#include "tests/native/test_store_support.h"

using namespace storetest;

namespace {

enum Step { kOpen, kWrite, kFlush, kClose, kReplace };

struct FailPoint {
    Step step;
    int nth;   // which call of that step within the save
    const char* traced;
};

std::vector<FailPoint> EveryFailPoint()
{
    std::vector<FailPoint> points = {{kOpen, 0, "open"}, {kFlush, 0, "flush"}, {kClose, 0, "close"},
                                     {kReplace, 0, "replace"}};
    for (int block = 0; block < LEVEL_COUNT; ++block)
        points.push_back({kWrite, block, "write"});
    return points;
}

// Makes the nth call of the step fail from now on.
void Inject(const FailPoint& p)
{
    fake::State& s = fake::S();
    switch (p.step) {
    case kOpen: s.failOpenWriteAt = s.openWriteCalls + p.nth; break;
    case kWrite: s.failWriteAt = s.writeCalls + p.nth; break;
    case kFlush: s.failFlushAt = s.flushCalls + p.nth; break;
    case kClose: s.failCloseAt = s.closeCalls + p.nth; break;
    case kReplace: s.failReplaceAt = s.replaceCalls + p.nth; break;
    }
}

// Levels A (device 1), C (device 3) and Z (device 26) sized with 1024
// destinations, so every block but the unsized ones carries data.
void Levels()
{
    Fresh();
    Configure(0, 1, 65534, 1024);
    Configure(2, 3, 65534, 1024);
    Configure(25, 26, 65534, 1024);
}

const int kDevices[] = {1, 3, 26};

// Generation g of the tallies: every destination of every sized level holds
// a value that names g, the device and the destination.
int TallyOf(int g, int device, int dest) { return (g * 7919 + device * 1031 + dest) % 65000; }

void SetTallies(int g)
{
    for (int device : kDevices)
        for (int d = 1; d <= 1024; ++d)
            Store_SetTally(device, d, TallyOf(g, device, d));
}

// The generation every tally belongs to, or -1 when they are a mix.
int LoadedGeneration(int a, int b)
{
    for (int g : {a, b}) {
        bool all = true;
        for (int device : kDevices)
            for (int d = 1; d <= 1024 && all; ++d)
                all = Store_GetTally(device, d) == TallyOf(g, device, d);
        if (all)
            return g;
    }
    return -1;
}

// Lock generation g: destination d of every sized level locked when
// (d + g) is a multiple of 3.
void SetLocks(int g)
{
    for (int device : kDevices)
        for (int d = 1; d <= 512; ++d)
            Store_SetLock(device, d, (d + g) % 3 == 0);
}

int LoadedLockGeneration(int a, int b)
{
    for (int g : {a, b}) {
        bool all = true;
        for (int device : kDevices)
            for (int d = 1; d <= 512 && all; ++d)
                all = Store_GetLock(device, d) == ((d + g) % 3 == 0 ? 1 : 0);
        if (all)
            return g;
    }
    return -1;
}

struct FileCase {
    const char* name;
    size_t size;
    std::function<void(int)> set;
    std::function<void()> save;
    std::function<int(int, int)> loaded;
};

const FileCase kFiles[] = {
    {"VAL_DRN.IDX", 53248, SetTallies, Idxfu_WriteIndex, LoadedGeneration},
    {"VAL_DRN.LCK", 26624, SetLocks, Idxfu_WriteLock, LoadedLockGeneration},
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
            EXPECT_TRUE(Traced("Saving " + ConfigPath(file.name) + " failed at " + point.traced +
                               "; the file was left as it was"));
            Restart();   // as after a crash: no shutdown save
            Start();
            EXPECT_EQ(File(file.name).size(), file.size);
            EXPECT_EQ(file.loaded(1, 2), 1);
        }
    }
}

TEST(IdxfuCrash, SaveAfterAFailureReplacesTheStrayFile)
{
    for (const FileCase& file : kFiles) {
        SCOPED_TRACE(file.name);
        Levels();
        Start();
        file.set(1);
        Inject({kWrite, 3, "write"});
        file.save();
        std::string temp = std::string(file.name) + ".TMP";
        EXPECT_TRUE(HasFile(temp));   // half written, beside the untouched file
        fake::S().failWriteAt = -1;
        file.save();
        EXPECT_FALSE(HasFile(temp));
        Restart();
        Start();
        EXPECT_EQ(File(file.name).size(), file.size);
        EXPECT_EQ(file.loaded(1, 1), 1);
    }
}

TEST(IdxfuCrash, FailedFirstSaveLeavesNoFileOrAWholeOne)
{
    // Neither file exists yet; the creation at the first start fails
    // somewhere. The next start finds no file (or a whole one) and
    // starts from unknown tallies and clear locks.
    for (const FailPoint& point : EveryFailPoint()) {
        SCOPED_TRACE(std::string(point.traced) + " " + std::to_string(point.nth));
        Levels();
        Inject(point);
        Start();
        EXPECT_FALSE(HasFile("VAL_DRN.IDX"));
        Restart();
        Start();
        EXPECT_EQ(File("VAL_DRN.IDX").size(), 53248u);
        EXPECT_EQ(File("VAL_DRN.LCK").size(), 26624u);
        for (int device : kDevices) {
            EXPECT_EQ(Store_GetTally(device, 1), 65535);
            EXPECT_EQ(Store_GetLock(device, 1), 0);
        }
    }
}

TEST(IdxfuCrash, SuccessfulSaveLoadsTheNewGeneration)
{
    Levels();
    Start();
    for (int g = 1; g <= 3; ++g) {
        SetTallies(g);
        Idxfu_WriteIndex();
        Restart();
        Start();
        EXPECT_EQ(LoadedGeneration(g - 1, g), g);
    }
}

}  // namespace
