// Frames sent to the router, byte for byte, and the levels the link refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fake/fake_comms.h"
#include "tests/native/test_leitch_support.h"

namespace {

const int kQuery = -100;

TEST(LeitchFrames, EveryFrameByteForByte)
{
    const struct {
        int level, source, dest;   // source kQuery: a query
        std::string bytes;
    } frames[] = {
        {0, kQuery, 1, "@ X?00\r"},     {0, kQuery, 16, "@ X?0F\r"},     {0, kQuery, 17, "@ X?010\r"},
        {0, kQuery, 32, "@ X?01F\r"},   {10, kQuery, 11, "@ X?AA\r"},    {0, 43, 32, "@ X:0/1F,2A\r"},
        {0, 0, 5, "@ X:0/4,FFFFFFFF\r"}, {0, 1, 1, "@ X:0/0,0\r"},       {15, 256, 1000, "@ X:F/3E7,FF\r"},
    };
    for (const auto& c : frames) {
        leitch_test::Start({});
        std::vector<std::string> want = {c.bytes};
        if (c.source == kQuery) {
            Leitch_Poll(c.level, c.dest);
            want.insert(want.begin(), std::string("@ ?\rT F\r", 8));   // goes before every query
        } else {
            Leitch_Connect(c.level, c.source, c.dest);
        }
        EXPECT_EQ(FakeComms().writes, want) << c.bytes;
    }
    char out[9];
    EXPECT_EQ(Leitch_FormatQuery(0, 32, out, 9), 8);
    EXPECT_EQ(Leitch_FormatQuery(0, 32, out, 8), 0) << "a buffer too small is refused";
    EXPECT_STREQ(out, "");
    EXPECT_EQ(Leitch_FormatTake(0, 0, 5, out, 9), 0);
}

// Levels from Q on are never addressed, nor counted as unanswered.
TEST(LeitchFrames, LevelsFromQAreNeverAddressed)
{
    leitch_test::Start({});
    EXPECT_EQ(std::vector<bool>({Leitch_LevelServed(15), Leitch_LevelServed(16), Leitch_LevelServed(-1)}),
              std::vector<bool>({true, false, false}));
    Leitch_Poll(16, 1);
    Leitch_Connect(16, 1, 1);
    Leitch_Connect(25, 0, 1);
    EXPECT_TRUE(FakeComms().writes.empty());
    EXPECT_EQ(Link().iUnAck, 0);
    Store_Level(16)->iDevice = 116;
    Leitch_TraceUnservedLevels();
    EXPECT_TRUE(fake::Traced("Level Q (device 116) cannot be served over the Leitch link"));
}

}  // namespace
