// The driver's main window built in this process from the program's own
// class code and resources on a demo site: the panel from its template, the
// menu states the core sets through the real menu API, and the settings
// written back through the system's own profile API.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/shell.h"
#include "app/win32/main_window.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "platform/platform.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"

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

std::string ProgramDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n < sizeof path ? n : 0);
    return s.substr(0, s.find_last_of("\\/"));
}

// A site beside the build's programs, found through CC_ROOT and CC_SYSTEM,
// with the control libraries built there, in simulation on levels A and B (D has a negative device).
class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        Core_Reset();
        const std::string root = ProgramDir() + "\\shell-site";
        config_ = root + "\\site\\config\\system";
        const std::string lib = root + "\\site\\windows\\lib";
        SetEnvironmentVariableA("CC_ROOT", root.c_str());
        SetEnvironmentVariableA("CC_SYSTEM", "site");
        for (const char* sub : {"", "\\site", "\\site\\config", "\\site\\config\\system",
                                "\\site\\windows", "\\site\\windows\\lib"})
            CreateDirectoryA((root + sub).c_str(), nullptr);   // kept from an earlier run
        // A library an earlier test loaded from the site cannot be replaced; it is this build's.
        for (const char* name : {"ORVA_CC.DLL", "BWCC32.DLL"})
            ASSERT_TRUE(CopyFileA((ProgramDir() + "\\" + name).c_str(), (lib + "\\" + name).c_str(),
                                  FALSE) || GetModuleHandleA(name)) << name;
        const std::string ini = config_ + "\\VAL_DRN.INI";
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());   // drop the cached copy
        DeleteFileA(ini.c_str());
        WritePrivateProfileStringA("Controller", "Simulation", "1", ini.c_str());
        WritePrivateProfileStringA("Levels", "Level_0", "101", ini.c_str());
        WritePrivateProfileStringA("Levels", "Level_1", "102", ini.c_str());
        WritePrivateProfileStringA("Levels", "Level_3", "-2", ini.c_str());

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
        // The quit message of the shutdown and anything else posted. Not
        // the paint of a window: it stays due until painted, so a peek
        // that does not paint sees it again (Wine 10 keeps one due for
        // the minimised main window) and the loop would never end.
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE))
            ;
        DestroyWindow(wnd_);
        DestroyWindow(host_);
        SetEnvironmentVariableA("CC_ROOT", nullptr);
        SetEnvironmentVariableA("CC_SYSTEM", nullptr);
    }

    std::string config_;
    HWND wnd_ = nullptr;
    HWND host_ = nullptr;
};

// The class has its icon; the settings loader writes back through the real
// profile API. Levels A, B and D (a negative device) are set: keyboard
// control enables exactly their items (any non-zero device), the Level
// popup and the four router items, and the Keybrd indicator says so;
// disabling greys them all again.
TEST_F(MainWindow, KeyboardControlSetsTheRealMenu)
{
    EXPECT_NE(GetClassLongPtrA(wnd_, GCLP_HICON), 0) << "icon \"grdicon\"";
    HMENU menu = GetMenu(wnd_);
    Main_Initialize();
    ASSERT_EQ(gAttachRequests, 1);
    ASSERT_EQ(HostLink().hHxiWnd, (PlatWnd)host_);
    char slot[16] = "";   // the loader's write-back reached the real file
    GetPrivateProfileStringA("StatusSlots", "StatusSlot_1", "", slot, sizeof slot,
                             (config_ + "\\VAL_DRN.INI").c_str());
    EXPECT_STREQ(slot, "102");
    const UINT kRouter[] = {IDM_SOURCEBOX, IDM_DESTBOX, IDM_TAKE, IDM_LOCK};

    for (int round = 0; round < 3; ++round) {
        const bool on = round == 1;
        SCOPED_TRACE(round == 0 ? "after start-up" : on ? "enabled" : "disabled again");
        if (round > 0)
            SendMessageA(wnd_, WM_COMMAND, IDM_KEYBOARD, 0);
        EXPECT_EQ((GetMenuState(menu, IDM_KEYBOARD, MF_BYCOMMAND) & MF_CHECKED) != 0, on);
        EXPECT_EQ(Grey(menu, MENU_POS_LEVEL, MF_BYPOSITION), !on);
        for (int n = 0; n < 26; ++n)
            EXPECT_EQ(Grey(menu, IDM_LEVEL_FIRST + n), !(on && (n < 2 || n == 3))) << "level " << n;
        for (UINT id : kRouter)
            EXPECT_EQ(Grey(menu, id), !on) << id;
        for (UINT id : {IDM_EXIT, IDM_KEYBOARD, IDM_ABOUT})
            EXPECT_FALSE(Grey(menu, id)) << id;
        char shown[16] = "";
        GetDlgItemTextA((HWND)Ui_Panel(), IDC_KEYBOARD_IND, shown, sizeof shown);
        EXPECT_STREQ(shown, on ? "Enabled" : "Disabled");
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

}  // namespace
