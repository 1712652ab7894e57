// Start-up order, the shutdown sequence, the menu and the debug trace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ui_ids.h"
#include "ui/messages.h"
#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "panel/dialog.h"
#include "tests/fake/fake_comms.h"
#include "tests/fake/fake_platform.h"
#include "trace/trace.h"
#include "ui/ui.h"

namespace {

const char kIni[] = "c:\\cfg\\VAL_DRN.INI";
const std::vector<std::string> kBothLibraries = {"c:\\sys\\bwcc32.dll", "c:\\sys\\orva_cc.dll"};

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        fake::SetProfile("c:\\orva_config.ini", "Config", "ConfigPath", "c:\\cfg");
        fake::SetProfile("c:\\orva_config.ini", "Config", "SystemPath", "c:\\sys");
        fake::S().loadablePaths = kBothLibraries;
    }
    void Level(int index, int device)
    {
        fake::SetProfile(kIni, "Levels", ("Level_" + std::to_string(index)).c_str(),
                         std::to_string(device));
    }
    void Set(const char* key, const char* value) { fake::SetProfile(kIni, "Controller", key, value); }
    // A host interface that answers the attach the way the real one does:
    // by sending its handle back while the attach is being handled.
    void HostAnswers()
    {
        fake::S().onBroadcast = [](unsigned msg, uintptr_t wParam, intptr_t) {
            if (msg == ZUV_REQHXIHANDLE)
                Main_WndProc((PlatWnd)wParam, ZUV_HXIHANDLE, fake::kHostWnd, 0);
        };
    }
    void StartSimulated()
    {
        Level(0, 101);
        Set("Simulation", "1");
        HostAnswers();
        Main_Initialize();
    }
    intptr_t Send(unsigned msg, uintptr_t w = 0, intptr_t l = 0)
    {
        return Main_WndProc(fake::kMainWnd, msg, w, l);
    }
};

// Start-up problems: each shows its box and ends the driver at once, with
// the shutdown sequence (deregistration, libraries freed) once the host was
// looked for; none builds the panel, starts a timer or writes the tally
// file. A start without levels is watched end to end.
TEST_F(ShellTest, StartUpProblemsEndTheDriver)
{
    const std::string kDeregister = "hosttx 2186 p=" + std::to_string(fake::kMainWnd);
    const struct {
        const char* what;
        std::vector<std::string> loadable;
        bool level, host;
        int openResult, panelFails, opens;
        std::vector<std::string> inOrder;
        std::vector<std::pair<const char*, int>> counts;
    } cases[] = {
        {"control library missing", {"c:\\sys\\bwcc32.dll"}, true, true, 0, 0, 0,
         {"box '! Error !' 'Cannot find ORVA_CC.DLL'", "quit 0"}, {{"profile", 0}, {"broadcast", 0}}},
        {"dialog library missing: reported, never called", {"c:\\sys\\orva_cc.dll"}, false, true, 0, 0, 0,
         {"box '! Error !' 'ValDrune: Cannot find c:\\sys\\BWCC32.DLL'"},
         {{"box", 2}, {"dialog library", 0}, {"plain dialog classes", 1}}},
        {"no host: the shutdown runs, nothing is opened", kBothLibraries, true, false, 0, 0, 0,
         {"broadcast 2031 w=4096", "box '! Error !' 'Cannot find ORVA Interface HXIHOST.EXE'", kDeregister, "free library", "quit 0"}, {}},
        {"port cannot be opened", kBothLibraries, true, true, -2, 0, 1,
         {"box '! Error !' 'Cannot open serial port 3'", kDeregister, "quit 0"}, {}},
        {"panel cannot be created", kBothLibraries, true, true, 0, 1, 1, {kDeregister, "quit 0"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        fake::S().loadablePaths = c.loadable;
        fake::S().panelFails = c.panelFails;
        FakeComms().openResult = c.openResult;
        Set("Com", "3");
        if (c.level)
            Level(0, 101);
        if (c.host)
            HostAnswers();
        Main_Initialize();
        EXPECT_TRUE(fake::LogHasInOrder(c.inOrder));
        for (const auto& count : c.counts)
            EXPECT_EQ(fake::CountLog(count.first), count.second) << count.first;
        EXPECT_EQ(fake::CountLog("quit"), 1);
        EXPECT_EQ(FakeComms().opens, c.opens);
        if (c.openResult)
            EXPECT_EQ(FakeComms().lastClosedIndex, -1);   // no handle to close
        EXPECT_EQ(fake::S().timers.size(), 0u);
        EXPECT_EQ(fake::S().openWriteCalls, 0);
        EXPECT_EQ(Ui_Panel(), 0u);
    }
}

// Every way of asking runs the shutdown once; after it nothing acts.
TEST_F(ShellTest, ShutdownRunsOnceAndNothingActsAfterIt)
{
    StartSimulated();
    ASSERT_EQ(Ui_Panel(), fake::kPanelWnd);
    Send(MSG_COMMAND, IDM_EXIT);
    Send(ZUV_REQDEVCLOSE);
    Send(MSG_CLOSE);
    EXPECT_EQ(Send(MSG_QUERYENDSESSION), 1);
    EXPECT_EQ(fake::CountLog("hosttx 2186"), 1);
    EXPECT_EQ(fake::CountLog("free library"), 1);
    EXPECT_EQ(fake::CountLog("quit"), 1);

    fake::S().log.clear();
    int reads = FakeComms().readCalls;
    Send(MSG_COMMNOTIFY, 0, 0);
    Send(MSG_COMMAND, IDM_KEYBOARD);
    Send(MSG_COMMAND, IDM_ABOUT);
    EXPECT_EQ(Send(ZUV_RXCOMMAND, 0, (intptr_t) "RC 101 1 1 ',---' 0"), 1);
    EXPECT_EQ(Send(ZUV_REQDEVGOTXRX, 0, 0), 0);
    Send(ZUV_SETDEVRXONLY);
    EXPECT_EQ(FakeComms().readCalls, reads);
    EXPECT_TRUE(fake::S().log.empty()) << fake::S().log.front();
}

// A close request answered while start-up waits (a box is up, the host
// answers a registration) ends start-up there: nothing is registered,
// opened or built after the shutdown, and the shutdown runs once.
TEST_F(ShellTest, ACloseRequestDuringStartUpStopsIt)
{
    for (bool duringBox : {true, false}) {
        SCOPED_TRACE(duringBox ? "during the missing dialog library box" : "during the first registration");
        SetUp();
        if (duringBox) {
            fake::S().loadablePaths = {"c:\\sys\\orva_cc.dll"};
            fake::S().onBox = [this] { Send(MSG_CLOSE); };
        } else {
            fake::S().onSend = [this](PlatWnd, unsigned, uintptr_t, intptr_t) -> intptr_t {
                Send(MSG_CLOSE);
                return 0;
            };
        }
        Level(0, 101);
        Level(1, 102);
        HostAnswers();
        Main_Initialize();
        EXPECT_EQ(fake::CountLog("send 2193"), duringBox ? 0 : 1);
        EXPECT_EQ(fake::CountLog("hosttx 2186"), 1);
        EXPECT_EQ(fake::CountLog("quit"), 1);
        EXPECT_EQ(FakeComms().opens, 0);
        EXPECT_EQ(Ui_Panel(), 0u);
    }
}

// The panel's timers: 1 polls the router, 2 runs the save tick (its count
// of SaveDelay ticks is the tally file's); after the shutdown neither acts.
TEST_F(ShellTest, PanelTimersPollAndSaveUntilTheShutdown)
{
    Level(0, 101);
    Set("SaveDelay", "1");
    HostAnswers();
    Main_Initialize();
    ASSERT_EQ(Ui_Panel(), fake::kPanelWnd);
    for (bool running : {true, false}) {
        size_t frames = FakeComms().writes.size();
        int saves = fake::S().openWriteCalls;
        Dialog_Proc(fake::kPanelWnd, MSG_TIMER, PANEL_TIMER_POLL, 0);
        Dialog_Proc(fake::kPanelWnd, MSG_TIMER, PANEL_TIMER_SAVE, 0);
        EXPECT_EQ(FakeComms().writes.size() > frames, running);
        EXPECT_EQ(fake::S().openWriteCalls - saves, running ? 1 : 0);
        Send(MSG_CLOSE);
    }
}

// A command text is a pointer: taken only from the host library while it
// delivers on this thread, and only once per delivery.
TEST_F(ShellTest, CommandTextsOnlyFromTheHostLibrary)
{
    const struct {
        bool delivering;
        int texts, taken;
    } cases[] = {{true, 1, 1}, {true, 2, 1}, {false, 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.texts);
        SetUp();
        StartSimulated();
        const char* text = "RQ 101 1 1 0";
        fake::S().onHostRx = [&](uintptr_t, intptr_t) -> int32_t {
            for (int i = 1; i < c.texts; ++i)
                Send(ZUV_RXCOMMAND, 0, (intptr_t)text);
            return (int32_t)Send(ZUV_RXCOMMAND, 0, (intptr_t)text);
        };
        if (c.delivering)
            Send(ZUV_RXMESSAGE, 1, ZUV_RXCOMMAND);
        else
            Send(ZUV_RXCOMMAND, 0, (intptr_t)text);
        EXPECT_EQ(HostLink().lRxCount, c.taken);
    }
}

// Any non-zero device counts as configured; the real menu states and the
// router items are read back under Wine.
TEST_F(ShellTest, KeyboardToggleEnablesExactlyTheConfiguredLevels)
{
    Level(3, 104);
    Level(7, -2);
    StartSimulated();
    for (bool on : {true, false}) {
        Send(MSG_COMMAND, IDM_KEYBOARD);
        for (int i = 0; i < 26; ++i) {
            bool enabled = on && (i == 0 || i == 3 || i == 7);
            EXPECT_EQ(fake::S().menuFlags[IDM_LEVEL_FIRST + i],
                      enabled ? (unsigned)PLAT_MF_ENABLED : (unsigned)PLAT_MF_GRAYED) << i;
        }
    }
}

TEST_F(ShellTest, TraceIsSilentWhenOffAndCutAt255WhenOn)
{
    Debug_Trace("not shown");
    EXPECT_TRUE(fake::S().trace.empty());
    Settings().bDebugMode = 7;
    Debug_Trace("shown");
    Debug_Trace(std::string(400, 'x').c_str());
    ASSERT_EQ(fake::S().trace.size(), 2u);
    EXPECT_EQ(fake::S().trace[0], "<VALDRUNE>-shown\n");
    EXPECT_EQ(fake::S().trace[1].size(), 255u);
}

}  // namespace
