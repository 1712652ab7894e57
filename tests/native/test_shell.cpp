// Start-up order, the shutdown sequence, the menu and the debug trace.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/menu_ids.h"
#include "app/messages.h"
#include "app/shell.h"
#include "trace/trace.h"
#include "config/settings.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "panel/dialog.h"
#include "panel/panel_ids.h"
#include "store/store.h"
#include "tests/fake/fake_comms.h"
#include "tests/fake/fake_platform.h"

namespace {

const char kIni[] = "c:\\cfg\\VAL_DRN.INI";
const char kNoLevels[] =
    "box '! Error !' 'There are no router driver ID's defined in the VAL_DRN.INI file.  There "
    "must be at least one router defined before VAL_DRN.EXE can function.'";

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake::Reset();
        fake::SetProfile("c:\\orva_config.ini", "Config", "ConfigPath", "c:\\cfg");
        fake::SetProfile("c:\\orva_config.ini", "Config", "SystemPath", "c:\\sys");
        fake::S().loadablePaths = {"c:\\sys\\bwcc32.dll", "c:\\sys\\orva_cc.dll"};
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
    // Start-up with the levels configured, in simulation, beside a host.
    void StartSimulated(std::initializer_list<std::pair<int, int>> levels = {{0, 101}})
    {
        for (const auto& l : levels)
            Level(l.first, l.second);
        Set("Simulation", "1");
        HostAnswers();
        Main_Initialize();
    }
    // Every router item greyed, or enabled with exactly the given levels.
    void ExpectMenu(bool on, std::vector<int> configured)
    {
        for (int i = 0; i < 26; ++i) {
            bool enabled = on && std::find(configured.begin(), configured.end(), i) != configured.end();
            EXPECT_EQ(fake::S().menuFlags[IDM_LEVEL_FIRST + i], enabled ? (unsigned)PLAT_MF_ENABLED : (unsigned)PLAT_MF_GRAYED) << i;
        }
        for (unsigned id : {IDM_SOURCEBOX, IDM_DESTBOX, IDM_TAKE, IDM_LOCK})
            EXPECT_EQ(fake::S().menuFlags[id], on ? (unsigned)PLAT_MF_ENABLED : (unsigned)PLAT_MF_GRAYED) << id;
        EXPECT_EQ(fake::S().menuPosFlags[MENU_POS_LEVEL], on ? (unsigned)PLAT_MF_ENABLED : (unsigned)PLAT_MF_GRAYED);
        EXPECT_EQ(fake::S().menuChecked[IDM_KEYBOARD], on ? 1 : 0);
        EXPECT_EQ(fake::S().menuFlags.count(IDM_EXIT), 0u);
    }
    intptr_t Send(unsigned msg, uintptr_t w = 0, intptr_t l = 0)
    {
        return Main_WndProc(fake::kMainWnd, msg, w, l);
    }
};

// Start-up problems: each shows its box and ends the driver at once, with
// the shutdown sequence (deregistration, libraries freed) only once the host
// was found. Log lines counted by prefix must appear that often.
TEST_F(ShellTest, StartUpProblemsEndTheDriver)
{
    const std::string kDeregister = "hosttx 2186 p=" + std::to_string(fake::kMainWnd);
    const struct {
        const char* what;
        std::vector<std::string> loadable;
        bool level, host;
        std::vector<std::string> inOrder;
        std::vector<std::pair<const char*, int>> counts;
    } cases[] = {
        {"no level configured", {"c:\\sys\\bwcc32.dll", "c:\\sys\\orva_cc.dll"}, false, true,
         {kNoLevels, "quit 0"}, {{"box", 1}, {"broadcast", 0}, {"hosttx", 0}, {"free library", 0}}},
        {"control library missing", {"c:\\sys\\bwcc32.dll"}, true, true,
         {"box '! Error !' 'Cannot find ORVA_CC.DLL'", "quit 0"}, {{"profile", 0}, {"broadcast", 0}}},
        {"dialog library missing: reported, never called", {"c:\\sys\\orva_cc.dll"}, false, true,
         {"box '! Error !' 'ValDrune: Cannot find c:\\sys\\BWCC32.DLL'", kNoLevels}, {{"dialog library", 0}, {"plain dialog classes", 1}}},
        {"no host: the shutdown runs, nothing is opened", {"c:\\sys\\bwcc32.dll", "c:\\sys\\orva_cc.dll"},
         true, false,
         {"broadcast 2031 w=4096", "box '! Error !' 'Cannot find ORVA Interface HXIHOST.EXE'", kDeregister,
          "free library", "quit 0"}, {{"timer", 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        fake::S().loadablePaths = c.loadable;
        if (c.level)
            Level(0, 101);
        if (c.host)
            HostAnswers();
        Main_Initialize();
        EXPECT_TRUE(fake::LogHasInOrder(c.inOrder));
        for (const auto& count : c.counts)
            EXPECT_EQ(fake::CountLog(count.first), count.second) << count.first;
        EXPECT_EQ(fake::CountLog("quit"), 1);
        EXPECT_EQ(FakeComms().opens, 0);
    }
}

TEST_F(ShellTest, APortThatCannotBeOpenedEndsTheDriver)
{
    Level(0, 101);
    Set("Com", "3");
    FakeComms().openResult = -2;
    HostAnswers();
    Main_Initialize();
    EXPECT_TRUE(fake::LogHasInOrder({"box '! Error !' 'Cannot open serial port 3'",
                                     "hosttx 2186 p=" + std::to_string(fake::kMainWnd), "quit 0"}));
    EXPECT_EQ(FakeComms().closes, 1);
    EXPECT_EQ(FakeComms().lastClosedIndex, -1);
    EXPECT_EQ(Shell().hMainDlg, 0u);   // no panel, no poll timer
    EXPECT_EQ(fake::S().timers.size(), 0u);
}

TEST_F(ShellTest, APanelThatCannotBeCreatedEndsTheDriverWithoutASave)
{
    fake::S().panelFails = 1;
    StartSimulated();
    EXPECT_TRUE(fake::LogHasInOrder({"hosttx 2186 p=" + std::to_string(fake::kMainWnd), "quit 0"}));
    EXPECT_EQ(fake::S().openWriteCalls, 0);   // the tally file stays as it was
}

TEST_F(ShellTest, ShutdownRunsOnceWhateverAsksForIt)
{
    StartSimulated();
    ASSERT_EQ(Shell().hMainDlg, fake::kPanelWnd);
    ASSERT_EQ(fake::CountLog("quit"), 0);

    Send(MSG_COMMAND, IDM_EXIT);
    Send(ZUV_REQDEVCLOSE);
    Send(MSG_CLOSE);
    EXPECT_EQ(Send(MSG_QUERYENDSESSION), 1);
    EXPECT_EQ(fake::CountLog("hosttx 2186"), 1);
    EXPECT_EQ(fake::CountLog("free library"), 1);
    EXPECT_EQ(fake::CountLog("quit"), 1);
}

TEST_F(ShellTest, NothingActsAfterTheShutdown)
{
    StartSimulated();
    Send(ZUV_REQDEVCLOSE);
    fake::S().log.clear();
    int reads = FakeComms().readCalls;

    Send(MSG_COMMNOTIFY, 0, 0);
    Send(MSG_COMMAND, IDM_KEYBOARD);
    Send(MSG_COMMAND, IDM_ABOUT);
    EXPECT_EQ(Send(ZUV_RXCOMMAND, 0, (intptr_t) "RC 101 1 1 ',---' 0"), 1);
    EXPECT_EQ(Send(ZUV_REQDEVGORXONLY, 0, 0), 0);
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
    const struct {
        const char* what;
        bool dialogLibrary;
        int registrations;
    } cases[] = {
        {"during the missing dialog library box", false, 0},
        {"while the first registration is answered", true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (!c.dialogLibrary) {
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
        Set("Com", "3");
        HostAnswers();
        Main_Initialize();
        EXPECT_EQ(fake::CountLog("send 2193"), c.registrations);
        EXPECT_EQ(fake::CountLog("hosttx 2186"), 1);
        EXPECT_EQ(fake::CountLog("quit"), 1);
        EXPECT_EQ(FakeComms().opens, 0);
        EXPECT_EQ(Shell().hMainDlg, 0u);
    }
}

// The panel's timers: 1 polls the router, 2 saves the tallies every
// SaveDelay ticks; after the shutdown neither acts.
TEST_F(ShellTest, PanelTimersPollAndSaveUntilTheShutdown)
{
    Level(0, 101);
    Set("SaveDelay", "3");
    HostAnswers();
    Main_Initialize();
    ASSERT_EQ(Shell().hMainDlg, fake::kPanelWnd);
    auto tick = [](unsigned id) { Dialog_Proc(fake::kPanelWnd, MSG_TIMER, id, 0); };
    auto saves = [] { return fake::S().openWriteCalls; };

    size_t frames = FakeComms().writes.size();
    tick(PANEL_TIMER_POLL);
    EXPECT_GT(FakeComms().writes.size(), frames);

    int before = saves();
    tick(PANEL_TIMER_SAVE);
    tick(PANEL_TIMER_SAVE);
    EXPECT_EQ(saves(), before);
    tick(PANEL_TIMER_SAVE);
    EXPECT_EQ(saves(), before + 1);

    Send(MSG_CLOSE);
    frames = FakeComms().writes.size();
    before = saves();
    for (int i = 0; i < 4; ++i) {
        tick(PANEL_TIMER_POLL);
        tick(PANEL_TIMER_SAVE);
    }
    EXPECT_EQ(FakeComms().writes.size(), frames);
    EXPECT_EQ(saves(), before);
}

// A command text is a pointer: taken only from the host library while it
// delivers on this thread, ignored (traced) from anyone else.
TEST_F(ShellTest, CommandTextsOnlyFromTheHostLibrary)
{
    const struct {
        const char* what;
        bool delivering;
        int texts, taken;   // texts handed in during the delivery
    } cases[] = {
        {"delivered by the library", true, 1, 1},
        {"a second text in the same delivery", true, 2, 1},
        {"sent outside a delivery", false, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        StartSimulated();
        Settings().bDebugMode = 7;
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
        EXPECT_EQ(fake::Traced("ZUV_RXCOMMAND ignored: not delivered by the host library"),
                  c.texts > c.taken || !c.taken);
    }
}

// The indicator and the focus that go with it are read from the real panel.
TEST_F(ShellTest, KeyboardToggleEnablesExactlyTheConfiguredLevels)
{
    StartSimulated({{0, 101}, {3, 104}, {7, -2}});   // non-zero counts as configured for the menu
    EXPECT_EQ(fake::CountLog("dialog library"), 1);
    ExpectMenu(false, {});
    fake::S().log.clear();
    Send(MSG_COMMAND, IDM_KEYBOARD);
    ExpectMenu(true, {0, 3, 7});
    EXPECT_EQ(fake::CountLog("menu redraw"), 1);
    Send(MSG_COMMAND, IDM_KEYBOARD);
    ExpectMenu(false, {});
}

TEST_F(ShellTest, ListBoxCommandsSelectTheFirstEntryOnlyWhenNoneIsSelected)
{
    StartSimulated();
    fake::S().lists[1001] = {"- -", "SRC 001"};
    fake::S().listSel[1001] = -1;
    Send(MSG_COMMAND, IDM_SOURCEBOX);
    EXPECT_EQ(fake::S().focus, 1001);
    EXPECT_EQ(fake::S().listSel[1001], 0);
    fake::S().listSel[1001] = 1;
    Send(MSG_COMMAND, IDM_SOURCEBOX);
    EXPECT_EQ(fake::S().listSel[1001], 1);
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
    EXPECT_EQ(fake::S().trace[1].substr(0, 11), "<VALDRUNE>-");
}

}  // namespace
