// Start-up order, the shutdown sequence, the menu and the debug trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <mutex>
#include <string>
#include <vector>

#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "panel/dialog.h"
#include "store/idxfu.h"
#include "store/store.h"
#include "tests/fake/fake_comms.h"
#include "tests/fake/fake_platform.h"
#include "trace/trace.h"
#include "ui/messages.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"

namespace {

const char kIni[] = "c:\\cfg\\VAL_DRN.INI";

class ShellTest : public ::testing::Test {
protected:
    // Both libraries found, level A configured in simulation, and a host interface that
    // answers the attach as the real one does: by sending its handle back
    // while the attach is being handled.
    void SetUp() override
    {
        fake::Reset();
        fake::SetProfile("c:\\orva_config.ini", "Config", "ConfigPath", "c:\\cfg");
        fake::SetProfile("c:\\orva_config.ini", "Config", "SystemPath", "c:\\sys");
        fake::S().loadablePaths = {"c:\\sys\\bwcc32.dll", "c:\\sys\\orva_cc.dll"};
        fake::S().onBroadcast = [](unsigned msg, uintptr_t wParam) {
            if (msg == ZUV_REQHXIHANDLE)
                Main_WndProc((PlatWnd)wParam, ZUV_HXIHANDLE, fake::kHostWnd, 0);
        };
        Set("Levels", "Level_0", "101");
        Set("Controller", "Simulation", "1");
    }
    void Set(const char* section, const char* key, const char* value) { fake::SetProfile(kIni, section, key, value); }
    intptr_t Send(unsigned msg, uintptr_t w = 0, intptr_t l = 0) { return Main_WndProc(fake::kMainWnd, msg, w, l); }
    void ExpectEndedOnce()
    {
        EXPECT_EQ(fake::CountLog("hosttx 2186"), 1);   // deregistered
        EXPECT_EQ(fake::CountLog("quit"), 1);
    }
};

// Start-up problems the end-to-end start-up test cannot stage: each ends the
// driver with the shutdown sequence, or runs on without the dialog library;
// none starts a timer or writes the tally file.
TEST_F(ShellTest, StartUpProblems)
{
    const std::string kDeregister = "hosttx 2186 p=" + std::to_string(fake::kMainWnd);
    const struct {
        std::vector<std::string> loadable;
        int panelFails;
        std::vector<std::string> inOrder;
    } cases[] = {
        {{"c:\\sys\\bwcc32.dll"}, 0, {"box '! Error !' 'Cannot find ORVA_CC.DLL'", "quit 0"}},
        {{"c:\\sys\\orva_cc.dll"}, 0, {"box '! Error !' 'ValDrune: Cannot find c:\\sys\\BWCC32.DLL'", "plain dialog classes"}},
        {fake::S().loadablePaths, 1, {kDeregister, "free library", "quit 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inOrder.front());
        SetUp();
        fake::S().loadablePaths = c.loadable;
        fake::S().panelFails = c.panelFails;
        Main_Initialize();
        EXPECT_TRUE(fake::LogHasInOrder(c.inOrder));
        bool ended = c.inOrder.back() == "quit 0";
        EXPECT_EQ(fake::CountLog("quit"), ended ? 1 : 0);
        EXPECT_EQ(fake::CountLog("broadcast"), c.panelFails || !ended ? 1 : 0);   // the host is looked for
        if (ended)
            EXPECT_TRUE(fake::S().timers.empty() && fake::S().calls["open"] == 0);
        else
            EXPECT_EQ(fake::CountLog("dialog library"), 0);   // reported, never called
    }
}

// Every way of asking runs the shutdown once; after it nothing acts. (The
// keyboard toggle's menu states are read from the real menu under Wine.)
TEST_F(ShellTest, ShutdownRunsOnceAndThenNothingActs)
{
    Main_Initialize();
    ASSERT_EQ(Ui_Panel(), fake::kPanelWnd);
    Send(MSG_COMMAND, IDM_EXIT);
    Send(ZUV_REQDEVCLOSE);
    Send(MSG_CLOSE);
    EXPECT_EQ(Send(MSG_QUERYENDSESSION), 1);
    ExpectEndedOnce();
    EXPECT_EQ(fake::CountLog("free library"), 1);

    fake::S().log.clear();
    Send(MSG_COMMNOTIFY, 0, 0);
    Send(MSG_COMMAND, IDM_KEYBOARD);
    Send(MSG_COMMAND, IDM_ABOUT);
    EXPECT_EQ(Send(ZUV_RXCOMMAND, 0, (intptr_t) "RC 101 1 1 ',---' 0"), 1);
    EXPECT_EQ(Send(ZUV_REQDEVGOTXRX, 0, 0), 0);
    Send(ZUV_SETDEVRXONLY);
    EXPECT_TRUE(fake::S().log.empty()) << fake::S().log.front();
}

// A close request answered while start-up waits (a box is up, the host
// answers a registration) ends start-up there: nothing is registered,
// opened or built after the shutdown, and the shutdown runs once.
TEST_F(ShellTest, ACloseRequestDuringStartUpStopsIt)
{
    for (bool duringBox : {true, false}) {
        SCOPED_TRACE(duringBox);
        SetUp();
        Set("Levels", "Level_1", "102");
        Set("Controller", "Simulation", "0");
        if (duringBox) {
            fake::S().loadablePaths = {"c:\\sys\\orva_cc.dll"};
            fake::S().onBox = [this] { Send(MSG_CLOSE); };
        } else {
            fake::S().onSend = [this](PlatWnd, unsigned, uintptr_t, intptr_t) -> intptr_t {
                Send(MSG_CLOSE);
                return 0;
            };
        }
        Main_Initialize();
        EXPECT_EQ(fake::CountLog("send 2193"), duringBox ? 0 : 1);
        EXPECT_EQ(fake::CountLog("open ") + (int)Ui_Panel(), 0);
        ExpectEndedOnce();
    }
}

// The panel's timers: 1 polls the router, 2 runs the save tick (its count
// of SaveDelay ticks is the tally file's). The host's deliveries do either
// once it is due, as the timers wait behind them during a flood; a timer
// tick right behind the last is let go. After the shutdown nothing acts.
// The shutdown closes the port and stops the poll before the final save, so
// no late answer changes a tally after it.
TEST_F(ShellTest, PollsAndSavesKeepTheirPeriodsThroughTimersAndDeliveries)
{
    Set("Controller", "SaveDelay", "1");
    Set("Controller", "Simulation", "0");
    Set("Controller", "TallyDelay", "50");
    Main_Initialize();
    ASSERT_EQ(Ui_Panel(), fake::kPanelWnd);
    fake::S().onHostRx = [] { return 1; };
    auto timer = [](unsigned id) { return [id] { Dialog_Proc(fake::kPanelWnd, MSG_TIMER, id, 0); }; };
    auto delivery = [this] { Send(ZUV_RXMESSAGE, 1, ZUV_RXCOMMAND); };
    const struct {
        std::function<void()> event;
        uint32_t stepMs;
        int times;
        size_t polls, saves;
    } rows[] = {
        {timer(PANEL_TIMER_POLL), 50, 10, 10, 0},
        {timer(PANEL_TIMER_POLL), 20, 10, 4, 0},   // ticks too early are let go: one poll a period
        {delivery, 10, 3100, 620, 1},              // a 31-second flood, no timer at all
        {timer(PANEL_TIMER_SAVE), IDXFU_SAVE_PERIOD_MS, 2, 0, 2},
        {timer(PANEL_TIMER_SAVE), IDXFU_SAVE_PERIOD_MS / 3, 3, 0, 1},
    };
    for (bool running : {true, false}) {
        for (const auto& r : rows) {
            const size_t frames = FakeComms().writes.size(), saves = fake::S().calls["open"];
            for (int i = 0; i < r.times; ++i)
                fake::S().now += r.stepMs, r.event();
            EXPECT_EQ((FakeComms().writes.size() - frames) / 2, running ? r.polls : 0u) << r.stepMs;
            EXPECT_EQ(fake::S().calls["open"] - saves, running ? r.saves : 0u) << r.stepMs;
        }
        fake::S().log.clear();
        Send(MSG_CLOSE);
        if (running)
            EXPECT_TRUE(fake::LogHasInOrder({"close 0", "kill timer " + std::to_string(PANEL_TIMER_POLL),
                                             "write file c:\\cfg\\val_drn.idx.tmp"}))
                << testing::PrintToString(fake::S().log);
    }
}

// A command text is a pointer: taken only from the host library while it
// delivers on this thread, and only once per delivery.
TEST_F(ShellTest, CommandTextsOnlyFromTheHostLibrary)
{
    Main_Initialize();
    const char* text = "RQ 101 1 1 0";
    int texts = 0;
    fake::S().onHostRx = [&]() -> int32_t {
        for (int i = 1; i < texts; ++i)
            Send(ZUV_RXCOMMAND, 0, (intptr_t)text);
        return (int32_t)Send(ZUV_RXCOMMAND, 0, (intptr_t)text);
    };
    for (texts = 1; texts <= 2; ++texts)
        Send(ZUV_RXMESSAGE, 1, ZUV_RXCOMMAND);
    Send(ZUV_RXCOMMAND, 0, (intptr_t)text);
    EXPECT_EQ(HostLink().lRxCount, 2);
}

// Commands the host delivers while the driver registers its second level
// wait until the store is loaded, then run in order: the load does not undo
// a route (in simulation the store answers at once). Past the bound a text
// is not taken (the host tells its client). Takes wait for the port: seen
// end to end.
TEST_F(ShellTest, CommandsDuringStartUpRunInOrderOnceReady)
{
    Set("Levels", "Level_1", "102");
    fake::SetProfile("c:\\cfg\\DEV_101.INI", "Database", "DatabaseSize_0", "8");
    fake::SetProfile("c:\\cfg\\DEV_101.INI", "Database", "DatabaseSize_1", "4");
    const char* texts[] = {"RC 101 2 1 ',---' 0", "RC 101 3 1 ',---' 0", "RQ 101 1 1 0"};
    const char* text = nullptr;
    fake::S().onHostRx = [&]() -> int32_t { return (int32_t)Send(ZUV_RXCOMMAND, 0, (intptr_t)text); };
    int taken = 0;
    fake::S().onSend = [&](PlatWnd, unsigned msg, uintptr_t, intptr_t device) -> intptr_t {
        for (int i = 0; msg == ZUV_REGDEV && device == 102 && i < SHELL_HELD_MAX + 3; ++i) {
            text = texts[i < 3 ? i : 2];   // the query again past the first three
            taken += (int)Send(ZUV_RXMESSAGE, 1, ZUV_RXCOMMAND);
        }
        return HXI_REG_OK;
    };
    Main_Initialize();
    EXPECT_EQ(taken, SHELL_HELD_MAX);
    EXPECT_EQ(Store_GetTally(101, 1), 3);
    EXPECT_EQ(fake::CountLog("hosttx 2188 p=32768 'RR 101 001 003"), SHELL_HELD_MAX - 2);
}

// Nothing is traced while the trace is off; traced texts are cut to 255
// characters. Through the writer, lines keep their order; while the trace
// reader is stuck the caller never waits: a full queue drops lines, counts
// them and says so where they were lost. The reader gets whole lines.
std::mutex gReader;
std::atomic<int> gEntered{0};
std::vector<std::string> gRead;
void StuckReader(const char* block)
{
    ++gEntered;
    std::lock_guard<std::mutex> hold(gReader);
    for (const char* end; (end = std::strchr(block, '\n')) != nullptr; block = end + 1)
        gRead.emplace_back(block, end + 1);
}

TEST_F(ShellTest, TraceIsSilentWhenOffCutAt255AndNeverWaitsForItsReader)
{
    Debug_Trace("not shown");
    Settings().bDebugMode = 7;
    Debug_Trace(std::string(400, 'x').c_str());
    ASSERT_EQ(fake::S().trace.size(), 1u);
    EXPECT_EQ(fake::S().trace[0].size(), 255u);

    std::unique_lock<std::mutex> stuck(gReader);
    Debug_StartWriter(StuckReader);
    std::vector<std::string> want;
    for (int i = -1; i < DEBUG_QUEUE_LINES + 100; ++i) {
        Debug_Tracef("%d", i);
        if (i < DEBUG_QUEUE_LINES)
            want.push_back("<VALDRUNE>-" + std::to_string(i) + "\n");
        while (gEntered == 0)
            std::this_thread::yield();   // the writer took line -1 and is stuck on the reader
    }
    stuck.unlock();
    Debug_StopWriter();
    want.push_back("<VALDRUNE>-100 trace lines dropped: the trace reader is slow\n");
    EXPECT_EQ(gRead, want);
}

}  // namespace
