// The router link outside the poll cycle: the port, frames that cannot be
// written, the poll start and simulation.
#include "tests/native/test_poll_fixture.h"

#include "leitch/leitch.h"

namespace {

class ComSup : public LinkTest {};

TEST_F(ComSup, OpensTheConfiguredPortWithItsLineSettings)
{
    Configure({});
    Settings().Speed = 9600;
    Settings().DataBits = 7;
    Settings().Com = 3;
    FakeComms().openResult = 2;
    const std::pair<char, int> parity[] = {{'e', 2}, {'n', 0}, {'o', 1}, {'m', 3}, {'s', 4}, {'x', 0}};
    for (const auto& row : parity) {
        fake::S().log.clear();
        Settings().Parity = row.first;
        EXPECT_EQ(ComSup_Init(), 2);
        EXPECT_EQ(fake::S().log, (std::vector<std::string>{"open 3 9600 7 0 " + std::to_string(row.second),
                                                           "notify 4096 64"})) << row.first;
    }
    EXPECT_EQ(Link().iPortIndex, 2);
}

// Only a write that fails loses the port, and only once it was opened: it
// is closed and opened again every 2 s with its settings, never with a
// box. A take before the open writes nothing; a write its time-out cut
// short is traced and keeps the port. A negative TallyDelay polls on the
// default 1 s, so that is every second tick, not every 2,000th. The frames
// still count, so the level fails meanwhile, and the router's answers bring
// it back after. A line cut by the loss is dropped: the first bytes after
// the reopen are never decoded onto the bytes before it. (A port lost under
// the reader thread is drilled end to end.)
TEST_F(ComSup, ALostPortIsOpenedAgainEveryTwoSecondsWithoutABox)
{
    Configure({{0, 101, 20}});
    Settings().TallyDelay = -1;
    Settings().bDebugMode = 1;
    Link().bPortOpen = 0;
    Leitch_Connect(0, 2, 2);
    Start();
    EXPECT_EQ(fake::S().timers[PANEL_TIMER_POLL], 1000u);
    Ticks(2);
    ASSERT_EQ(Link().iComState[0], COMSTATE_OK);
    FakeComms().writeResult = 3;
    Leitch_Connect(0, 2, 2);
    EXPECT_TRUE(fake::Traced("Tx cut short on Port 2: 3 of 10 bytes written in time"));
    EXPECT_EQ(FakeComms().writes.size(), 5u);   // two polls and the one take
    FakeComms().openResult = -1;
    FakeComms().writeResult = -1;
    leitch_test::Feed("S:0");
    Dialog_Tally();
    FakeComms().writeResult = 0;
    EXPECT_EQ(CountLog("close"), 1);
    const size_t written = FakeComms().writes.size();
    Ticks(12);
    EXPECT_EQ(CountLog("open "), 1 + 6);
    EXPECT_EQ(FakeComms().writes.size(), written);
    EXPECT_EQ(Link().iComState[0], COMSTATE_FAIL);
    EXPECT_EQ(CountLog("box"), 0);
    FakeComms().openResult = 1;
    for (int tick = 0; tick < 4 && Link().bPortLost; ++tick)
        Dialog_Tally();
    ASSERT_FALSE(Link().bPortLost);
    leitch_test::Feed("13,9\r\n");   // spliced: "S:013,9", destination 20 from source 10
    EXPECT_NE(Store_GetTally(101, 20), 10);
    Ticks(5);
    EXPECT_EQ(CountLog("notify 4096 64"), 2);
    EXPECT_EQ(Link().iComState[0], COMSTATE_OK);
}

// Bytes lost in the ring: the line they were part of is never decoded, the
// next whole line is.
TEST_F(ComSup, AnOverrunDropsTheLineInProgress)
{
    Configure({{0, 101, 20}});
    Start();
    const std::string line = ScriptedRouter::StatusLine(0, 1);
    auto receive = [](const std::string& bytes, int mask) {
        FakeComms().rx.assign(bytes.begin(), bytes.end());
        FakeComms().errorMask = mask;
        ComSup_ReadData();
    };
    receive(line.substr(0, 4), COMMS_CE_RXOVER);
    receive(line.substr(4), 0);
    EXPECT_EQ(Link().iComState[0], COMSTATE_FAIL);
    receive(line, 0);
    EXPECT_EQ(Link().iComState[0], COMSTATE_OK);
}

TEST_F(ComSup, ThePollStartFailsEveryLevelAndStartsPolling)
{
    Configure({{0, 101, 3, 4}, {1, 102, 3, 5}});
    Settings().StatusInfoDriverId = 200;
    Settings().TallyDelay = 250;
    for (int i = 0; i < LEVEL_COUNT; ++i)
        Link().iComState[i] = COMSTATE_OK;
    Start();
    for (int i = 0; i < LEVEL_COUNT; ++i)
        EXPECT_EQ(Link().iComState[i], COMSTATE_FAIL);
    EXPECT_EQ(CountLog("hosttx 2144"), 1);
    EXPECT_EQ(CountLog("hosttx 2144 p=200 'IW 200 '0' 4'"), 1);
    EXPECT_EQ(Caption(IDC_STATUS_IND), "  Fail  ");
    EXPECT_EQ(fake::S().timers[PANEL_TIMER_POLL], 250u);
    EXPECT_TRUE(fake::LogHasInOrder({"text 1802 'Fault'", "text 1802 'Polling'", "text 1802 '/__1B__'"}));
}

// Simulation: no port, no poll timer; the Status indicator says "Sim" for
// a level the store answers for.
TEST_F(ComSup, SimulationRunsWithoutPortOrPollTimer)
{
    Configure({{0, 101, 3}});
    Settings().Simulation = 1;
    ComSup_PollStart();
    EXPECT_EQ(fake::S().timers.count(PANEL_TIMER_POLL), 0u);
    EXPECT_EQ(Link().iOverallState, 1);
    SetComState(COMSTATE_OK);
    EXPECT_EQ(Caption(IDC_STATUS_IND), "Sim");
}

}  // namespace
