// The probe's look at message boxes and at the driver's process: the text
// of an error box of any process, and memory and handle figures.
#include "tests/wine/probe/probe.h"

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kBoxCaption[] = "! Error !";

BOOL CALLBACK FindBox(HWND wnd, LPARAM found)
{
    char title[64] = "";
    if (!IsWindowVisible(wnd) || !GetWindowTextA(wnd, title, sizeof title) ||
        std::strcmp(title, kBoxCaption) != 0)
        return TRUE;
    *(HWND*)found = wnd;
    return FALSE;
}

// A box's text is its longest static text.
BOOL CALLBACK LongestStaticText(HWND child, LPARAM best)
{
    char cls[32], text[1024];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) &&
        std::strlen(text) > ((std::string*)best)->size())
        *(std::string*)best = text;
    return TRUE;
}

// The file name of a window's program ("?" when its process is refused).
std::string ProgramOf(HWND wnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char path[MAX_PATH] = "?";
    DWORD size = sizeof path;
    if (p) {
        if (!QueryFullProcessImageNameA(p, 0, path, &size))
            std::strcpy(path, "?");
        CloseHandle(p);
    }
    const char* name = std::strrchr(path, '\\');
    return name ? name + 1 : path;
}

// Standard dialogs: message boxes, and the report of a program that crashed.
BOOL CALLBACK PrintDialog(HWND wnd, LPARAM)
{
    char cls[32] = "", title[256] = "";
    GetClassNameA(wnd, cls, sizeof cls);
    if (!IsWindowVisible(wnd) || std::strcmp(cls, "#32770") != 0)
        return TRUE;
    GetWindowTextA(wnd, title, sizeof title);
    std::string text;
    EnumChildWindows(wnd, LongestStaticText, (LPARAM)&text);
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    std::printf("box\t%s\t%s\t%s\n", title, text.c_str(), ProgramOf(wnd).c_str());
    return TRUE;
}

}  // namespace

int Probe_ListBoxes()
{
    EnumWindows(PrintDialog, 0);
    return 0;
}

int Probe_WaitBox(DWORD ms)
{
    DWORD start = GetTickCount();
    do {
        HWND box = nullptr;
        EnumWindows(FindBox, (LPARAM)&box);
        if (box) {
            std::string text;
            EnumChildWindows(box, LongestStaticText, (LPARAM)&text);
            std::printf("box\t%s\t%s\n", kBoxCaption, text.c_str());
            // Done once the box is gone, so that a look for boxes right
            // after this one does not find it again.
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            for (DWORD gone = GetTickCount(); IsWindow(box) && IsWindowVisible(box) &&
                                              GetTickCount() - gone < 5000;)
                Sleep(10);
            return 0;
        }
        Sleep(20);
    } while (GetTickCount() - start < ms);
    return 2;
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
        if (query(kSystemHandleInformation, buffer.data(), (ULONG)buffer.size(), &need) == 0) {
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
    std::printf("stat\tpid\t%lu\nstat\tprivate\t%llu\nstat\tsystemhandles\t%ld\n",
                (unsigned long)pid, (unsigned long long)mem.PagefileUsage, SystemHandles(pid));
    CloseHandle(p);
    return 0;
}
