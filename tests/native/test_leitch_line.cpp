// The line assembler and the reading of status line fields.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tests/native/test_leitch_support.h"

namespace {

using leitch_test::Feed;

// Lines that reached the decoder, as it traces them (only lines with "S:"
// are traced).
std::vector<std::string> DecodedLines()
{
    std::vector<std::string> lines;
    for (const std::string& t : fake::S().trace)
        if (t.find("S:") != std::string::npos)
            lines.push_back(t.substr(11, t.size() - 12));   // without "<VALDRUNE>-" and LF
    return lines;
}

TEST(LeitchLine, LinesReachTheDecoderWhole)
{
    const struct {
        std::string bytes;
        std::vector<std::string> decoded;
    } cases[] = {
        {"S:\r>\rOK\r\r", {}},                     // too short to decode
        {"S:0\r", {"S:0"}},
        {"\nS:0\n1F,2A\r\n\n", {"S:01F,2A"}},         // line feeds skipped anywhere
        {std::string("S:01F,2A\0S:\r", 12), {"S:01F,2A"}},   // a zero byte ends the text
        {"S:0xyzzy", {}},                           // a reset line starts afresh
    };
    for (const auto& c : cases) {
        leitch_test::Start({});
        Feed(c.bytes);
        if (Leitch_RxLen())
            Leitch_ResetLine();
        Feed("abc\r");
        EXPECT_EQ(DecodedLines(), c.decoded) << c.bytes;
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
    EXPECT_EQ(DecodedLines(), std::vector<std::string>{"S:01F,2A"});
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

}  // namespace
