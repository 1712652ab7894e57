// The poll cycle, tick by tick: which destination each tick queries, when the
// overall state is settled, and how a level fails and recovers.
#include "tests/native/test_poll_fixture.h"

#include "leitch/leitch.h"

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

// Levels from Q on cannot be addressed: skipped, failed, and not held
// against the link; with nothing else configured nothing is polled. The
// cycle starts on level A even when only B is configured.
TEST_F(PollCycle, LevelsTheLinkCannotAddressAreSkipped)
{
    Configure({{1, 102, 2}, {16, 117, 2}});
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
    EXPECT_EQ(Caption(IDC_POLL_ROUTER), "000");
}

// A lone level of one destination comes back to itself every tick, and its
// unanswered frames keep counting, so a silent router is still noticed; one
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

    Configure({{0, 101, 3}, {1, 102, 1}});
    Start();
    Ticks(12);
    EXPECT_EQ(Link().iComState[1], COMSTATE_OK);
    EXPECT_EQ(Link().iOverallState, 1);
}

TEST_F(PollCycle, AnyReceivedByteCountsAsASignOfLife)
{
    Configure({{0, 101, 20}});
    Start();
    router.answers = [](int) { return false; };
    Ticks(2);
    ASSERT_EQ(Link().iUnAck, 5);
    FakeComms().rx = {'>', 'O', 'K', '\r', '\n'};
    fake::S().log.clear();
    ComSup_ReadData();
    EXPECT_EQ(Link().iUnAck, 0);
    EXPECT_EQ(std::make_pair(CountLog("read"), CountLog("comm error")), std::make_pair(1, 1));   // a short read empties the ring

    Ticks(2);   // a notification that finds nothing waiting counts too
    ComSup_ReadData();
    EXPECT_EQ(Link().iUnAck, 0);

    // Bytes reach the line assembler in order across the drain's blocks of
    // 256: a status line across the boundary counts.
    std::string bytes = std::string(246, '.') + "X\r\n" + ScriptedRouter::StatusLine(0, 1) + "S:0";
    FakeComms().rx.assign(bytes.begin(), bytes.end());
    ASSERT_EQ(Link().iComState[0], COMSTATE_FAIL);
    ComSup_ReadData();
    EXPECT_EQ(Link().iComState[0], COMSTATE_OK);
    EXPECT_EQ(Leitch_RxLen(), 3);
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
