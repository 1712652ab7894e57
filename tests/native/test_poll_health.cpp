// Link health against router behaviours and limits: one level of eight
// destinations polled for 20 ticks. Per tick the events are written as
//   O  the level went back to OK (IW '1')
//   L  the error limit failed it (Rx only asserted, IW '0' twice)
//   S  the silence check failed it (2215 with mode 5, IW '0' once)
//   f  the silence check wrote "Fail" on the Status indicator
// in the order they happened, e.g. "12:L 13:f 15:O".
#include "tests/native/test_poll_fixture.h"

#include <algorithm>
#include <functional>

#include "leitch/leitch.h"
#include "ui/ui_ids.h"

namespace {

struct Behaviour {
    const char* name;
    std::function<bool(int)> answers;
    int lateTicks;
};

const Behaviour kAlways{"always", [](int) { return true; }, 0};
const Behaviour kLate{"two ticks late", [](int) { return true; }, 2};
const Behaviour kDropThird{"drops every third", [](int n) { return (n + 1) % 3 != 0; }, 0};
const Behaviour kSilent4{"silent 4 ticks", [](int n) { return n < 10 || n >= 14; }, 0};
const Behaviour kSilent7{"silent 7 ticks", [](int n) { return n < 10 || n >= 17; }, 0};

struct HealthCase {
    const Behaviour* router;
    int maxUnAcks;
    int errorLimit;
    const char* events;
    int finalMode;
    int takesPerTick = 0;   // a salvo of takes after each tick's poll
};

const HealthCase kCases[] = {
    {&kAlways, 5, 5, "1:O", TXRX_TXRX},
    {&kAlways, 3, 10, "1:O", TXRX_TXRX},
    {&kAlways, 10, 3,
     "1:O 2:LO 3:LO 4:LO 5:LO 6:LO 7:LO 8:LO 9:LO 10:LO 11:LO 12:LO 13:LO 14:LO 15:LO 16:LO "
     "17:LO 18:LO 19:LO 20:LO",
     TXRX_RXONLY},
    {&kLate, 5, 5, "3:O", TXRX_TXRX},
    {&kLate, 3, 10, "3:O", TXRX_TXRX},
    {&kLate, 10, 3,
     "3:O 4:LO 5:LO 6:LO 7:LO 8:LO 9:LO 10:LO 11:LO 12:LO 13:LO 14:LO 15:LO 16:LO 17:LO 18:LO "
     "19:LO 20:LO",
     TXRX_RXONLY},
    {&kDropThird, 5, 5, "1:O 4:LO 7:LO 10:LO 13:LO 16:LO 19:LO", TXRX_RXONLY},
    {&kDropThird, 3, 10, "1:O 4:SfO 7:SfO 13:SfO 16:SfO 19:SfO", TXRX_TXRX},
    {&kDropThird, 10, 3,
     "1:O 2:LO 3:L 4:O 5:LO 6:L 7:O 8:LO 9:L 10:O 11:LO 12:L 13:O 14:LO 15:L 16:O 17:LO 18:L "
     "19:O 20:LO",
     TXRX_RXONLY},
    {&kSilent4, 5, 5, "1:O 12:L 13:f 15:O", TXRX_RXONLY},
    {&kSilent4, 3, 10, "1:O 12:Sf 13:f 15:O", TXRX_TXRX},
    {&kSilent4, 10, 3,
     "1:O 2:LO 3:LO 4:LO 5:LO 6:LO 7:LO 8:LO 9:LO 10:LO 11:L 15:O 16:LO 17:LO 18:LO 19:LO 20:LO",
     TXRX_RXONLY},
    {&kSilent7, 5, 5, "1:O 12:L 13:f 18:O", TXRX_RXONLY},
    {&kSilent7, 3, 10, "1:O 12:Sf 13:f 18:O", TXRX_TXRX},
    {&kSilent7, 10, 3, "1:O 2:LO 3:LO 4:LO 5:LO 6:LO 7:LO 8:LO 9:LO 10:LO 11:L 18:O 19:LO 20:LO",
     TXRX_RXONLY},
    // The router answers polls, never takes: a salvo between two polls is
    // no sign of silence, while unanswered polls still fail the level.
    {&kAlways, 5, 5, "1:O", TXRX_TXRX, 16},
    {&kSilent4, 5, 5, "1:O 12:L 13:f 15:O", TXRX_RXONLY, 16},
    {&kSilent4, 3, 10, "1:O 12:Sf 13:f 15:O", TXRX_TXRX, 16},
};

class LinkHealth : public LinkTest {
protected:
    // The events of one tick, read from what it made visible, with the
    // effects that must come with them checked on the way.
    std::string TickEvents(int tick)
    {
        size_t from = fake::S().log.size();
        Tick();
        return EventsSince(from, tick);
    }

    std::string EventsSince(size_t from, int tick)
    {
        std::string events;
        int iwOk = 0, iwFail = 0;
        for (size_t i = from; i < fake::S().log.size(); ++i) {
            const std::string& line = fake::S().log[i];
            if (line == "hosttx 2144 p=200 'IW 200 '1' 7'") {
                events += 'O';
                ++iwOk;
            } else if (line == "hosttx 2144 p=200 'IW 200 '0' 7'") {
                ++iwFail;
            } else if (line == "send 2215 w=1 l=101") {
                events += 'L';
            } else if (line == "send 2215 w=5 l=101") {
                events += 'S';
            } else if (line == "text 1801 'Fail'") {
                events += 'f';
            }
        }
        int limits = (int)std::count(events.begin(), events.end(), 'L');
        int silences = (int)std::count(events.begin(), events.end(), 'S');
        EXPECT_EQ(iwFail, 2 * limits + silences) << "tick " << tick;
        if (!events.empty())
            EXPECT_EQ(Caption(IDC_STATUS_IND), CaptionAfter(events.back())) << "tick " << tick;
        return events;
    }

    static std::string CaptionAfter(char event)
    {
        switch (event) {
        case 'O': return "  Ok  ";
        case 'L': return "  Fail  ";
        default: return "Fail";
        }
    }
};

TEST_F(LinkHealth, FollowsTheStateTable)
{
    for (const HealthCase& c : kCases) {
        SCOPED_TRACE(std::string(c.router->name) + ", MaxUnAcks " + std::to_string(c.maxUnAcks) +
                     ", CommErrorLimit " + std::to_string(c.errorLimit));
        SetUp();
        router = ScriptedRouter();
        Configure({{0, 101, 8, 7}});
        Settings().StatusInfoDriverId = 200;
        Settings().MaxUnAcks = c.maxUnAcks;
        Settings().CommErrorLimit = c.errorLimit;
        router.answers = c.router->answers;
        router.lateTicks = c.router->lateTicks;
        Start();

        std::string all;
        for (int tick = 1; tick <= 20; ++tick) {
            std::string events = TickEvents(tick);
            size_t from = fake::S().log.size();
            for (int t = 0; t < c.takesPerTick; ++t)
                Leitch_Connect(0, t % 8 + 1, t % 8 + 1);
            events += EventsSince(from, tick);
            if (!events.empty())
                all += (all.empty() ? "" : " ") + std::to_string(tick) + ":" + events;
        }
        EXPECT_EQ(all, c.events);
        // A router that answers again brings the level back by itself; the
        // interface mode it dropped to is the host's to change.
        EXPECT_EQ(Link().iComState[0] == COMSTATE_OK, all.back() == 'O');
        EXPECT_EQ(HostLink().iTxRxMode, c.finalMode);
        EXPECT_EQ(Caption(IDC_INTERFACE_IND), c.finalMode == TXRX_RXONLY ? "Rx Only" : "Tx/Rx");
    }
}

}  // namespace
