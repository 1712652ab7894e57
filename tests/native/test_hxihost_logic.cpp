// The host interface's line handling, request parsing, names and
// registrations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "stand-ins/hxihost/host_logic.h"

using namespace hxihost;

namespace {

std::vector<std::string> Feed(LineReader& r, const std::string& bytes)
{
    std::vector<InLine> lines;
    FeedBytes(r, bytes.data(), bytes.size(), lines);
    std::vector<std::string> out;
    for (const InLine& l : lines)
        out.push_back(l.tooLong ? "<too long>" : l.text);
    return out;
}

TEST(HostLines, SplitAcrossReadsAndLineEnds)
{
    LineReader r;
    EXPECT_TRUE(Feed(r, "RC 101 ").empty());
    EXPECT_EQ(Feed(r, "5 3\r\nRQ 101 1 1 0\n\n"),
              (std::vector<std::string>{"RC 101 5 3", "RQ 101 1 1 0", ""}));
}

TEST(HostLines, OverLongLinesAreDiscardedWhole)
{
    LineReader r;
    std::string max(kMaxLine, 'x');
    EXPECT_EQ(Feed(r, max + "\r\n"), (std::vector<std::string>{max}));
    EXPECT_EQ(Feed(r, max + "y\n"), (std::vector<std::string>{"<too long>"}));
    // A flood without line ends is reported once, and the next line is whole.
    EXPECT_TRUE(Feed(r, std::string(100000, 'z')).empty());
    EXPECT_EQ(Feed(r, "tail\nRQ 101 1 1 0\n"),
              (std::vector<std::string>{"<too long>", "RQ 101 1 1 0"}));
    EXPECT_LE(r.partial.size(), kMaxLine + 1);
}

TEST(HostLines, SlowClientLosesItsOldestLinesCounted)
{
    OutQueue q(40);
    for (int i = 0; i < 10; ++i)
        q.Push("line " + std::to_string(i));   // 7 bytes each with LF
    EXPECT_EQ(q.Dropped(), 5u);
    std::string line;
    ASSERT_TRUE(q.Pop(&line));
    EXPECT_EQ(line, "# 5 lines dropped\n");
    ASSERT_TRUE(q.Pop(&line));
    EXPECT_EQ(line, "line 5\n");
    while (q.Pop(&line)) {
    }
    EXPECT_EQ(line, "line 9\n");
    EXPECT_TRUE(q.Empty());
    q.Push(std::string(100, 'b'));   // one line larger than the limit still goes out
    ASSERT_TRUE(q.Pop(&line));
    EXPECT_EQ(line.size(), 101u);
}

TEST(HostLines, Requests)
{
    // (The host's own test under Wine covers the well-formed requests.)
    struct { const char* line; RequestKind kind; int device, except; const char* error; } cases[] = {
        {"!gotxrx 101 102", REQ_GOTXRX, 101, 102, ""},
        {"!STATUS", REQ_STATUS, 0, 0, ""},
        {"!INQTXRX 101 102", REQ_BAD, 0, 0, "usage: !INQTXRX <device>"},
        {"!GOTXRX 1x1", REQ_BAD, 0, 0, "not a number: 1x1"},
        {"!", REQ_BAD, 0, 0, "unknown request: !"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        Request r = ParseRequest(c.line, &error);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.device, c.device);
        EXPECT_EQ(r.except, c.except);
        EXPECT_EQ(error, c.error);
    }
}

// Message data goes out as one line: control characters become blanks and
// the text ends at its NUL or its length.
TEST(HostLines, DataText)
{
    const char data[] = "RR\r\n1\t2\0hidden";
    EXPECT_EQ(DataText(data, sizeof data), "RR  1 2");
    EXPECT_EQ(DataText("abc", 2), "ab");
}

TEST(HostNames, FileNamesElseMadeUp)
{
    Names names;
    EXPECT_EQ(names.Load("# comment\r\n101 S 7 CAMERA 7\n101 d 3 MONITOR WALL LEFT SIDE\n"
                         "bad line\n101 X 1 nope\n0 S 1 nope\n"),
              2);
    EXPECT_EQ(names.Get(101, 1, 3), "MONITOR WALL LEFT");   // 17 characters
    EXPECT_EQ(names.Get(102, 0, 1), "SRC 001");

    unsigned char block[NAME_REQUEST_SIZE];
    NameRequest_Build(block, 101, NAME_KIND_DEST, 1000);
    AnswerNameBlock(names, block, sizeof block);
    EXPECT_STREQ((const char*)block, "DST 1000");
    EXPECT_EQ(block[17], 0);
}

// Registrations refused while not in driver mode unless forced, and a
// deregistration frees the window's devices. (The host's own test under
// Wine covers the other results.)
TEST(HostRegistry, Results)
{
    Registry reg;
    EXPECT_EQ(reg.Register(0x10, 101), 0);
    EXPECT_EQ(reg.Register(0x10, 101), 0);    // the same window again
    EXPECT_EQ(reg.Register(0x20, 999), 0);
    EXPECT_EQ(reg.Deregister(0x10), 1);
    EXPECT_EQ(reg.WindowOf(101), 0u);
    EXPECT_EQ(reg.WindowOf(999), 0x20u);

    Registry off;
    off.driverMode = false;
    EXPECT_EQ(off.Register(0x10, 101), 3);
    off.forced[101] = 0;
    EXPECT_EQ(off.Register(0x10, 101), 0);
}

}  // namespace
