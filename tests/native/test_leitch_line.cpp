// The line assembler, the reading of status line fields, and the frames
// sent to the router byte for byte (levels the link cannot address are
// read through the poll cycle and the take).
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/fake/fake_comms.h"
#include "tests/native/test_leitch_support.h"

namespace {

using leitch_test::Feed;

// Line feeds are skipped anywhere, a zero byte ends the text, a reset
// drops the line in progress; each line is decoded whole at its CR.
TEST(LeitchLine, LinesReachTheDecoderWhole)
{
    const struct {
        std::string bytes;
        bool reset;
        int before, after;   // tally of destination 32 before and after a CR
    } cases[] = {
        {"\nS:0\n1F,2A\r\n\n", false, 43, 43},
        {std::string("S:01F,2A\0S:\r", 12), false, 43, 43},
        {"S:01F,2A", true, 0, 0},
        {"S:01F,2", false, 0, 3},
    };
    for (const auto& c : cases) {
        leitch_test::Start({{0, 101, 43, 32}});
        Feed(c.bytes);
        if (c.reset)
            Leitch_ResetLine();
        EXPECT_EQ(Store_GetTally(101, 32), c.before) << c.bytes;
        Feed("\r");
        EXPECT_EQ(Store_GetTally(101, 32), c.after) << c.bytes;
        EXPECT_EQ(Leitch_RxLen(), 0);
    }
}

// 300 bytes without CR: positions 0 to 254 fill, the 256th byte is dropped,
// the rest go on from position 1 over the older bytes. The spliced text is
// never decoded; the next line is read afresh.
TEST(LeitchLine, OverlongLineWrapsToPositionOneAndIsNeverDecoded)
{
    leitch_test::Start({{0, 101, 43, 32}});
    std::string bytes(300, ' ');
    for (int i = 0; i < 256; ++i)
        bytes[i] = (char)('a' + i % 26);
    bytes[0] = '#';
    bytes.replace(256, 8, "S:01F,2A");
    Feed(bytes);
    EXPECT_EQ(Leitch_RxLen(), 45);
    EXPECT_EQ(std::string((const char*)Leitch_RxLine()), "#" + bytes.substr(256, 44) + bytes.substr(45, 210));
    EXPECT_EQ(Leitch_RxLine()[255], 0);
    Feed("\r");
    EXPECT_EQ(Store_GetTally(101, 32), 0);
    Feed("S:01F,2A\r");
    EXPECT_EQ(Store_GetTally(101, 32), 43);
}

const int U = LEITCH_UNREADABLE;
const int N = LEITCH_NOT_STATUS;
const int S = LEITCH_STATUS;

TEST(LeitchStatusLine, FieldsAreReadFromTheMark)
{
    const struct {
        const char* line;
        int kind, level, dest, source;
    } cases[] = {
        {"S:01F,2A", S, 0, 32, 43},
        {"S:01F,2A,X", S, 0, 32, -1},
        {"> S:3A,X", S, 3, 11, -1},
        {"S:A00,4", S, 10, 1, 5},            // levels up to F
        {"S:F3E7,FF", S, 15, 1000, 256},
        {"S:0 1F, 2A", S, 0, 32, 43},        // blanks before either number are skipped
        {"S:0000000001F,2A", S, 0, 32, 43},
        {"S:01F,FFFFFFFF", S, 0, 32, 0},     // 32-bit wire values: FFFFFFFF is number 0
        {"S:0FFFFFFFF,0", S, 0, 0, 1},
        {"S:07FFFFFFF,7FFFFFFF", S, 0, INT_MAX, INT_MAX},
        {"OK", N, 0, 0, 0},
        {"s:01F,2A", N, 0, 0, 0},
        {"S:", U, 0, 0, 0},                  // status lines whose fields cannot be read
        {"S:0,2A", U, 0, 0, 0},
        {"S:0G,2A", U, 0, 0, 0},
        {"S:01F ,2A", U, 0, 0, 0},
        {"S:01F,x", U, 0, 0, 0},
        {"S:0123456789,0", U, 0, 0, 0},
        {"S:01F,100000000", U, 0, 0, 0},
    };
    for (const auto& c : cases) {
        LeitchStatus st = {-7, -7, -7};
        EXPECT_EQ(Leitch_ParseStatus(c.line, &st), c.kind) << c.line;
        LeitchStatus want = c.kind == S ? LeitchStatus{c.level, c.dest, c.source} : LeitchStatus{-7, -7, -7};
        EXPECT_EQ(std::vector<int>({st.level, st.dest, st.source}), std::vector<int>({want.level, want.dest, want.source}))
            << c.line << (c.kind == S ? "" : ": an unread field was written");
    }
}

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
        {16, kQuery, 1, ""},              {16, 1, 1, ""},                  {25, 0, 1, ""},   // from Q on: nothing
    };
    for (const auto& c : frames) {
        leitch_test::Start({});
        std::vector<std::string> want;
        if (!c.bytes.empty())
            want.push_back(c.bytes);
        if (c.source == kQuery) {
            Leitch_Poll(c.level, c.dest);
            if (!want.empty())   // the prefix goes before every query
                want.insert(want.begin(), std::string("@ ?\rT F\r", 8));
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

}  // namespace
