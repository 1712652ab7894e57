// Frames sent to the router, byte for byte, and the levels the link refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fake/fake_comms.h"
#include "tests/native/test_leitch_support.h"

namespace {

struct FrameCase {
    const char* what;
    int level, source, dest;   // source < -1: a query
    std::vector<unsigned char> bytes;
};

std::string Bytes(const std::vector<unsigned char>& b) { return std::string(b.begin(), b.end()); }

const int kQuery = -100;

const FrameCase kFrames[] = {
    {"query A1", 0, kQuery, 1, {0x40, 0x20, 0x58, 0x3F, 0x30, 0x30, 0x0D}},
    {"query A16", 0, kQuery, 16, {0x40, 0x20, 0x58, 0x3F, 0x30, 0x46, 0x0D}},
    {"query A17", 0, kQuery, 17, {0x40, 0x20, 0x58, 0x3F, 0x30, 0x31, 0x30, 0x0D}},
    {"query A32", 0, kQuery, 32, {0x40, 0x20, 0x58, 0x3F, 0x30, 0x31, 0x46, 0x0D}},
    {"query K11 upper case", 10, kQuery, 11, {'@', ' ', 'X', '?', 'A', 'A', '\r'}},
    {"take 43 to A32", 0, 43, 32,
     {0x40, 0x20, 0x58, 0x3A, 0x30, 0x2F, 0x31, 0x46, 0x2C, 0x32, 0x41, 0x0D}},
    {"take park to A5", 0, 0, 5,
     {0x40, 0x20, 0x58, 0x3A, 0x30, 0x2F, 0x34, 0x2C, 0x46, 0x46, 0x46, 0x46, 0x46, 0x46, 0x46,
      0x46, 0x0D}},
    {"take 1 to A1", 0, 1, 1, {'@', ' ', 'X', ':', '0', '/', '0', ',', '0', '\r'}},
    {"take park to A1", 0, 0, 1,
     {'@', ' ', 'X', ':', '0', '/', '0', ',', 'F', 'F', 'F', 'F', 'F', 'F', 'F', 'F', '\r'}},
    {"take on level P", 15, 256, 1000,
     {'@', ' ', 'X', ':', 'F', '/', '3', 'E', '7', ',', 'F', 'F', '\r'}},
};

TEST(LeitchFrames, EveryFrameByteForByte)
{
    for (const FrameCase& c : kFrames) {
        leitch_test::Start({});
        if (c.source == kQuery)
            Leitch_Poll(c.level, c.dest);
        else
            Leitch_Connect(c.level, c.source, c.dest);
        std::vector<std::string> want;
        if (c.source == kQuery)
            want.push_back(std::string("@ ?\rT F\r", 8));
        want.push_back(Bytes(c.bytes));
        EXPECT_EQ(FakeComms().writes, want) << c.what;
        // Every frame is counted as unacknowledged by the link.
        EXPECT_EQ(Link().iUnAck, (int)want.size()) << c.what;
    }
}

TEST(LeitchFrames, TakeIsTracedBeforeItIsSent)
{
    leitch_test::Start({});
    Leitch_Connect(0, 43, 32);
    std::vector<std::string> want = {"<VALDRUNE>-Router Connect 42 31\n",
                                     "<VALDRUNE>-@ X:0/1F,2A\r\n", "<VALDRUNE>-@ X:0/1F,2A\r\n"};
    EXPECT_EQ(fake::S().trace, want);
}

TEST(LeitchFrames, FormattersRefuseTooSmallBuffers)
{
    char out[9];
    EXPECT_EQ(Leitch_FormatQuery(0, 32, out, 9), 8);
    EXPECT_EQ(Leitch_FormatQuery(0, 32, out, 8), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(Leitch_FormatTake(0, 0, 5, out, 9), 0);
    EXPECT_STREQ(out, "");
}

TEST(LeitchLevels, LevelsFromQAreNeverAddressed)
{
    leitch_test::Start({});
    Store_Level(15)->iDevice = 115;
    Store_Level(16)->iDevice = 116;
    Store_Level(25)->iDevice = 125;
    EXPECT_TRUE(Leitch_LevelServed(0));
    EXPECT_TRUE(Leitch_LevelServed(15));
    EXPECT_FALSE(Leitch_LevelServed(16));
    EXPECT_FALSE(Leitch_LevelServed(-1));

    Leitch_Poll(16, 1);
    Leitch_Connect(16, 1, 1);
    Leitch_Connect(25, 0, 1);
    EXPECT_TRUE(FakeComms().writes.empty());
    EXPECT_EQ(Link().iUnAck, 0);

    Leitch_TraceUnservedLevels();
    std::vector<std::string> want = {
        "<VALDRUNE>-Level Q (device 116) cannot be served over the Leitch link\n",
        "<VALDRUNE>-Level Z (device 125) cannot be served over the Leitch link\n"};
    EXPECT_EQ(fake::S().trace, want);
}

}  // namespace
