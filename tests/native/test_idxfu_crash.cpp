// A save that fails at any point (open, any block's write, flush, close,
// replace) must leave the complete old file: the next start loads either
// the old tallies or the new ones, never a mix and never a short file. The
// first start creates its files through the same save.
#include <gtest/gtest.h>

#include <string>

#include "tests/native/test_store_support.h"

using namespace storetest;

namespace {

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
