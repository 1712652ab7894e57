// E2EPROBE.EXE: looks at the running driver from outside for the end-to-end
// tests, one request per run, answering on standard output.
//
//   box MS             wait up to MS ms for a "! Error !" box of any process;
//                      print its text and press OK (exit 2 when none came)
//   boxes              print "caption|text" of every message box shown now
//   post MSG W L ...   post messages to the driver's main window, in order
//   panel              print the main window title and the panel's fields
//   stats              print the driver's pid, memory and handle counts
//   kill               end the driver's process at once (exit code 99)
//   killsave US        be the session's debug output reader; once a process
//                      has traced the path of a tally save, wait US
//                      microseconds and end that process (exit code 99)
//
// The driver is the process of the top-level window of class "VALDRUNE";
// exit 3 when there is none.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "panel/panel_ids.h"
#include "stand-ins/tracecap/dbwin.h"
#include "tests/wine/shell/control_window.h"
#include "tests/wine/shell/driver_process.h"

namespace {

const char* const kBoxCaptions[] = {"! Error !", "Comms error"};

struct BoxSearch {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectBox(HWND wnd, LPARAM arg)
{
    char title[64] = "";
    if (!IsWindowVisible(wnd) || !GetWindowTextA(wnd, title, sizeof title))
        return TRUE;
    for (const char* caption : kBoxCaptions)
        if (std::strcmp(title, caption) == 0)
            ((BoxSearch*)arg)->found.push_back(wnd);
    return TRUE;
}

std::vector<HWND> Boxes()
{
    BoxSearch s;
    EnumWindows(CollectBox, (LPARAM)&s);
    return s.found;
}

HWND Driver()
{
    return FindWindowA("VALDRUNE", nullptr);
}

int WaitBox(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        for (HWND box : Boxes()) {
            char title[64] = "";
            GetWindowTextA(box, title, sizeof title);
            if (std::strcmp(title, kBoxCaptions[0]) != 0)
                continue;
            std::printf("%s\n", MessageBoxText(box).c_str());
            DismissMessageBox(box);
            return 0;
        }
        Sleep(20);
    } while (GetTickCount() - start < ms);
    return 2;
}

int ListBoxes()
{
    for (HWND box : Boxes()) {
        char title[64] = "";
        GetWindowTextA(box, title, sizeof title);
        std::printf("%s|%s\n", title, MessageBoxText(box).c_str());
    }
    return 0;
}

int Post(HWND driver, int count, char** args)
{
    for (int i = 0; i + 2 < count; i += 3) {
        UINT msg = (UINT)std::strtoul(args[i], nullptr, 0);
        WPARAM w = (WPARAM)std::strtoull(args[i + 1], nullptr, 0);
        LPARAM l = (LPARAM)std::strtoll(args[i + 2], nullptr, 0);
        if (!PostMessageA(driver, msg, w, l))
            return 1;
    }
    return 0;
}

// One line per field: "<id> <state code or -> <text>"; the title first.
int Panel(HWND driver)
{
    std::printf("title %s\n", ControlCaption(driver).c_str());
    HWND panel = GetWindow(driver, GW_CHILD);
    const int kFields[] = {IDC_STATUS_IND,  IDC_DRIVER_IND, IDC_INTERFACE_IND, IDC_KEYBOARD_IND,
                           IDC_POLL_ROUTER, IDC_POLL_DEST,  IDC_TX_COUNT,      IDC_RX_COUNT};
    for (int id : kFields) {
        HWND field = panel ? GetDlgItem(panel, id) : nullptr;
        if (!field)
            continue;
        std::string state = ControlState(field);
        std::printf("%d %s %s\n", id, state.empty() ? "-" : state.c_str(),
                    ControlCaption(field).c_str());
    }
    return 0;
}

// Handles of one process, counted in the system's handle table (the
// per-process count is not kept under Wine). -1 when the table is refused.
typedef LONG(NTAPI* QuerySystem)(ULONG, PVOID, ULONG, PULONG);
struct HandleEntry {
    ULONG pid;
    UCHAR type;
    UCHAR flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};

long SystemHandles(DWORD pid)
{
    const ULONG kSystemHandleInformation = 16;
    QuerySystem query =
        (QuerySystem)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    if (!query)
        return -1;
    std::vector<char> buffer(1 << 20);
    for (int tries = 0; tries < 6; ++tries) {
        ULONG need = 0;
        LONG status = query(kSystemHandleInformation, buffer.data(), (ULONG)buffer.size(), &need);
        if (status == 0) {
            const HandleTable* t = (const HandleTable*)buffer.data();
            long n = 0;
            for (ULONG i = 0; i < t->count; ++i)
                n += t->entries[i].pid == pid;
            return n;
        }
        buffer.resize(buffer.size() * 2 > need ? buffer.size() * 2 : need + 4096);
    }
    return -1;
}

int Stats(HWND driver)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(driver, &pid);
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!p)
        return 1;
    PROCESS_MEMORY_COUNTERS mem = {};
    mem.cb = sizeof mem;
    GetProcessMemoryInfo(p, &mem, sizeof mem);
    DWORD handles = 0;
    GetProcessHandleCount(p, &handles);
    std::printf("pid %lu\nworkingset %llu\nprivate %llu\nhandles %lu\nsystemhandles %ld\n"
                "gdi %lu\nuser %lu\n",
                (unsigned long)pid, (unsigned long long)mem.WorkingSetSize,
                (unsigned long long)mem.PagefileUsage, (unsigned long)handles, SystemHandles(pid),
                (unsigned long)GetGuiResources(p, GR_GDIOBJECTS),
                (unsigned long)GetGuiResources(p, GR_USEROBJECTS));
    CloseHandle(p);
    return 0;
}

int KillProcess(DWORD pid)
{
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p || !TerminateProcess(p, 99))
        return 1;
    WaitForSingleObject(p, 30000);
    CloseHandle(p);
    return 0;
}

int Kill(HWND driver)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(driver, &pid);
    return KillProcess(pid);
}

// The save writes its file right after tracing the path: the writer has
// handed the text over and goes on, so a kill now lands inside the save or
// just after it, depending on the delay.
int KillDuringSave(long delayUs)
{
    DbwinCapture c;
    if (!Dbwin_Open(&c)) {
        std::printf("another debug output reader is running\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    LARGE_INTEGER freq, start, now;
    QueryPerformanceFrequency(&freq);
    char text[4096];
    DWORD pid = 0, saver = 0;
    for (;;) {
        if (!Dbwin_Next(&c, 100, &pid, text, sizeof text))
            continue;
        if (std::strcmp(text, "<VALDRUNE>-Idxfu_WriteIndex config dir: \n") == 0) {
            saver = pid;
            continue;
        }
        if (saver != 0 && pid == saver)
            break;
    }
    QueryPerformanceCounter(&start);
    do
        QueryPerformanceCounter(&now);
    while ((now.QuadPart - start.QuadPart) * 1000000 / freq.QuadPart < delayUs);
    int rc = KillProcess(saver);
    Dbwin_Close(&c);
    std::printf("killed %lu\n", (unsigned long)saver);
    return rc;
}

int Usage()
{
    std::fputs("usage: E2EPROBE.EXE box MS | boxes | post MSG W L... | panel | stats | kill |"
               " killsave US\n",
               stderr);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::string what = argv[1];
    int rc;
    if (what == "box" && argc == 3) {
        rc = WaitBox((DWORD)std::strtoul(argv[2], nullptr, 10));
    } else if (what == "boxes") {
        rc = ListBoxes();
    } else if (what == "killsave" && argc == 3) {
        rc = KillDuringSave(std::strtol(argv[2], nullptr, 10));
    } else {
        HWND driver = Driver();
        if (!driver)
            return 3;
        if (what == "post" && argc >= 5)
            rc = Post(driver, argc - 2, argv + 2);
        else if (what == "panel")
            rc = Panel(driver);
        else if (what == "stats")
            rc = Stats(driver);
        else if (what == "kill")
            rc = Kill(driver);
        else
            return Usage();
    }
    std::fflush(stdout);
    return rc;
}
