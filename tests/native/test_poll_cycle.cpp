// The poll cycle, tick by tick: which destination each tick queries, when the
// overall state is settled, and how a level fails and recovers.
#include "tests/native/test_poll_fixture.h"

#include "hostlink/hxi_messages.h"
#include "leitch/leitch.h"

#include <cctype>
#include <functional>

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
        std::vector<intptr_t> registered;
        fake::S().onSend = [&](PlatWnd, unsigned msg, uintptr_t, intptr_t device) -> intptr_t {
            if (msg == ZUV_REGDEV)
                registered.push_back(device);
            return HXI_REG_OK;
        };
        Settings().Simulation = simulation;
        Hxi_RegisterDevices();
        Hxi_AssertMode(HXI_ASSERT_RXONLY, 0);
        EXPECT_EQ(registered, simulation ? std::vector<intptr_t>({102, 117}) : std::vector<intptr_t>({102}));
        EXPECT_EQ(CountLog("send 2215 w=1 l=117"), simulation);
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

// Only a decoded status line is a sign of life. What the router sends after
// each poll, made from its true answer and the frames just written: the
// dialects the driver reads stay OK; noise, a loop-back plug and error
// texts fail a good level within the limits (Rx only asserted) and keep it
// failed.
TEST_F(PollCycle, OnlyAnAnswerIsASignOfLife)
{
    auto lower = [](std::string s) {
        for (size_t i = 2; i < s.size(); ++i)   // after "S:"
            s[i] = (char)std::tolower((unsigned char)s[i]);
        return s;
    };
    const struct {
        const char* name;
        std::function<std::string(const std::string& answer, const std::string& frames)> reply;
        bool alive;
    } rows[] = {
        {"prompt", [](const std::string& a, const std::string&) { return ">" + a + ">"; }, true},
        {"echo", [](const std::string& a, const std::string& f) { return f + "\n" + a; }, true},
        {"lower case", [&](const std::string& a, const std::string&) { return lower(a); }, true},
        {"loop-back", [](const std::string&, const std::string& f) { return f; }, false},
        {"wrong speed", [](const std::string&, const std::string&) { return std::string("\xF8\x80\x1C\xE6x~\r\xFE"); }, false},
        {"noise line", [](const std::string&, const std::string&) { return std::string("Z#Q!S:\r\n"); }, false},
        {"error reply", [](const std::string&, const std::string&) { return std::string("ERROR\r\n>"); }, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Configure({{0, 101, 20}});
        Start();
        for (int tick = 1; tick <= 20; ++tick) {
            const size_t written = FakeComms().writes.size();
            Dialog_Tally();
            std::string frames;
            for (size_t i = written; i < FakeComms().writes.size(); ++i)
                frames += FakeComms().writes[i];
            router.Step();
            std::string answer(FakeComms().rx.begin(), FakeComms().rx.end());
            std::string bytes = tick <= 2 ? answer : r.reply(answer, frames);   // good at first
            FakeComms().rx.assign(bytes.begin(), bytes.end());
            ComSup_ReadData();
            if (tick >= 4)
                ASSERT_EQ(Link().iComState[0], r.alive ? COMSTATE_OK : COMSTATE_FAIL) << "tick " << tick;
        }
        EXPECT_EQ(HostLink().iTxRxMode, r.alive ? TXRX_TXRX : TXRX_RXONLY);
    }
}

// Bytes reach the line assembler in order across the drain's blocks of 256:
// a status line across the boundary counts, and a short read empties the
// ring.
TEST_F(PollCycle, TheDrainKeepsTheOrderAcrossItsBlocks)
{
    Configure({{0, 101, 20}});
    Start();
    std::string bytes = std::string(246, '.') + "X\r\n" + ScriptedRouter::StatusLine(0, 1) + "S:0";
    FakeComms().rx.assign(bytes.begin(), bytes.end());
    fake::S().log.clear();
    ComSup_ReadData();
    EXPECT_EQ(Link().iComState[0], COMSTATE_OK);
    EXPECT_EQ(Leitch_RxLen(), 3);
    EXPECT_EQ(std::make_pair(CountLog("read"), CountLog("comm error")), std::make_pair(2, 1));
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
