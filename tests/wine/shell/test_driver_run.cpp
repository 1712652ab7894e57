// VAL_DRN.EXE as a process beside a fixture host window: a clean start and
// stop on a demo site with its windows read from outside, and the start-up
// problems that end in a message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "hostlink/hxi_messages.h"
#include "panel/panel_ids.h"
#include "panel/status_codes.h"
#include "tests/wine/shell/control_window.h"
#include "tests/wine/shell/driver_process.h"
#include "tests/wine/shell/fixture_host.h"
#include "tests/wine/shell/site_dirs.h"
#include "tests/wine/shell/temp_dir.h"

namespace {

// Generous: the machine is shared and Wine may start services on first use.
const DWORD kDeadlineMs = 60000;

std::string WindowClass(HWND wnd)
{
    char name[64] = "";
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

class DriverRun : public testing::Test {
protected:
    // A fresh site with the given libraries and, when asked, two levels.
    void Prepare(bool bwcc, bool cc, bool levels)
    {
        Program_Close(&driver_);
        Site_Remove(&site_);
        ASSERT_TRUE(Site_Create(&site_));
        ASSERT_TRUE(Host_Create());
        ASSERT_TRUE(!bwcc || Site_Install(site_, "BWCC32.DLL"));
        ASSERT_TRUE(!cc || Site_Install(site_, "ORVA_CC.DLL"));
        if (levels) {
            Site_Setting(site_, "Controller", "Simulation", "1");
            Site_Setting(site_, "Levels", "Level_0", "101");
            Site_Setting(site_, "Levels", "Level_1", "102");
        }
        ASSERT_TRUE(Program_Start("\"" + ProgramDir() + "\\VAL_DRN.EXE\"", &driver_));
    }
    void TearDown() override
    {
        Program_Close(&driver_);
        Host_Destroy();
        Site_Remove(&site_);
    }
    bool WaitFor(const std::function<bool()>& done) { return PumpUntil(done, kDeadlineMs); }
    DWORD CloseAndWaitExit()
    {
        DWORD_PTR result;
        if (Host().driver)
            SendMessageTimeoutA(Host().driver, ZUV_REQDEVCLOSE, 0, 0, SMTO_NORMAL, kDeadlineMs, &result);
        DWORD code = 0xDEAD;
        WaitFor([&] { return Program_Ended(driver_, &code); });
        return code;
    }

    Site site_;
    Program driver_ = {};
};

// Read from outside, as an operator would see it: the main window with the
// interface mode in its title, and the panel of the dialog library's class
// with the status buttons inside.
TEST_F(DriverRun, DemoSiteStartsAndStopsWithExitCodeZero)
{
    Prepare(true, true, true);
    ASSERT_TRUE(WaitFor([&] { return Program_Ended(driver_) || (Host().driver && Program_WasIdle(driver_)); }));
    ASSERT_FALSE(Program_Ended(driver_));
    EXPECT_EQ(Host().attachRequests, 1);
    EXPECT_EQ(Host().registrations, 2);
    EXPECT_EQ(Host().lastDevice, 102);

    HWND main = Host().driver;
    EXPECT_EQ(WindowClass(main), "VALDRUNE");
    EXPECT_EQ(ControlCaption(main), "VALDRUNE v3.02.06 - Leitch Controller - Tx/Rx");
    HWND panel = GetWindow(main, GW_CHILD);
    EXPECT_EQ(WindowClass(panel), "BORDLG");
    HWND mode = GetDlgItem(panel, IDC_INTERFACE_IND);
    EXPECT_EQ(WindowClass(mode), "ZUV_CC_Button");
    EXPECT_EQ(ControlState(mode), SB_CODE_MODE_TXRX);
    EXPECT_EQ(ControlCaption(mode), "Tx/Rx");
    EXPECT_EQ(CloseAndWaitExit(), 0u);
}

// Each problem shows its box; the driver goes on or ends as the problem
// demands and always ends with exit code 0.
TEST_F(DriverRun, StartUpProblemsShowTheirBox)
{
    const struct {
        bool bwcc, cc, levels;
        const char* text;  // nullptr: "ValDrune: Cannot find <path>"
        bool continues;
    } kCases[] = {
        {true, true, false,
         "There are no router driver ID's defined in the VAL_DRN.INI file.  There must be at least "
         "one router defined before VAL_DRN.EXE can function.", false},
        {true, false, true, "Cannot find ORVA_CC.DLL", false},
        {false, true, true, nullptr, true},
    };
    for (const auto& c : kCases) {
        Prepare(c.bwcc, c.cc, c.levels);
        std::string text = c.text ? c.text : "ValDrune: Cannot find " + site_.systemDir + "\\BWCC32.DLL";
        SCOPED_TRACE(text);
        HWND box = nullptr;
        WaitFor([&] { return (box = FindProcessWindow(driver_.pid, "! Error !")) || Program_Ended(driver_); });
        ASSERT_NE(box, nullptr) << "no box";
        EXPECT_EQ(MessageBoxText(box), text);
        DismissMessageBox(box);
        // The box came before the attach; once attached, ask to close.
        if (c.continues)
            ASSERT_TRUE(WaitFor([&] { return Host().driver != nullptr; }));
        EXPECT_EQ(CloseAndWaitExit(), 0u);
        EXPECT_EQ(Host().attachRequests, c.continues ? 1 : 0);
    }
}

}  // namespace
