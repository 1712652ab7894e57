// Linked into every GoogleTest program run under Wine: no test can sit on
// a window nobody will close. A message box or dialog of this process that
// stays up for a second, or a test still running after VALDRN_TEST_BOUND_S
// seconds (default 20: a loop, a wait or a send that does not end), fails
// the running test with the box's caption and texts, and the program ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The box's thread is in its modal loop, so it answers for its texts.
BOOL CALLBACK AddText(HWND wnd, LPARAM out)
{
    char text[512] = "";
    GetWindowTextA(wnd, text, sizeof text);
    if (text[0])
        *(std::string*)out += std::string(" \"") + text + "\"";
    return TRUE;
}

BOOL CALLBACK FindBox(HWND wnd, LPARAM out)
{
    DWORD pid = 0;
    char cls[32] = "";
    GetWindowThreadProcessId(wnd, &pid);
    GetClassNameA(wnd, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && IsWindowVisible(wnd) &&
        (!lstrcmpA(cls, "#32770") || !lstrcmpA(cls, "BORDLG")))
        *(HWND*)out = wnd;
    return TRUE;
}

DWORD WINAPI Watch(void*)
{
    const char* env = std::getenv("VALDRN_TEST_BOUND_S");
    const ULONGLONG bound = 1000ull * (env && std::atoi(env) > 0 ? std::atoi(env) : 20);
    const testing::TestInfo* test = nullptr;
    ULONGLONG start = 0;
    for (HWND seen = nullptr;; Sleep(500)) {
        const testing::TestInfo* now = testing::UnitTest::GetInstance()->current_test_info();
        if (now != test)
            test = now, start = GetTickCount64();
        HWND box = nullptr;
        EnumWindows(FindBox, (LPARAM)&box);
        std::string why = "waited on a box nobody closes:";
        if (box && box == seen)
            AddText(box, (LPARAM)&why), EnumChildWindows(box, AddText, (LPARAM)&why);
        else if (GetTickCount64() - start >= bound)
            why = "still running after " + std::to_string(bound / 1000) + " s";
        else
            why.clear();
        seen = box;
        if (!test || why.empty())
            continue;
        std::printf("[  FAILED  ] %s.%s %s\n", test->test_suite_name(), test->name(), why.c_str());
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

// Started before main: gtest_main needs no change.
const bool gStarted = [] {
    CloseHandle(CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr));
    return true;
}();

}  // namespace
