// The operator panel against the fake window layer and the real store. The
// real panel's ordinary use (level table, lists and names, selections, Take,
// Lock, moves, the About box, minimised or normal) is read back under Wine;
// these are the cases that cannot be reached from there.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "panel/dialog.h"
#include "panel/panel_port.h"
#include "panel/status_codes.h"
#include "tests/native/test_store_support.h"
#include "ui/messages.h"
#include "ui/ui_ids.h"

namespace {

// Level A (101: 16 x 32) current, in simulation, the panel initialised.
void Start(int debugMode = 0)
{
    storetest::Fresh();
    Settings().bDebugMode = debugMode;
    std::snprintf(Settings().ParkLabel, sizeof Settings().ParkLabel, "%s", "- -");
    Settings().NameLength = 8;
    Settings().Simulation = 1;
    HostLink().hHxiWnd = fake::kHostWnd;
    storetest::Configure(0, 101, 16, 32);
    storetest::Configure(1, 7, 3, 2);
    Store_Level(2)->iDevice = -5;
    Memory_Init();
    Dialog_Proc(fake::kPanelWnd, MSG_INITDIALOG, 0, 0);
}

TEST(StatusCodes, SevenCharactersBeginningWithASlashAreACode)
{
    for (const char* code : {"/__2B__", "/abcdef"})
        EXPECT_TRUE(StatusButton_IsCode(code)) << code;
    for (const char* text : {"/__2B_", "/__2B__x", "__2B__/", "", (const char*)nullptr})
        EXPECT_FALSE(StatusButton_IsCode(text)) << (text ? text : "null");
}

// A negative device is shown as none; the panel is normal only for
// DebugMode 1; the tally file is loaded.
TEST(Panel, InitialisationEdges)
{
    Start(2);
    for (int base : {IDC_LEVEL_DEVICE, IDC_LEVEL_SOURCES, IDC_LEVEL_DESTS}) {
        EXPECT_EQ(fake::S().texts[base + 2], "- - -") << base;
        EXPECT_EQ(fake::S().enabled[base + 2], 0) << base;
    }
    EXPECT_EQ(fake::S().showHow, PLAT_SW_SHOWMINIMIZED);
    EXPECT_EQ(Idxfu_Loaded(), 1);
}

// Tally 0 highlights the park entry; with no destination selected nothing
// can be taken.
TEST(Panel, ParkTallyAndEmptySelections)
{
    Start();
    Store_SetTally(101, 1, 0);
    Dialog_ShowDest();
    EXPECT_EQ(fake::S().listSel[IDC_SOURCE_LIST], 0);
    Dialog_SourceSelected();   // the park entry
    fake::S().listSel[IDC_DEST_LIST] = -1;
    Dialog_DestSelected();
    EXPECT_EQ(fake::S().texts[IDC_LOCK], "Unlocked");
    Store_SetTally(101, 1, 5);
    Settings().SourceToDest = 1;   // a take would route the park entry at once
    Settings().bAccess[0] = 1;
    Dialog_Take();
    EXPECT_EQ(Store_GetTally(101, 1), 5);
}

// System commands go to the main window; a level selection moves the
// menu's check.
TEST(Panel, SystemCommandsAndLevelSelection)
{
    Start();
    EXPECT_EQ(Dialog_Proc(fake::kPanelWnd, MSG_SYSCOMMAND, 0x1234F020, 7), 1);
    EXPECT_EQ(Dialog_Proc(fake::kPanelWnd, 0x0200, 0, 0), 0);
    EXPECT_EQ(fake::S().log.back(), "send 274 w=61472 l=7");
    Dialog_SelectLevel(1);
    EXPECT_EQ(fake::S().menuChecked, (std::map<unsigned, int>{{IDM_LEVEL_FIRST, 0}, {IDM_LEVEL_FIRST + 1, 1}}));
}

// The block's layout is read by the real host in the panel tests.
// Unanswered: the block still holds the request, read up to its first zero
// byte. A host that leaves no terminator cannot overrun the name.
TEST(Panel, UnansweredAndUnterminatedNameRequests)
{
    Start();
    char name[18];
    Dialog_GetName(101, PANEL_NAME_SOURCE, 7, name, sizeof name);
    EXPECT_STREQ(name, "e");
    fake::S().onHostTx = [](void* data) { std::memset(data, 'N', 18); };
    Dialog_GetName(101, PANEL_NAME_SOURCE, 7, name, sizeof name);
    EXPECT_EQ(std::strlen(name), 17u);
}

}  // namespace
