// The driver's main window built in this process from the program's own
// class code and resources, with the core started on a demo site: the menu
// as the resource defines it, and the menu states the core sets through the
// real menu API.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/menu_ids.h"
#include "app/shell.h"
#include "app/win32/main_window.h"
#include "config/settings.h"
#include "hostlink/cmd.h"
#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "leitch/leitch.h"
#include "panel/dialog.h"
#include "store/idxfu.h"
#include "store/store.h"
#include "tests/wine/shell/fixture_host.h"
#include "tests/wine/shell/site_dirs.h"

namespace {

void ResetCore() { Core_Reset(); }

std::string ItemText(HMENU menu, UINT item, UINT by)
{
    char text[128] = "";
    GetMenuStringA(menu, item, text, sizeof text, by);
    return text;
}

bool Grey(HMENU menu, UINT item, UINT by = MF_BYCOMMAND)
{
    return (GetMenuState(menu, item, by) & MF_GRAYED) != 0;
}

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        ResetCore();
        ASSERT_TRUE(Site_Create(&site_));
        ASSERT_TRUE(Site_Install(site_, "ORVA_CC.DLL"));
        ASSERT_TRUE(Site_Install(site_, "BWCC32.DLL"));
        Site_Setting(site_, "Controller", "Simulation", "1");
        Site_Setting(site_, "Levels", "Level_0", "101");
        Site_Setting(site_, "Levels", "Level_1", "102");
        ASSERT_TRUE(Host_Create());

        HINSTANCE self = GetModuleHandleA(nullptr);
        static bool registered = Main_RegisterClass(self);
        ASSERT_TRUE(registered);
        wnd_ = Main_CreateWindow(self);
        ASSERT_NE(wnd_, nullptr);
        Shell().hMainWnd = (PlatWnd)wnd_;
    }
    void TearDown() override
    {
        if (Shell().hCcLibrary)
            Main_Shutdown();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ;  // the quit message of the shutdown, and anything left
        DestroyWindow(wnd_);
        Host_Destroy();
        Site_Remove(&site_);
    }

    Site site_;
    HWND wnd_ = nullptr;
};

TEST_F(MainWindow, ResourcesGiveTheClassItsIconAndTheWindowItsMenu)
{
    EXPECT_NE(GetClassLongPtrA(wnd_, GCLP_HICON), 0) << "icon \"grdicon\"";
    HMENU menu = GetMenu(wnd_);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 8);

    const struct {
        const char* text;
        UINT id;  // 0 for a popup
        bool grey;
    } kBar[] = {
        {"&File", 0, false},          {"&Keyboard", 0, false},  {"&Level", 0, true},
        {"&Source Box", IDM_SOURCEBOX, true}, {"&Dest Box", IDM_DESTBOX, true},
        {"&Take", IDM_TAKE, true},    {"&Lock", IDM_LOCK, true}, {"&About", IDM_ABOUT, false},
    };
    for (UINT pos = 0; pos < 8; ++pos) {
        SCOPED_TRACE(kBar[pos].text);
        EXPECT_EQ(ItemText(menu, pos, MF_BYPOSITION), kBar[pos].text);
        EXPECT_EQ(Grey(menu, pos, MF_BYPOSITION), kBar[pos].grey);
        EXPECT_EQ(GetSubMenu(menu, pos) == nullptr, kBar[pos].id != 0);
        if (kBar[pos].id)
            EXPECT_EQ(GetMenuItemID(menu, pos), kBar[pos].id);
    }

    HMENU file = GetSubMenu(menu, 0);
    ASSERT_EQ(GetMenuItemCount(file), 1);
    EXPECT_EQ(GetMenuItemID(file, 0), (UINT)IDM_EXIT);
    EXPECT_EQ(ItemText(file, 0, MF_BYPOSITION), "E&xit");

    HMENU keyboard = GetSubMenu(menu, 1);
    ASSERT_EQ(GetMenuItemCount(keyboard), 1);
    EXPECT_EQ(GetMenuItemID(keyboard, 0), (UINT)IDM_KEYBOARD);
    EXPECT_EQ(ItemText(keyboard, 0, MF_BYPOSITION), "&Enable Keyboard Router Control");
    EXPECT_EQ(GetMenuState(keyboard, 0, MF_BYPOSITION) & (MF_GRAYED | MF_CHECKED), 0u);

    HMENU level = GetSubMenu(menu, 2);
    ASSERT_EQ(GetMenuItemCount(level), 26);
    for (int n = 0; n < 26; ++n) {
        std::string text = std::string("&") + (char)('A' + n) + " " + std::to_string(n);
        EXPECT_EQ(GetMenuItemID(level, n), (UINT)(IDM_LEVEL_FIRST + n)) << text;
        EXPECT_EQ(ItemText(level, n, MF_BYPOSITION), text);
        EXPECT_TRUE(Grey(level, n, MF_BYPOSITION)) << text;
    }
}

// Levels A and B are configured: keyboard control enables exactly their
// items, the Level popup and the four router items, and disabling greys
// them all again.
TEST_F(MainWindow, KeyboardControlSetsTheRealMenu)
{
    Main_Initialize();
    ASSERT_EQ(Host().attachRequests, 1);
    ASSERT_EQ(HostLink().hHxiWnd, (PlatWnd)Host().wnd);
    HMENU menu = GetMenu(wnd_);
    const UINT kRouter[] = {IDM_SOURCEBOX, IDM_DESTBOX, IDM_TAKE, IDM_LOCK};

    for (int round = 0; round < 3; ++round) {
        const bool on = round == 1;
        SCOPED_TRACE(round == 0 ? "after start-up" : on ? "enabled" : "disabled again");
        if (round > 0)
            SendMessageA(wnd_, WM_COMMAND, IDM_KEYBOARD, 0);
        EXPECT_EQ((GetMenuState(menu, IDM_KEYBOARD, MF_BYCOMMAND) & MF_CHECKED) != 0, on);
        EXPECT_EQ(Grey(menu, MENU_POS_LEVEL, MF_BYPOSITION), !on);
        for (int n = 0; n < 26; ++n)
            EXPECT_EQ(Grey(menu, IDM_LEVEL_FIRST + n), !(on && n < 2)) << "level " << n;
        for (UINT id : kRouter)
            EXPECT_EQ(Grey(menu, id), !on) << id;
        for (UINT id : {IDM_EXIT, IDM_KEYBOARD, IDM_ABOUT})
            EXPECT_FALSE(Grey(menu, id)) << id;
    }

    SendMessageA(wnd_, WM_CLOSE, 0, 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(Shell().bShutdownDone, 1);
}

}  // namespace
