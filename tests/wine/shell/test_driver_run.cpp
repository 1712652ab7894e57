// VAL_DRN.EXE as a process beside a fixture host window: a clean start and
// stop on a demo site, its windows and trace read from outside, and the
// start-up problems that end in a message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "panel/panel_ids.h"
#include "panel/status_codes.h"
#include "stand-ins/tracecap/dbwin.h"
#include "tests/wine/shell/control_window.h"
#include "tests/wine/shell/driver_process.h"
#include "tests/wine/shell/fixture_host.h"
#include "tests/wine/shell/site_dirs.h"
#include "tests/wine/shell/temp_dir.h"

namespace {

// Generous: the machine is shared and Wine may start services on first use.
const DWORD kDeadlineMs = 60000;

const char kNoLevels[] =
    "There are no router driver ID's defined in the VAL_DRN.INI file.  There must be at least "
    "one router defined before VAL_DRN.EXE can function.";

std::string WindowClass(HWND wnd)
{
    char name[64] = "";
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

// Collects the session's debug output on a thread while the test runs.
class TraceCapture {
public:
    bool Start()
    {
        if (!Dbwin_Open(&capture_))
            return false;
        thread_ = std::thread([this] { Run(); });
        return true;
    }
    // The texts written by one process. Call once that process has ended:
    // its last text is then already signalled and is drained here.
    std::vector<std::string> Stop(DWORD pid)
    {
        stop_ = true;
        thread_.join();
        Dbwin_Close(&capture_);
        std::vector<std::string> texts;
        for (const auto& t : texts_)
            if (t.first == pid)
                texts.push_back(t.second);
        return texts;
    }

private:
    void Run()
    {
        char text[4096];
        DWORD pid;
        for (;;) {
            if (Dbwin_Next(&capture_, stop_ ? 0 : 50, &pid, text, sizeof text)) {
                std::lock_guard<std::mutex> lock(mutex_);
                texts_.push_back({pid, text});
            } else if (stop_) {
                return;
            }
        }
    }

    DbwinCapture capture_{};
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::pair<DWORD, std::string>> texts_;
};

class DriverRun : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Site_Create(&site_));
        ASSERT_TRUE(Host_Create());
    }
    void TearDown() override
    {
        Program_Close(&driver_);
        Host_Destroy();
        Site_Remove(&site_);
    }
    void DemoSite()
    {
        ASSERT_TRUE(Site_Install(site_, "ORVA_CC.DLL"));
        ASSERT_TRUE(Site_Install(site_, "BWCC32.DLL"));
        Levels();
    }
    void Levels()
    {
        Site_Setting(site_, "Controller", "Simulation", "1");
        Site_Setting(site_, "Levels", "Level_0", "101");
        Site_Setting(site_, "Levels", "Level_1", "102");
    }
    void Start()
    {
        ASSERT_TRUE(Program_Start("\"" + ProgramDir() + "\\VAL_DRN.EXE\"", &driver_));
    }
    // Attached and waiting for input: start-up is over.
    bool WaitUp()
    {
        return PumpUntil(
            [&] { return Program_Ended(driver_) || (Host().driver && Program_WasIdle(driver_)); },
            kDeadlineMs);
    }
    HWND WaitBox()
    {
        HWND box = nullptr;
        PumpUntil(
            [&] {
                box = FindProcessWindow(driver_.pid, "! Error !");
                return box || Program_Ended(driver_);
            },
            kDeadlineMs);
        return box;
    }
    void Close()
    {
        DWORD_PTR result;
        SendMessageTimeoutA(Host().driver, ZUV_REQDEVCLOSE, 0, 0, SMTO_NORMAL, kDeadlineMs, &result);
    }
    DWORD WaitExit()
    {
        DWORD code = 0xDEAD;
        PumpUntil([&] { return Program_Ended(driver_, &code); }, kDeadlineMs);
        return code;
    }

    Site site_;
    Program driver_ = {};
};

TEST_F(DriverRun, DemoSiteStartsAndStopsWithExitCodeZero)
{
    DemoSite();
    Site_Setting(site_, "Controller", "DebugMode", "1");
    TraceCapture trace;
    ASSERT_TRUE(trace.Start()) << "another debug output reader is running";
    Start();

    ASSERT_TRUE(WaitUp());
    ASSERT_FALSE(Program_Ended(driver_));
    EXPECT_EQ(Host().attachRequests, 1);
    EXPECT_EQ(Host().registrations, 2);
    EXPECT_EQ(Host().lastDevice, 102);

    // Read from outside, as an operator would see it: the main window shown
    // normally (DebugMode 1) with the interface mode in its title, and the
    // panel of the dialog library's class with the status buttons inside.
    HWND main = Host().driver;
    EXPECT_EQ(WindowClass(main), "VALDRUNE");
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_EQ(ControlCaption(main), "VALDRUNE v3.02.06 - Leitch Controller - Tx/Rx");
    HWND panel = GetWindow(main, GW_CHILD);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(WindowClass(panel), "BORDLG");
    HWND mode = GetDlgItem(panel, IDC_INTERFACE_IND);
    EXPECT_EQ(WindowClass(mode), "ZUV_CC_Button");
    EXPECT_EQ(ControlState(mode), SB_CODE_MODE_TXRX);
    EXPECT_EQ(ControlCaption(mode), "Tx/Rx");

    Close();
    EXPECT_EQ(WaitExit(), 0u);

    std::vector<std::string> lines = trace.Stop(driver_.pid);
    const char* kInOrder[] = {"<VALDRUNE>-load from VAL_DRN.INI, path: \n",
                              "<VALDRUNE>-Trying to attach to HXIHOST\n",
                              "<VALDRUNE>-Got handle\n"};
    size_t next = 0;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind("<VALDRUNE>-", 0), 0u) << line;
        EXPECT_EQ(line.back(), '\n') << line;
        if (next < 3 && line == kInOrder[next])
            ++next;
    }
    EXPECT_EQ(next, 3u) << "trace lines missing or out of order";
}

// Each problem shows its box; the driver goes on or ends as the problem
// demands and always ends with exit code 0.
TEST_F(DriverRun, StartUpProblemsShowTheirBox)
{
    const struct {
        const char* what;
        bool bwcc;
        bool cc;
        bool levels;
        const char* text;  // nullptr: "ValDrune: Cannot find <path>"
        bool continues;
    } kCases[] = {
        {"no level configured", true, true, false, kNoLevels, false},
        {"ORVA_CC.DLL missing", true, false, true, "Cannot find ORVA_CC.DLL", false},
        {"BWCC32.DLL missing", false, true, true, nullptr, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        Program_Close(&driver_);
        Site_Remove(&site_);
        ASSERT_TRUE(Site_Create(&site_));
        ASSERT_TRUE(Host_Create());
        if (c.bwcc)
            ASSERT_TRUE(Site_Install(site_, "BWCC32.DLL"));
        if (c.cc)
            ASSERT_TRUE(Site_Install(site_, "ORVA_CC.DLL"));
        if (c.levels)
            Levels();
        std::string text = c.text ? c.text : "ValDrune: Cannot find " + site_.systemDir + "\\BWCC32.DLL";
        Start();

        HWND box = WaitBox();
        ASSERT_NE(box, nullptr) << "no box";
        EXPECT_EQ(MessageBoxText(box), text);
        DismissMessageBox(box);
        if (c.continues) {
            // The box came before the attach; once attached, ask to close.
            ASSERT_TRUE(PumpUntil([&] { return Host().driver != nullptr; }, kDeadlineMs));
            Close();
        }
        EXPECT_EQ(WaitExit(), 0u);
        EXPECT_EQ(Host().attachRequests, c.continues ? 1 : 0);
        Host_Destroy();
    }
}

}  // namespace
