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

// Texts that would reach the driver with the operator panel's rights, or
// with fields it would take from an earlier command, are refused.
TEST(HostLines, CommandRefusal)
{
    const std::string panel = "# requester 0 is the operator panel: refused";
    const std::string cut = "# command cut short: refused";
    struct { std::string text, refusal; } cases[] = {
        {"RC 101 5 3 ',---' 42", ""},
        {"RQ 101 1 3 42", ""},
        {"RP 101 1 3 -5", ""},                 // the driver's access table decides
        {"RC 101 5 3 ',---' 0", panel},
        {"RQ 101 1 3 0", panel},
        {"RL 101 1 4 1", panel},               // the missing requester reads as 0
        {"RC 101 5 3 'a b c' +00", panel},     // quoted blanks, sign, zeros
        {"RC 101 5 3 x \t0", panel},          // a tab is part of the field, then skipped
        {"RQ 101 1 3 " + std::string(255, '0') + "7", panel},   // cut to 255 first
        {std::string("RQ 101 1 3 42\0", 14) + "0", ""},         // the driver stops at NUL
        {"RC", cut},
        {"RC 101 5 3 'open 42", cut},
        {"rc 101 5 3 ',---' 0", ""},           // ignored by the driver
        {"NQ 101 0 7", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CommandRefusal(c.text), c.refusal);
    }
}

TEST(HostLines, ForeignConnections)
{
    struct { const char* line; bool http; } lines[] = {
        {"POST / HTTP/1.1", true}, {"GET /", true}, {"OPTIONS * HTTP/1.1", true},
        {"RC 101 5 3 ',---' 42", false}, {"!STATUS", false}, {"GETTING", false},
    };
    for (const auto& l : lines)
        EXPECT_EQ(LooksLikeHttp(l.line), l.http) << l.line;
    EXPECT_FALSE(HoldsForeignBytes("RC 1\t2\r\n\xe9", 9));
    EXPECT_TRUE(HoldsForeignBytes("RC\0", 3));
    EXPECT_TRUE(HoldsForeignBytes("\x16\x03\x01", 3));   // a TLS hello
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

// Registrations refused while not in driver mode unless forced, and only
// the window's own process frees its devices. (The host's own test under
// Wine covers the other results.)
TEST(HostRegistry, Results)
{
    Registry reg;
    EXPECT_EQ(reg.Register(0x10, 101, 7), 0);
    EXPECT_EQ(reg.Register(0x10, 101, 7), 0);    // the same window again
    EXPECT_EQ(reg.Register(0x20, 999, 8), 0);
    EXPECT_EQ(reg.DeregisterFrom(0x10, 8), 0);    // another process
    EXPECT_EQ(reg.WindowOf(101), 0x10u);
    EXPECT_EQ(reg.DeregisterFrom(0x10, 7), 1);
    EXPECT_EQ(reg.WindowOf(101), 0u);
    EXPECT_EQ(reg.WindowOf(999), 0x20u);

    Registry off;
    off.driverMode = false;
    EXPECT_EQ(off.Register(0x10, 101, 7), 3);
    off.forced[101] = 0;
    EXPECT_EQ(off.Register(0x10, 101, 7), 0);
}

// A driver that stops answering gets nothing more but a probe per retry
// period, holds its work up to a bound, and takes it all when it answers.
TEST(HostDelivery, HungDriverHoldsItsOwnWork)
{
    Delivery d;
    Job job{1, 101, 0, 0, 0, nullptr}, sent;
    for (size_t i = 0; i < Delivery::kHeld + 1; ++i)
        EXPECT_TRUE(d.Add(job));                   // an answering driver takes a flood in turn
    std::vector<uint32_t> seqs;
    while (d.Next(0, 100, &sent))
        seqs.push_back(sent.seq);
    EXPECT_EQ(seqs.size(), Delivery::kInFlight);
    EXPECT_FALSE(d.Overdue(50, 50));
    EXPECT_TRUE(d.Overdue(51, 50));
    EXPECT_FALSE(d.Overdue(500, 50));              // reported once
    EXPECT_FALSE(d.Add(job));                      // hung: past the bound, refused
    EXPECT_EQ(d.refused, 1u);
    EXPECT_FALSE(d.Next(100, 100, &sent));         // the retry period is not over
    EXPECT_TRUE(d.Next(151, 100, &sent));          // one probe
    uint32_t probe = sent.seq;
    EXPECT_FALSE(d.Next(151, 100, &sent));
    EXPECT_TRUE(d.Answered(seqs[0], &sent));
    EXPECT_TRUE(d.recovered);
    EXPECT_FALSE(d.Answered(seqs[0], &sent));      // answered once only
    EXPECT_FALSE(d.Next(152, 100, &sent));         // the probe is still out
    EXPECT_TRUE(d.Answered(probe, &sent));
    EXPECT_TRUE(d.Next(152, 100, &sent));          // flowing again
    EXPECT_EQ(d.TakeAll().size(), Delivery::kHeld - 1);
    EXPECT_EQ(d.Held(), 0u);
}

TEST(HostDelivery, RequestGoesAlone)
{
    Delivery d;
    Job text{1, 101, 0, 0, 0, nullptr}, request{1, 101, 0, 0, 0, "GOTXRX"}, sent;
    for (const Job& j : {text, request, text})
        d.Add(j);
    ASSERT_TRUE(d.Next(0, 100, &sent));
    EXPECT_FALSE(d.Next(0, 100, &sent));           // the request waits for the text
    d.Answered(sent.seq, &sent);
    ASSERT_TRUE(d.Next(0, 100, &sent));
    EXPECT_STREQ(sent.request, "GOTXRX");
    EXPECT_FALSE(d.Next(0, 100, &sent));           // nothing goes beside it
    d.Answered(sent.seq, &sent);
    EXPECT_TRUE(d.Next(0, 100, &sent));
}

}  // namespace
