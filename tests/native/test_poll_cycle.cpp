// The poll cycle, tick by tick: which destination each tick queries, when the
// overall state is settled, and how a level fails and recovers.
#include "tests/native/test_poll_fixture.h"

#include <tuple>

#include "hostlink/hxi_messages.h"
#include "leitch/leitch.h"
#include "ui/ui_ids.h"

namespace {

using Visit = std::pair<std::string, std::string>;   // Router field, Destination field

class PollCycle : public LinkTest {
protected:
    // The Router and Destination fields shown by each of n ticks.
    std::vector<Visit> Visits(int n)
    {
        std::vector<Visit> seen;
        for (int i = 0; i < n; ++i) {
            Tick();
            seen.push_back({Caption(IDC_POLL_ROUTER), Caption(IDC_POLL_DEST)});
        }
        return seen;
    }

    std::vector<std::pair<int, int>> Queried()
    {
        std::vector<std::pair<int, int>> q;
        for (const RouterQuery& r : router.Queries())
            q.push_back({r.level, r.dest});
        return q;
    }
};

TEST_F(PollCycle, VisitsEachDestinationLevelAfterLevelAndSettlesTheOverallStateOnce)
{
    Configure({{0, 101, 3}, {2, 103, 2}});
    router.answers = [](int) { return false; };
    Start();
    fake::S().log.clear();

    std::vector<Visit> first = Visits(4);
    EXPECT_EQ(Link().iOverallState, 1);   // still the start's "good"
    EXPECT_EQ(CountLog("text 1802 'Fault'"), 0);
    std::vector<Visit> rest = Visits(6);
    first.insert(first.end(), rest.begin(), rest.end());

    std::vector<Visit> want = {{"101", "0001"}, {"101", "0002"}, {"101", "0003"}, {"103", "0001"},
                               {"103", "0002"}, {"101", "0001"}, {"101", "0002"}, {"101", "0003"},
                               {"103", "0001"}, {"103", "0002"}};
    EXPECT_EQ(first, want);
    std::vector<std::pair<int, int>> queries = {{0, 1}, {0, 2}, {0, 3}, {2, 1}, {2, 2},
                                                {0, 1}, {0, 2}, {0, 3}, {2, 1}, {2, 2}};
    EXPECT_EQ(Queried(), queries);
    // Settled on the fifth tick (the wrap after C2), and never again.
    EXPECT_EQ(Link().iOverallState, 0);
    EXPECT_EQ(CountLog("text 1802 'Fault'"), 1);
    EXPECT_EQ(StateCode(IDC_DRIVER_IND), "/__1B__");
}

TEST_F(PollCycle, StartsOnLevelAEvenWhenOnlyBIsConfigured)
{
    Configure({{1, 102, 2}});
    Start();
    std::vector<Visit> want = {{"000", "0001"}, {"102", "0001"}, {"102", "0002"}, {"102", "0001"}};
    EXPECT_EQ(Visits(4), want);
    std::vector<std::pair<int, int>> queries = {{0, 1}, {1, 1}, {1, 2}, {1, 1}};
    EXPECT_EQ(Queried(), queries);
}

// Levels from Q on cannot be addressed: skipped, failed, and not held
// against the link.
TEST_F(PollCycle, LevelsTheLinkCannotAddressAreSkipped)
{
    Configure({{0, 101, 2}, {16, 117, 2}});
    Start();
    Ticks(6);
    for (const RouterQuery& q : router.Queries())
        EXPECT_EQ(q.level, 0);
    EXPECT_EQ(Link().iComState[16], COMSTATE_FAIL);
    EXPECT_EQ(Link().iOverallState, 1);
    EXPECT_EQ(Caption(IDC_DRIVER_IND), "OK");
}

TEST_F(PollCycle, NothingIsPolledWhenNoConfiguredLevelCanBeAddressed)
{
    Configure({{20, 121, 4}});
    Start();
    Ticks(5);
    EXPECT_TRUE(FakeComms().writes.empty());
    EXPECT_EQ(Caption(IDC_POLL_ROUTER), "000");
}

TEST_F(PollCycle, ARouterThatNeverAnsweredRaisesNoAlarm)
{
    Configure({{0, 101, 3, 1}, {2, 103, 2, 3}});
    Settings().StatusInfoDriverId = 200;
    router.answers = [](int) { return false; };
    Start();
    fake::S().log.clear();
    Ticks(40);
    EXPECT_EQ(CountLog("send 2215"), 0);
    EXPECT_EQ(CountLog("hosttx 2144"), 0);
    EXPECT_EQ(Caption(IDC_STATUS_IND), "  Fail  ");
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_TXRX);
}

// Defaults, a level of 20 destinations that was OK, and a router that falls
// silent once it has answered destination 10.
TEST_F(PollCycle, ARouterFallingSilentFailsTheLevelOnTheSecondUnansweredQuery)
{
    Configure({{0, 101, 20, 5}});
    Settings().StatusInfoDriverId = 200;
    router.answers = [](int n) { return n < 10; };
    Start();
    Ticks(11);
    ASSERT_EQ(Link().iComState[0], COMSTATE_OK);
    fake::S().log.clear();

    Tick();   // queries destination 12
    EXPECT_EQ(Link().iComState[0], COMSTATE_FAIL);
    EXPECT_TRUE(fake::LogHasInOrder({"text 1801 '/__9B__'", "text 1801 '  Fail  '",
                                     "hosttx 2144 p=200 'IW 200 '0' 5'", "send 2215 w=1 l=101",
                                     "text 1801 '/__9B__'", "text 1801 '  Fail  '",
                                     "hosttx 2144 p=200 'IW 200 '0' 5'"}));
    EXPECT_EQ(CountLog("hosttx 2144"), 2);
    EXPECT_EQ(CountLog("send 2215 w=5"), 0);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_RXONLY);
    EXPECT_EQ(Caption(IDC_INTERFACE_IND), "Rx Only");

    // Destinations 13 to 20: the silence check finds the level failed.
    fake::S().log.clear();
    Ticks(8);
    EXPECT_EQ(CountLog("text 1801 'Fail'"), 8);
    EXPECT_EQ(CountLog("hosttx 2144"), 0);
    EXPECT_EQ(CountLog("send 2215"), 0);
}

// The only level, with a single destination: the cycle comes back to the
// same level every tick, and the unanswered frames keep counting there, so a
// silent router is still noticed.
TEST_F(PollCycle, ASilentRouterIsNoticedOnALoneSingleDestinationLevel)
{
    Configure({{0, 101, 1}});
    router.answers = [](int n) { return n < 1; };
    Start();
    Tick();
    ASSERT_EQ(Link().iComState[0], COMSTATE_OK);
    Ticks(5);
    EXPECT_EQ(Link().iComState[0], COMSTATE_FAIL);
    EXPECT_EQ(HostLink().iTxRxMode, TXRX_RXONLY);
}

// A level's last answer arrives once the cycle is on the next level; a level
// with one destination answers only that way, and still becomes OK.
TEST_F(PollCycle, ASingleDestinationLevelBesideOthersBecomesOk)
{
    Configure({{0, 101, 3}, {1, 102, 1}});
    Start();
    Ticks(12);
    EXPECT_EQ(Link().iComState[0], COMSTATE_OK);
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

    for (char c : std::string(">OK\r\n"))
        FakeComms().rx.push_back((unsigned char)c);
    ComSup_ReadData();
    EXPECT_EQ(Link().iUnAck, 0);
    EXPECT_EQ(FakeComms().readCalls, 1);   // a short read has emptied the ring
    EXPECT_EQ(FakeComms().errorCalls, 1);

    // A notification that finds nothing waiting counts too.
    Ticks(2);
    ComSup_ReadData();
    EXPECT_EQ(Link().iUnAck, 0);

    // Bytes are handed to the line assembler as they come, in order across
    // the drain's blocks of 256: a status line across the boundary counts.
    std::string bytes;
    while (bytes.size() < 250)
        bytes += "FILL\r\n";
    bytes = bytes.substr(0, 246) + "X\r\n" + ScriptedRouter::StatusLine(0, 1, 1) + "S:0";
    FakeComms().rx.assign(bytes.begin(), bytes.end());
    ASSERT_EQ(Link().iComState[0], COMSTATE_FAIL);
    ComSup_ReadData();
    EXPECT_EQ(Link().iComState[0], COMSTATE_OK);
    EXPECT_EQ(Leitch_RxLen(), 3);
}

TEST_F(PollCycle, TheStatusDeviceHearsTheFailureOfItsSlotTwice)
{
    Configure({{0, 101, 3}, {1, 102, 3, 12}});
    Settings().StatusInfoDriverId = 200;
    router.answers = [](int n) { return n < 6; };   // the first cycle only
    Start();
    Ticks(6);
    ASSERT_EQ(Link().iComState[1], COMSTATE_OK);
    EXPECT_EQ(CountLog("hosttx 2144 p=200 'IW 200 '1' 12'"), 1);

    Ticks(5);   // A fails on its second query; B on its second
    EXPECT_EQ(Link().iComState[1], COMSTATE_FAIL);
    int sent = 0;
    for (const fake::HostTxRecord& r : fake::S().hostTx) {
        if (r.text != "IW 200 '0' 12")
            continue;
        ++sent;
        EXPECT_EQ(std::make_tuple(r.hxi, r.msg, r.param, r.flag, r.len, (int)r.data.back()),
                  std::make_tuple(fake::kHostWnd, (unsigned)ZUV_TXINFO, 200u, 1, 14u, 0));
    }
    EXPECT_EQ(sent, 2);
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
