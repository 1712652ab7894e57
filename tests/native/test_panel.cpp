// The operator panel against the fake window layer and the real store.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/menu_ids.h"
#include "app/messages.h"
#include "app/shell.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "panel/dialog.h"
#include "panel/panel_ids.h"
#include "tests/native/test_store_support.h"

namespace {

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        storetest::Fresh();
        Settings().bDebugMode = 0;
        std::snprintf(Settings().ParkLabel, sizeof Settings().ParkLabel, "%s", "- -");
        Settings().NameLength = 8;
        Settings().Simulation = 1;
        HostLink().hHxiWnd = fake::kHostWnd;
        // A host interface that answers name requests in place.
        fake::S().onHostTx = [](fake::HostTxRecord& r, void* data) {
            if (r.msg != ZUV_REQNAME || !data)
                return;
            unsigned char* block = (unsigned char*)data;
            int kind = block[2], number = block[4] | (block[5] << 8);
            std::snprintf((char*)block, NAME_REQUEST_SIZE, "%s %03d", kind ? "DST" : "SRC", number);
        };
    }
    void Start(int level, int device, int sources, int dests)
    {
        storetest::Configure(level, device, sources, dests);
        Settings().iCurrentLevel = level;
        Memory_Init();
        Dialog_Proc(fake::kPanelWnd, MSG_INITDIALOG, 0, 0);
    }
    std::string Trace() const
    {
        std::string all;
        for (const std::string& line : fake::S().trace)
            all += line;
        return all;
    }
};

TEST_F(PanelTest, LevelTableShowsConfiguredRowsAndDisablesTheOthers)
{
    Store_Level(2)->iDevice = -5;
    Start(0, 101, 16, 32);
    EXPECT_EQ(fake::S().texts[IDC_LEVEL_DEVICE], "101");
    EXPECT_EQ(fake::S().texts[IDC_LEVEL_SOURCES], "016");
    EXPECT_EQ(fake::S().texts[IDC_LEVEL_DESTS], "032");
    EXPECT_EQ(fake::S().enabled.count(IDC_LEVEL_DEVICE), 0u);
    for (int i : {1, 2, 25}) {
        for (int base : {IDC_LEVEL_DEVICE, IDC_LEVEL_SOURCES, IDC_LEVEL_DESTS}) {
            EXPECT_EQ(fake::S().texts[base + i], "- - -") << base + i;
            EXPECT_EQ(fake::S().enabled[base + i], 0) << base + i;
        }
    }
}

TEST_F(PanelTest, ListsHoldTheLargerCountWithTheParkEntryFirst)
{
    Start(0, 101, 16, 32);
    const auto& sources = fake::S().lists[IDC_SOURCE_LIST];
    const auto& dests = fake::S().lists[IDC_DEST_LIST];
    ASSERT_EQ(sources.size(), 33u);
    ASSERT_EQ(dests.size(), 32u);
    EXPECT_EQ(sources[0], "- -");
    EXPECT_EQ(sources[1], "SRC 001");
    EXPECT_EQ(sources[32], "SRC 032");
    EXPECT_EQ(dests[0], "DST 001");
    EXPECT_EQ(fake::S().columnWidth[IDC_SOURCE_LIST], 72);
    EXPECT_EQ(fake::S().texts[IDC_LEVEL_LABEL], "Level 'A' 101");
}

TEST_F(PanelTest, NameRequestBlockAndUnansweredRequests)
{
    Start(0, 101, 2, 2);
    const fake::HostTxRecord& r = fake::S().hostTx.front();
    EXPECT_EQ(r.msg, (unsigned)ZUV_REQNAME);
    EXPECT_EQ(r.len, 18u);
    EXPECT_EQ(r.flag, 1);
    std::vector<unsigned char> want = {0x65, 0, 0, 0, 1, 0};
    want.resize(18, 0);
    EXPECT_EQ(r.data, want);

    // Unanswered: the block still holds the request, read up to its first
    // zero byte. A host that leaves no terminator cannot overrun the name.
    fake::S().onHostTx = nullptr;
    char name[18];
    Dialog_GetName(101, NAME_KIND_SOURCE, 7, name, sizeof name);
    EXPECT_STREQ(name, "e");
    fake::S().onHostTx = [](fake::HostTxRecord&, void* data) { std::memset(data, 'N', 18); };
    Dialog_GetName(101, NAME_KIND_SOURCE, 7, name, sizeof name);
    EXPECT_EQ(std::strlen(name), 17u);
}

TEST_F(PanelTest, SelectedDestinationShowsItsSourceAndLock)
{
    Start(0, 101, 16, 32);
    // Fresh start: every tally unknown, nothing highlighted.
    EXPECT_EQ(Panel().iSelDest, 1);
    EXPECT_EQ(fake::S().listSel[IDC_SOURCE_LIST], -1);
    EXPECT_EQ(fake::S().texts[IDC_LOCK], "Unlocked");
    EXPECT_EQ(fake::S().states[IDC_LOCK], "/2B____");

    Store_SetTally(101, 1, 0);
    Dialog_ShowDest();
    EXPECT_EQ(fake::S().listSel[IDC_SOURCE_LIST], 0) << "tally 0 highlights the park entry";
    Store_SetTally(101, 1, 5);
    Dialog_ShowDest();
    EXPECT_EQ(fake::S().listSel[IDC_SOURCE_LIST], 5);

    Store_SetLock(101, 1, 1);
    Dialog_ShowDest();
    EXPECT_EQ(fake::S().texts[IDC_LOCK], "Locked");
    EXPECT_EQ(fake::S().states[IDC_LOCK], "/1B____");
    EXPECT_EQ(fake::S().enabled[IDC_TAKE], 0);
}

TEST_F(PanelTest, NoDestinationSelectionMeansNothingCanBeTakenOrLocked)
{
    Start(0, 101, 16, 32);
    Settings().bDebugMode = 1;
    fake::S().listSel[IDC_DEST_LIST] = -1;
    Dialog_DestSelected();
    EXPECT_EQ(Panel().iSelDest, 65536);
    EXPECT_EQ(fake::S().texts[IDC_LOCK], "Unlocked");
    fake::S().trace.clear();
    Dialog_Take();
    EXPECT_TRUE(fake::S().trace.empty());

    fake::S().listSel[IDC_SOURCE_LIST] = -1;
    Dialog_SourceSelected();
    EXPECT_EQ(Panel().iSelSource, 65535);
}

TEST_F(PanelTest, TakeAndLockBuildThePanelsCommandTexts)
{
    Start(0, 101, 16, 32);
    Settings().bDebugMode = 1;
    Dialog_Take();   // no source clicked yet: the park entry
    EXPECT_NE(Trace().find("<VALDRUNE>-RC 101 0 1 ',---' 0\n"), std::string::npos);

    fake::S().listSel[IDC_DEST_LIST] = 2;
    Dialog_DestSelected();
    Dialog_Lock();
    EXPECT_NE(Trace().find("<VALDRUNE>-RL 101 3 3 1 0\n"), std::string::npos);
    Store_SetLock(101, 3, 1);
    Dialog_Lock();
    EXPECT_NE(Trace().find("<VALDRUNE>-RL 101 3 3 0 0\n"), std::string::npos);
}

TEST_F(PanelTest, MenuTakeOnALockedDestinationDoesNothing)
{
    Start(0, 101, 16, 32);
    Settings().bDebugMode = 1;
    Store_SetLock(101, 1, 1);
    Main_WndProc(fake::kMainWnd, MSG_COMMAND, IDM_TAKE, 0);
    EXPECT_EQ(Trace().find("RC "), std::string::npos) << Trace();
    Store_SetLock(101, 1, 0);
    Main_WndProc(fake::kMainWnd, MSG_COMMAND, IDM_TAKE, 0);
    EXPECT_NE(Trace().find("<VALDRUNE>-RC 101 0 1 ',---' 0\n"), std::string::npos) << Trace();
}

TEST_F(PanelTest, SelectingALevelMovesTheCheckAndRefillsTheLists)
{
    storetest::Configure(1, 7, 3, 2);
    Start(0, 101, 16, 32);
    fake::S().listSel[IDC_DEST_LIST] = 4;
    Dialog_DestSelected();
    Dialog_Proc(fake::kPanelWnd, MSG_COMMAND, IDC_SOURCE_LIST, 0);

    Dialog_SelectLevel(1);
    EXPECT_EQ(fake::S().menuChecked[IDM_LEVEL_FIRST], 0);
    EXPECT_EQ(fake::S().menuChecked[IDM_LEVEL_FIRST + 1], 1);
    EXPECT_EQ(fake::S().texts[IDC_LEVEL_LABEL], "Level 'B' 007");
    EXPECT_EQ(fake::S().lists[IDC_SOURCE_LIST].size(), 4u);
    EXPECT_EQ(fake::S().lists[IDC_DEST_LIST].size(), 3u);
    EXPECT_EQ(Panel().iSelDest, 1);
}

TEST_F(PanelTest, MainWindowOpensNormallyOnlyForDebugModeOne)
{
    const struct { int mode; int how; } cases[] = {
        {0, PLAT_SW_SHOWMINIMIZED}, {1, PLAT_SW_SHOWNORMAL}, {2, PLAT_SW_SHOWMINIMIZED}};
    for (auto& c : cases) {
        SetUp();
        Settings().bDebugMode = c.mode;
        Start(0, 101, 2, 2);
        EXPECT_EQ(fake::S().showHow, c.how) << c.mode;
    }
}

TEST_F(PanelTest, MovesSnapBackAndSystemCommandsGoToTheMainWindow)
{
    Start(0, 101, 2, 2);
    fake::S().log.clear();
    EXPECT_EQ(Dialog_Proc(fake::kPanelWnd, MSG_MOVE, 0, 0), 1);
    EXPECT_EQ(Dialog_Proc(fake::kPanelWnd, MSG_SYSCOMMAND, 0x1234F020, 7), 1);
    EXPECT_EQ(Dialog_Proc(fake::kPanelWnd, 0x0200, 0, 0), 0);
    EXPECT_TRUE(fake::LogHasInOrder({"origin", "send 274 w=61472 l=7"}));
}

TEST_F(PanelTest, InitialisationLoadsTalliesAndStartsTheSaveTimer)
{
    Start(0, 101, 2, 2);
    EXPECT_EQ(Idxfu_Loaded(), 1);
    EXPECT_EQ(fake::S().timers[PANEL_TIMER_SAVE], 30000u);
    EXPECT_EQ(fake::S().texts[IDC_KEYBOARD_IND], "Disabled");
    EXPECT_EQ(fake::S().states[IDC_KEYBOARD_IND], "/__2B__");
    EXPECT_TRUE(storetest::HasFile("VAL_DRN.IDX"));
}

TEST_F(PanelTest, AboutBoxShowsVersionAndBuild)
{
    EXPECT_EQ(About_Proc(0x77, MSG_INITDIALOG, 0, 0), 1);
    EXPECT_EQ(fake::S().texts[IDC_ABOUT_VERSION], "Version 3.02.06");
    const std::string build = fake::S().texts[IDC_ABOUT_BUILD];
    // "Mmm dd yyyy - hh:mm:ss", the build's own date and time.
    ASSERT_EQ(build.size(), 22u) << build;
    EXPECT_EQ(build.substr(11, 3), " - ");
    EXPECT_EQ(build[16], ':');
    EXPECT_EQ(build[19], ':');
    EXPECT_EQ(About_Proc(0x77, MSG_COMMAND, 1, 0), 1);
    EXPECT_EQ(fake::S().log.back(), "end dialog 1");
}

}  // namespace
