// Link health against router behaviours and limits: one level of eight
// destinations polled for 20 ticks. Per tick the events are written as
//   O  the level went back to OK (IW '1')
//   L  the error limit failed it (Rx only asserted, IW '0' twice)
//   S  the silence check failed it (2215 with mode 5, IW '0' once)
//   f  the silence check wrote "Fail" on the Status indicator
// in the order they happened, e.g. "12:L 13:f 15:O".
#include "tests/native/test_poll_fixture.h"

#include <algorithm>
#include <map>

#include "leitch/leitch.h"
#include "ui/version.h"

namespace {

// Which queries (0-based) the router answers.
bool Always(int) { return true; }
bool DropThird(int n) { return (n + 1) % 3 != 0; }
bool Silent4(int n) { return n < 10 || n >= 14; }
bool Silent7(int n) { return n < 10 || n >= 17; }

// "from:e from+1:e ... to:e"
std::string Each(int from, int to, const char* e)
{
    std::string s;
    for (int t = from; t <= to; ++t)
        s += (t > from ? " " : "") + std::to_string(t) + ":" + e;
    return s;
}

struct HealthCase {
    bool (*answers)(int);
    int lateTicks, maxUnAcks, errorLimit;
    std::string events;
    int finalMode;
    int takesPerTick = 0;   // a salvo of takes after each tick's poll
};

const HealthCase kCases[] = {
    {Always, 0, 5, 5, "1:O", TXRX_TXRX},
    {Always, 0, 3, 10, "1:O", TXRX_TXRX},
    {Always, 0, 10, 3, "1:O " + Each(2, 20, "LO"), TXRX_RXONLY},
    {Always, 2, 5, 5, "3:O", TXRX_TXRX},
    {DropThird, 0, 5, 5, "1:O 4:LO 7:LO 10:LO 13:LO 16:LO 19:LO", TXRX_RXONLY},
    {DropThird, 0, 3, 10, "1:O 4:SfO 7:SfO 13:SfO 16:SfO 19:SfO", TXRX_TXRX},
    {DropThird, 0, 10, 3,
     "1:O 2:LO 3:L 4:O 5:LO 6:L 7:O 8:LO 9:L 10:O 11:LO 12:L 13:O 14:LO 15:L 16:O 17:LO 18:L 19:O 20:LO",
     TXRX_RXONLY},
    {Silent4, 0, 5, 5, "1:O 12:L 13:f 15:O", TXRX_RXONLY},
    {Silent4, 0, 3, 10, "1:O 12:Sf 13:f 15:O", TXRX_TXRX},
    {Silent4, 0, 10, 3, "1:O " + Each(2, 10, "LO") + " 11:L 15:O " + Each(16, 20, "LO"), TXRX_RXONLY},
    {Silent7, 0, 5, 5, "1:O 12:L 13:f 18:O", TXRX_RXONLY},
    // The router answers polls, never takes: a salvo between two polls is
    // no sign of silence, while unanswered polls still fail the level.
    {Always, 0, 5, 5, "1:O", TXRX_TXRX, 16},
    {Silent4, 0, 5, 5, "1:O 12:L 13:f 15:O", TXRX_RXONLY, 16},
};

class LinkHealth : public LinkTest {
protected:
    // The events logged since line `from`, with the effects that must come
    // with them checked on the way ('0': an IW '0'). The status texts carry
    // their length with the NUL, as the host library takes it.
    std::string EventsSince(size_t from, int tick)
    {
        static const std::map<std::string, char> kEvents = {
            {"hosttx 2144 p=200 'IW 200 '1' 7' f=1 n=13", 'O'}, {"hosttx 2144 p=200 'IW 200 '0' 7' f=1 n=13", '0'},
            {"send 2215 w=1 l=101", 'L'}, {"send 2215 w=5 l=101", 'S'}, {"text 1801 'Fail'", 'f'}};
        std::string events;
        for (size_t i = from; i < fake::S().log.size(); ++i)
            if (kEvents.count(fake::S().log[i]))
                events += kEvents.at(fake::S().log[i]);
        auto n = [&](char e) { return (int)std::count(events.begin(), events.end(), e); };
        EXPECT_EQ(n('0'), 2 * n('L') + n('S')) << "tick " << tick;
        events.erase(std::remove(events.begin(), events.end(), '0'), events.end());
        if (!events.empty())
            EXPECT_EQ(Caption(IDC_STATUS_IND),
                      events.back() == 'O' ? "  Ok  " : events.back() == 'L' ? "  Fail  " : "Fail") << "tick " << tick;
        return events;
    }
};

TEST_F(LinkHealth, FollowsTheStateTable)
{
    for (const HealthCase& c : kCases) {
        SCOPED_TRACE(c.events + ", MaxUnAcks " + std::to_string(c.maxUnAcks) + ", CommErrorLimit " +
                     std::to_string(c.errorLimit));
        Configure({{0, 101, 8, 7}});
        Settings().StatusInfoDriverId = 200;
        Settings().MaxUnAcks = c.maxUnAcks;
        Settings().CommErrorLimit = c.errorLimit;
        router.answers = c.answers;
        router.lateTicks = c.lateTicks;
        Start();
        std::string all;
        for (int tick = 1; tick <= 20; ++tick) {
            size_t from = fake::S().log.size();
            Ticks();
            for (int t = 0; t < c.takesPerTick; ++t)
                Leitch_Connect(0, t % 8 + 1, t % 8 + 1);
            std::string events = EventsSince(from, tick);
            if (!events.empty())
                all += (all.empty() ? "" : " ") + std::to_string(tick) + ":" + events;
        }
        EXPECT_EQ(all, c.events);
        // A router that answers again brings the level back by itself; the
        // interface mode it dropped to is the host's to change.
        EXPECT_EQ(Link().iComState[0] == COMSTATE_OK, all.back() == 'O');
        EXPECT_EQ(HostLink().iTxRxMode, c.finalMode);
        EXPECT_EQ(Caption(IDC_INTERFACE_IND), c.finalMode == TXRX_RXONLY ? "Rx Only" : "Tx/Rx");
        const std::string title = std::string("title 'VALDRUNE v" VALDRN_VERSION_TEXT " - ") + Settings().Name;
        EXPECT_EQ(fake::CountLog(title + " - Rx Only'") > 0, c.finalMode == TXRX_RXONLY);
    }
}

}  // namespace
