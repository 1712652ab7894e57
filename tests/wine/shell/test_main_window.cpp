// The driver's main window built in this process from the program's own
// class code and resources on a demo site: the panel from its template, the
// menu as the resources define it, and the menu states the core sets
// through the real menu API; and the settings loader on the system's own
// profile API.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <string>

#include "ui/ui_ids.h"
#include "app/shell.h"
#include "app/win32/main_window.h"
#include "config/settings.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "platform/platform.h"
#include "store/store.h"
#include "tests/wine/shell/site_dirs.h"
#include "ui/ui.h"

namespace {

// Just enough of the host interface's window: it answers the attach request
// with its handle while the driver waits, and accepts every registration.
int gAttachRequests = 0;

LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == ZUV_REQHXIHANDLE) {
        gAttachRequests++;
        SendMessageA((HWND)wParam, ZUV_HXIHANDLE, (WPARAM)wnd, 0);
        return 0;
    }
    return msg == ZUV_REGDEV ? 0 : DefWindowProcA(wnd, msg, wParam, lParam);
}

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
        HINSTANCE self = GetModuleHandleA(nullptr);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = self;
        wc.lpszClassName = "ValdrnTestHost";
        RegisterClassA(&wc);   // fails harmlessly when already registered
        host_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, self, nullptr);
        ASSERT_NE(host_, nullptr);
        gAttachRequests = 0;

        static bool registered = Main_RegisterClass(self);
        ASSERT_TRUE(registered);
        wnd_ = Main_CreateWindow(self);
        ASSERT_NE(wnd_, nullptr);
        Ui_SetMainWindow((PlatWnd)wnd_);
    }
    void TearDown() override
    {
        if (Shell().hCcLibrary)
            Main_Shutdown();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ;  // the quit message of the shutdown, and anything left
        DestroyWindow(wnd_);
        DestroyWindow(host_);
        Site_Remove(&site_);
    }

    Site site_;
    HWND wnd_ = nullptr;
    HWND host_ = nullptr;
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
    ASSERT_EQ(gAttachRequests, 1);
    ASSERT_EQ(HostLink().hHxiWnd, (PlatWnd)host_);
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
}

// Without the dialog library the template is still created, on the plain
// classes the program registers under the library's class names (the test
// before left the library's own registered, their code unloaded).
TEST_F(MainWindow, PanelOnPlainClassesWithoutTheDialogLibrary)
{
    HMODULE cc = LoadLibraryA("ORVA_CC.DLL");   // the status buttons
    ASSERT_NE(cc, nullptr);
    UnregisterClassA("BORDLG", GetModuleHandleA(nullptr));
    UnregisterClassA("BorShade", GetModuleHandleA(nullptr));
    Plat_RegisterPlainDialogClasses();
    HWND panel = (HWND)Plat_CreatePanel((PlatWnd)wnd_);
    EXPECT_NE(panel, nullptr);
    DestroyWindow(panel);
    FreeLibrary(cc);
}

// A file written by hand the way a person edits it (blanks around "=",
// other letter case in names, comments, quotes, a key present with an empty
// value) reaches the loader as meant, and the slots it writes back land in
// the file.
TEST_F(MainWindow, HandWrittenSettingsAreReadAsThePersonMeantThem)
{
    const std::string ini = site_.configDir + "\\VAL_DRN.INI";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());   // drop the cached copy
    std::ofstream(ini, std::ios::binary | std::ios::trunc)
        << "; demo router\r\n[controller]\r\nname = \"Studio A\"\r\nTallyDelay=\r\nPARITY=even\r\n"
           "[Levels]\r\nlevel_2 = 101\r\nLevel_5=102\r\n";
    auto read = [&](const char* section, const char* key) {
        char text[256];
        GetPrivateProfileStringA(section, key, "<absent>", text, sizeof text, ini.c_str());
        return std::string(text);
    };
    EXPECT_EQ(Prof_LoadSettings(), 1);
    EXPECT_STREQ(Settings().Name, "Studio A");
    EXPECT_EQ(Settings().TallyDelay, 0);
    EXPECT_EQ(read("Controller", "TallyDelay"), "");
    EXPECT_EQ(Settings().Parity, 'e');
    EXPECT_EQ(Settings().iCurrentLevel, 2);
    EXPECT_EQ(Store_Level(5)->iDevice, 102);
    EXPECT_EQ(read("StatusSlots", "StatusSlot_2"), "101");
    EXPECT_EQ(read("StatusSlots", "StatusSlot_3"), "0");
}

}  // namespace
