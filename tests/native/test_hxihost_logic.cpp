// The host interface's command refusal, request parsing and delivery to the
// driver. Its line reader, output queue, names and registry are read through
// the host's own test under Wine and the end-to-end suite.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "stand-ins/hxihost/host_logic.h"

using namespace hxihost;

namespace {

// Texts that would reach the driver with the operator panel's rights, or
// with fields it would take from an earlier command, are refused, judged on
// the characters the driver keeps. The fields are read by the driver's own
// reader (its details are CmdTokenize's), and the fuzz target
// fuzz_host_reading holds the host to the driver's reading of any text.
TEST(HostLines, CommandRefusal)
{
    const std::string panel = "# requester 0 is the operator panel: refused", cut = "# command cut short: refused";
    struct { std::string text, refusal; } cases[] = {
        {"RC 101 5 3 ',---' 42", ""},
        {"RP 101 1 3 -5", ""},                 // the driver's access table decides
        {"RC 101 5 3 ',---' 0", panel},
        {"RL 101 1 4 1", panel},               // the missing requester reads as 0
        {std::string("RQ 101 1 3 42\0", 14) + "0", ""},         // the driver stops at NUL
        {"RQ 101 1 3" + std::string(600, ' ') + "7", panel},    // 7 lies past what the driver keeps
        {"RQ 101 1 3" + std::string(500, ' ') + "07", panel},   // only its 0 is kept
        {"RQ 101 1 3 42 " + std::string(600, 'x'), ""},         // fields whole in the kept part
        {"RC 101 5 3 'open 42", cut},
        {"rc 101 5 3 ',---' 0", ""},           // ignored by the driver
        {"NQ 101 0 7", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandRefusal(c.text), c.refusal) << c.text;
}

// A connection's first line decides at any length: over the limit (before
// its end arrives) or an HTTP request line closes it; later lines do not.
TEST(HostLines, FirstLineDecides)
{
    const std::string tooLong = "# first line too long: closed", longPath(kMaxLine + 100, 'a');
    struct { std::string bytes, refusal; } cases[] = {
        {"POST /" + longPath + " HTTP/1.1\r\nContent-Type: text/plain\r\n\r\nRC 101 9 9 x 42\n", tooLong},
        {"RC 101 " + longPath, tooLong},
        {"RC 101 5 3 x 42\nPOST / HTTP/1.1\n", ""},
    };
    for (const auto& c : cases) {
        LineReader reader;
        std::vector<InLine> lines;
        FeedBytes(reader, c.bytes.data(), c.bytes.size(), lines);
        EXPECT_EQ(FirstLineRefusal(reader, lines), c.refusal) << c.bytes.substr(0, 40);
    }
}

// Requests in any case, numbers read whole, and message data as one line
// (control characters blank, ended at its NUL or its length). The host's
// own test under Wine covers the well-formed and unknown requests, and
// foreign connections.
TEST(HostLines, RequestsAndData)
{
    std::string error;
    Request r = ParseRequest("!gotxrx 101 102", &error);
    EXPECT_EQ(std::make_tuple(r.kind, r.device, r.except, error), std::make_tuple(REQ_GOTXRX, 101, 102, std::string()));
    EXPECT_EQ(ParseRequest("!GOTXRX 1x1", &error).kind, REQ_BAD);
    EXPECT_EQ(error, "not a number: 1x1");
    const char data[] = "RR\r\n1\t2\0hidden";
    EXPECT_EQ(DataText(data, sizeof data), "RR  1 2");
    EXPECT_EQ(DataText("abc", 2), "ab");
}

// A driver that stops answering gets nothing more but a probe per retry
// period, holds its work up to a bound, and takes it all when it answers.
TEST(HostDelivery, HungDriverHoldsItsOwnWork)
{
    Delivery d;
    Job job{1, 101, 0, 0, 0, nullptr}, sent;
    for (size_t i = 0; i < Delivery::kHeld + 1; ++i)
        EXPECT_EQ(d.Add(job), ADD_QUEUED);         // an answering driver takes a flood in turn
    std::vector<uint32_t> seqs;
    while (d.Next(0, 100, &sent))
        seqs.push_back(sent.seq);
    EXPECT_EQ(seqs.size(), Delivery::kInFlight);
    EXPECT_FALSE(d.Overdue(50, 50));
    EXPECT_TRUE(d.Overdue(51, 50));
    EXPECT_FALSE(d.Overdue(500, 50));              // reported once
    EXPECT_EQ(d.Add(job), ADD_HELD_FULL);          // hung: past the bound, refused
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

// One client's flood neither holds up nor shuts out the others: clients
// take turns, each within its own share, and past the driver's bound a
// client with few commands waiting still gets in.
TEST(HostDelivery, ClientsTakeTurnsWithinTheirShares)
{
    Delivery d;
    for (uint64_t client = 1; client <= Delivery::kQueued / Delivery::kPerClient; ++client)
        for (size_t i = 0; i < Delivery::kPerClient; ++i)
            ASSERT_EQ(d.Add(Job{client, 101, 0, 0, 0, nullptr}), ADD_QUEUED);
    EXPECT_EQ(d.Add(Job{1, 101, 0, 0, 0, nullptr}), ADD_SHARE_FULL);
    for (size_t i = 0; i < Delivery::kFloor; ++i)
        ASSERT_EQ(d.Add(Job{99, 101, 0, 0, 0, nullptr}), ADD_QUEUED);
    EXPECT_EQ(d.Add(Job{99, 101, 0, 0, 0, nullptr}), ADD_SHARE_FULL);
    std::vector<uint64_t> order;
    for (Job sent; d.Next(0, 100, &sent);)
        order.push_back(sent.client);
    EXPECT_EQ(order, (std::vector<uint64_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

// A command text is fetched only once its announcement is sent, only by
// the process owning the driver window, and only once.
TEST(HostDelivery, TextFetchedOnceByItsDriver)
{
    TextOffers offers;
    std::string text;
    offers.Offer(7, "RC 101 5 3 x 42", 40);
    EXPECT_FALSE(offers.Take(7, 41, &text));
    EXPECT_TRUE(offers.Take(7, 40, &text) && text == "RC 101 5 3 x 42");
    EXPECT_FALSE(offers.Take(7, 40, &text));
}

}  // namespace
