// The host interface's line handling, request parsing, names, registrations
// and delivery to the driver.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "stand-ins/hxihost/host_logic.h"

using namespace hxihost;

namespace {

using Lines = std::vector<std::string>;

Lines Feed(LineReader& r, const std::string& bytes)
{
    std::vector<InLine> lines;
    FeedBytes(r, bytes.data(), bytes.size(), lines);
    Lines out;
    for (const InLine& l : lines)
        out.push_back(l.tooLong ? "<too long>" : l.text);
    return out;
}

// Lines split across reads and ended by CR LF or LF; an over-long line is
// discarded whole, a flood without line ends reported once, and the next
// line is whole.
TEST(HostLines, Reader)
{
    LineReader r;
    std::string max(kMaxLine, 'x');
    EXPECT_TRUE(Feed(r, "RC 101 ").empty());
    EXPECT_EQ(Feed(r, "5 3\r\nRQ 101 1 1 0\n\n" + max + "\r\n" + max + "y\n"),
              (Lines{"RC 101 5 3", "RQ 101 1 1 0", "", max, "<too long>"}));
    EXPECT_TRUE(Feed(r, std::string(100000, 'z')).empty());
    EXPECT_EQ(Feed(r, "tail\nRQ 101 1 1 0\n"), (Lines{"<too long>", "RQ 101 1 1 0"}));
    EXPECT_LE(r.partial.size(), kMaxLine + 1);
}

// A slow client loses its oldest lines, counted; one line larger than the
// limit still goes out.
TEST(HostLines, OutQueue)
{
    OutQueue q(40);
    for (int i = 0; i < 10; ++i)
        q.Push("line " + std::to_string(i));   // 7 bytes each with LF
    Lines out;
    for (std::string line; q.Pop(&line);)
        out.push_back(line);
    EXPECT_EQ(out, (Lines{"# 5 lines dropped\n", "line 5\n", "line 6\n", "line 7\n", "line 8\n", "line 9\n"}));
    q.Push(std::string(100, 'b'));
    std::string line;
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
        {"RP 101 1 3 -5", ""},                 // the driver's access table decides
        {"RC 101 5 3 ',---' 0", panel},
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
    for (const auto& c : cases)
        EXPECT_EQ(CommandRefusal(c.text), c.refusal) << c.text;
}

// Foreign connections, malformed requests, and message data as one line
// (control characters blank, ended at its NUL or its length); the host's own
// test under Wine covers the well-formed requests.
TEST(HostLines, ForeignBytesRequestsAndData)
{
    for (const char* line : {"POST / HTTP/1.1", "GET /", "OPTIONS * HTTP/1.1"})
        EXPECT_TRUE(LooksLikeHttp(line)) << line;
    for (const char* line : {"RC 101 5 3 ',---' 42", "!STATUS", "GETTING"})
        EXPECT_FALSE(LooksLikeHttp(line)) << line;
    EXPECT_FALSE(HoldsForeignBytes("RC 1\t2\r\n\xe9", 9));
    EXPECT_TRUE(HoldsForeignBytes("RC\0", 3));
    EXPECT_TRUE(HoldsForeignBytes("\x16\x03\x01", 3));   // a TLS hello

    struct { const char* line; RequestKind kind; int device, except; const char* error; } cases[] = {
        {"!gotxrx 101 102", REQ_GOTXRX, 101, 102, ""},
        {"!INQTXRX 101 102", REQ_BAD, 0, 0, "usage: !INQTXRX <device>"},
        {"!GOTXRX 1x1", REQ_BAD, 0, 0, "not a number: 1x1"},
        {"!", REQ_BAD, 0, 0, "unknown request: !"},
    };
    for (const auto& c : cases) {
        std::string error;
        Request r = ParseRequest(c.line, &error);
        EXPECT_EQ(std::make_tuple(r.kind, r.device, r.except, error), std::make_tuple(c.kind, c.device, c.except, std::string(c.error))) << c.line;
    }
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
    EXPECT_EQ(reg.Register(0x10, 101, 7) + reg.Register(0x10, 101, 7) + reg.Register(0x20, 999, 8), 0);
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

// A request goes alone: it waits for the text before it, and nothing goes
// beside it.
TEST(HostDelivery, RequestGoesAlone)
{
    Delivery d;
    Job text{1, 101, 0, 0, 0, nullptr}, request{1, 101, 0, 0, 0, "GOTXRX"}, sent;
    for (const Job& j : {text, request, text})
        d.Add(j);
    ASSERT_TRUE(d.Next(0, 100, &sent));
    EXPECT_FALSE(d.Next(0, 100, &sent));
    d.Answered(sent.seq, &sent);
    ASSERT_TRUE(d.Next(0, 100, &sent));
    EXPECT_STREQ(sent.request, "GOTXRX");
    EXPECT_FALSE(d.Next(0, 100, &sent));
    d.Answered(sent.seq, &sent);
    EXPECT_TRUE(d.Next(0, 100, &sent));
}

}  // namespace
