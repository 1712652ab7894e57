// The probe's look at message boxes and at the driver's process: texts of
// boxes of any process, memory and handle figures, and kills.
#include "tests/wine/probe/probe.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "stand-ins/tracecap/dbwin.h"
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

}  // namespace

int Probe_WaitBox(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        for (HWND box : Boxes()) {
            char title[64] = "";
            GetWindowTextA(box, title, sizeof title);
            if (std::strcmp(title, kBoxCaptions[0]) != 0)
                continue;
            std::printf("box\t%s\t%s\n", title, MessageBoxText(box).c_str());
            DismissMessageBox(box);
            return 0;
        }
        Sleep(20);
    } while (GetTickCount() - start < ms);
    return 2;
}

int Probe_Boxes()
{
    for (HWND box : Boxes()) {
        char title[64] = "";
        GetWindowTextA(box, title, sizeof title);
        std::printf("box\t%s\t%s\n", title, MessageBoxText(box).c_str());
    }
    return 0;
}

namespace {

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
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    QuerySystem query = (QuerySystem)(void*)GetProcAddress(ntdll, "NtQuerySystemInformation");
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

}  // namespace

int Probe_Stats(HWND driver)
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
    std::printf("stat\tpid\t%lu\nstat\tworkingset\t%llu\nstat\tprivate\t%llu\n"
                "stat\thandles\t%lu\nstat\tsystemhandles\t%ld\nstat\tgdi\t%lu\n"
                "stat\tuser\t%lu\n",
                (unsigned long)pid, (unsigned long long)mem.WorkingSetSize,
                (unsigned long long)mem.PagefileUsage, (unsigned long)handles, SystemHandles(pid),
                (unsigned long)GetGuiResources(p, GR_GDIOBJECTS),
                (unsigned long)GetGuiResources(p, GR_USEROBJECTS));
    CloseHandle(p);
    return 0;
}

namespace {

int KillProcess(DWORD pid)
{
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p || !TerminateProcess(p, 99))
        return 1;
    WaitForSingleObject(p, 30000);
    CloseHandle(p);
    return 0;
}

}  // namespace

// The save writes its file right after tracing the path: the writer has
// handed the text over and goes on, so a kill now lands inside the save or
// just after it, depending on the delay.
int Probe_KillDuringSave(long delayUs)
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
