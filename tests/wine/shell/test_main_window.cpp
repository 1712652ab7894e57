// The driver's main window built in this process from the program's own
// class code and resources, with the core started on a demo site: the menu
// as the resource defines it, and the menu states the core sets through the
// real menu API.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/menu_ids.h"
#include "app/shell.h"
#include "app/win32/main_window.h"
#include "hostlink/hxi.h"
#include "tests/wine/shell/fixture_host.h"
#include "tests/wine/shell/site_dirs.h"

namespace {

bool Grey(HMENU menu, UINT item, UINT by = MF_BYCOMMAND)
{
    return (GetMenuState(menu, item, by) & MF_GRAYED) != 0;
}

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        Core_Reset();
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

// The class has its icon and the window the menu of the resources. Levels A
// and B are configured: keyboard control enables exactly their items, the
// Level popup and the four router items, and disabling greys them all again.
TEST_F(MainWindow, KeyboardControlSetsTheRealMenu)
{
    EXPECT_NE(GetClassLongPtrA(wnd_, GCLP_HICON), 0) << "icon \"grdicon\"";
    HMENU menu = GetMenu(wnd_);
    ASSERT_EQ(GetMenuItemCount(menu), 8);
    HMENU level = GetSubMenu(menu, MENU_POS_LEVEL);
    ASSERT_EQ(GetMenuItemCount(level), 26);
    for (int n = 0; n < 26; ++n)
        EXPECT_EQ(GetMenuItemID(level, n), (UINT)(IDM_LEVEL_FIRST + n)) << n;

    Main_Initialize();
    ASSERT_EQ(Host().attachRequests, 1);
    ASSERT_EQ(HostLink().hHxiWnd, (PlatWnd)Host().wnd);
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
