// Linked into every GoogleTest program run under Wine: no test can sit on
// a window nobody will close. A message box or dialog of this process that
// stays up for a second fails the running test, naming its caption and
// text, and is closed so the run goes on. A test still running after
// VALDRN_TEST_BOUND_S seconds (default 20) is reported with whether its
// thread still handles sent messages (looping or waiting on a send) or not
// (blocked in a wait) and with the process's windows, and the program ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

CRITICAL_SECTION gLock;
std::string gTest;         // the running test; written by the main thread
ULONGLONG gTestStart = 0;  // when it started
DWORD gMainThread = 0;     // the thread that runs the tests

std::string Text(HWND wnd)
{
    wchar_t text[512] = L"";   // read without a message: the owner may be blocked
    InternalGetWindowText(wnd, text, 512);
    char out[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

BOOL CALLBACK AddChildText(HWND child, LPARAM out)
{
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && !Text(child).empty())
        *(std::string*)out += " \"" + Text(child) + "\"";
    return TRUE;
}

// "class "caption"" of one of this process's top-level windows, with the
// texts inside for a box.
std::string Describe(HWND wnd, bool texts)
{
    char cls[64] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    std::string s = std::string(cls) + " \"" + Text(wnd) + "\"";
    if (texts) {
        s += ":";
        EnumChildWindows(wnd, AddChildText, (LPARAM)&s);
    }
    return s;
}

struct Scan {
    HWND box = nullptr;
    HWND mainThreadWindow = nullptr;
    std::string all;
};

BOOL CALLBACK ScanWindow(HWND wnd, LPARAM arg)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != GetCurrentProcessId())
        return TRUE;
    Scan* scan = (Scan*)arg;
    if (GetWindowThreadProcessId(wnd, nullptr) == gMainThread)
        scan->mainThreadWindow = wnd;
    scan->all += "\n  " + Describe(wnd, false) + (IsWindowVisible(wnd) ? "" : " (hidden)");
    char cls[32] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    if (IsWindowVisible(wnd) && (!lstrcmpA(cls, "#32770") || !lstrcmpA(cls, "BORDLG")))
        scan->box = wnd;
    return TRUE;
}

DWORD WINAPI Watch(void*)
{
    const char* env = std::getenv("VALDRN_TEST_BOUND_S");
    const ULONGLONG bound = 1000ull * (env && std::atoi(env) > 0 ? std::atoi(env) : 20);
    HWND seen = nullptr;
    for (;; Sleep(500)) {
        EnterCriticalSection(&gLock);
        const std::string test = gTest;
        const ULONGLONG ran = GetTickCount64() - gTestStart;
        LeaveCriticalSection(&gLock);
        if (test.empty())
            continue;
        Scan scan;
        EnumWindows(ScanWindow, (LPARAM)&scan);
        if (scan.box && scan.box == seen) {
            ADD_FAILURE() << test << " waited on a box nobody closes: " << Describe(scan.box, true);
            PostMessageA(scan.box, WM_CLOSE, 0, 0);
        }
        seen = scan.box;
        if (ran < bound)
            continue;
        // A thread looping over its messages, or waiting on a send of its
        // own, still handles a message sent to it; one blocked in a wait
        // does not.
        DWORD_PTR r;
        const char* state = !scan.mainThreadWindow ? "has no window"
            : SendMessageTimeoutA(scan.mainThreadWindow, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &r)
            ? "handles sent messages (looping, or waiting on a send)"
            : "handles no message (blocked in a wait)";
        std::printf("[  FAILED  ] %s still running after %llu s; its thread %s; "
                    "windows of this process:%s\n", test.c_str(), ran / 1000, state,
                    scan.all.empty() ? " none" : scan.all.c_str());
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

class Watchdog : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& info) override
    {
        Set(std::string(info.test_suite_name()) + "." + info.name());
    }
    void OnTestEnd(const testing::TestInfo&) override { Set(""); }
    void Set(const std::string& test)
    {
        EnterCriticalSection(&gLock);
        gTest = test;
        gTestStart = GetTickCount64();
        LeaveCriticalSection(&gLock);
    }
};

// Started before main: gtest_main needs no change.
const bool gStarted = [] {
    InitializeCriticalSection(&gLock);
    gMainThread = GetCurrentThreadId();
    testing::UnitTest::GetInstance()->listeners().Append(new Watchdog);
    CloseHandle(CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr));
    return true;
}();

}  // namespace
