// The poll cycle, tick by tick: which destination each tick queries, when the
// overall state is settled, and how a level fails and recovers.
#include "tests/native/test_poll_fixture.h"

#include "hostlink/hxi_messages.h"
#include "leitch/leitch.h"

#include <climits>

namespace {

class PollCycle : public LinkTest {
protected:
    // The Router/Destination fields shown by each of n ticks, and the
    // level/destination of every query sent, as "101/0001 ..." and "0/1 ...".
    std::pair<std::string, std::string> Visits(int n)
    {
        std::string shown, queried;
        for (int i = 0; i < n; ++i) {
            Ticks();
            shown += (i ? " " : "") + Caption(IDC_POLL_ROUTER) + "/" + Caption(IDC_POLL_DEST);
        }
        for (const auto& q : router.queries)
            queried += (queried.empty() ? "" : " ") + std::to_string(q.first) + "/" + std::to_string(q.second);
        return {shown, queried};
    }
};

TEST_F(PollCycle, VisitsEachDestinationLevelAfterLevelAndSettlesTheOverallStateOnce)
{
    Configure({{0, 101, 3}, {2, 103, 2}});
    router.answers = [](int) { return false; };
    Start();
    fake::S().log.clear();
    Ticks(4);
    EXPECT_EQ(Link().iOverallState, 1);   // still the start's "good"
    EXPECT_EQ(CountLog("text 1802 'Fault'"), 0);
    EXPECT_EQ(Visits(6), std::make_pair(std::string("103/0002 101/0001 101/0002 101/0003 103/0001 103/0002"),
                                        std::string("0/1 0/2 0/3 2/1 2/2 0/1 0/2 0/3 2/1 2/2")));
    // Settled on the fifth tick (the wrap after C2), and never again.
    EXPECT_EQ(Link().iOverallState, 0);
    EXPECT_EQ(CountLog("text 1802 'Fault'"), 1);
    EXPECT_EQ(fake::S().states[IDC_DRIVER_IND], "/__1B__");
}

// Levels from Q on cannot be addressed: never registered (in simulation
// the store serves them), skipped, and not held against the link; with
// nothing else configured nothing is polled and the driver reads as a
// fault. The cycle starts on level A even when only B is configured.
TEST_F(PollCycle, LevelsTheLinkCannotAddressAreSkipped)
{
    Configure({{1, 102, 2}, {16, 117, 2}});
    for (int simulation : {0, 1}) {
        Settings().Simulation = simulation;
        Hxi_RegisterDevices();
        Hxi_AssertMode(HXI_ASSERT_RXONLY, 0);
        EXPECT_EQ(CountLog("send 2193 w=4096 l=117") + CountLog("send 2215 w=1 l=117"), 2 * simulation);
        EXPECT_EQ(CountLog("send 2193 w=4096 l=102"), simulation + 1);
    }
    Settings().Simulation = 0;
    Start();
    EXPECT_TRUE(fake::Traced("Level Q (device 117) cannot be served over the Leitch link"));
    EXPECT_EQ(Visits(4), std::make_pair(std::string("000/0001 102/0001 102/0002 102/0001"),
                                        std::string("0/1 1/1 1/2 1/1")));
    EXPECT_EQ(Link().iComState[16], COMSTATE_FAIL);
    EXPECT_EQ(Link().iOverallState, 1);

    Configure({{20, 121, 4}});
    Start();
    Ticks(5);
    EXPECT_TRUE(FakeComms().writes.empty());
    EXPECT_EQ(Link().iOverallState, 0);
    EXPECT_EQ(Caption(IDC_DRIVER_IND), "Fault");
}

// A lone level of one destination comes back to itself every tick, and its
// unanswered frames keep counting (up to a ceiling, never overflowing), so
// a silent router is still noticed; one
// beside others answers its last query once the cycle is on the next level,
// and still becomes OK.
TEST_F(PollCycle, SingleDestinationLevels)
{
    Configure({{0, 101, 1}});
    router.answers = [](int n) { return n < 1; };
    Start();
    Ticks();
    ASSERT_EQ(Link().iComState[0], COMSTATE_OK);
    Ticks(5);
    EXPECT_EQ(Link().iComState[0], COMSTATE_FAIL);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_RXONLY);
    Link().iUnAck = INT_MAX - 2;
    Ticks(3);
    EXPECT_EQ(Link().iUnAck, INT_MAX);

    Configure({{0, 101, 3}, {1, 102, 1}});
    Start();
    Ticks(12);
    EXPECT_EQ(Link().iComState[1], COMSTATE_OK);
    EXPECT_EQ(Link().iOverallState, 1);
}

// Only a decoded status line is a sign of life (the dialects the decoder
// reads clear the count there). After two good answers the router sends,
// per poll, the frames just written (a loop-back plug), bytes at the wrong
// speed, a line of noise or an error text: each fails the level within the
// limits, Rx only asserted, and keeps it failed.
TEST_F(PollCycle, OnlyAnAnswerIsASignOfLife)
{
    for (std::string noise : {"", "\xF8\x80\x1C\xE6x~\r\xFE", "Z#Q!S:\r\n", "ERROR\r\n>"}) {
        SCOPED_TRACE(noise);
        Configure({{0, 101, 20}});
        Start();
        for (int tick = 1; tick <= 20; ++tick) {
            const size_t written = FakeComms().writes.size();
            Dialog_Tally();
            router.Step();
            std::string bytes = noise.empty() ? FakeComms().writes[written] + FakeComms().writes[written + 1] : noise;
            if (tick > 2)
                FakeComms().rx.assign(bytes.begin(), bytes.end());
            ComSup_ReadData();
            EXPECT_EQ(Link().iComState[0], tick < 4 ? COMSTATE_OK : COMSTATE_FAIL) << "tick " << tick;
        }
        EXPECT_EQ(HostLink().iTxRxMode, TXRX_RXONLY);
    }
}

TEST_F(PollCycle, TheMinimisedPanelIsNotUpdated)
{
    Configure({{0, 101, 3}});
    router.answers = [](int) { return false; };
    Start();
    fake::S().iconic = 1;
    Ticks(2);
    EXPECT_EQ(CountLog("text 1701"), 0);
    EXPECT_EQ(Link().bDriverOkShown, 0);
    fake::S().iconic = 0;
    Ticks(2);
    EXPECT_EQ(Caption(IDC_POLL_DEST), "0001");   // the cycle went on meanwhile
    EXPECT_EQ(CountLog("text 1802 'OK'"), 1);
}

}  // namespace
