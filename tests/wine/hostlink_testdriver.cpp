// A small driver for testing HXIHOST.EXE on its own: attaches, registers the
// device numbers given on its command line, and makes what the host sends it
// visible to the host's TCP clients:
//   a command text comes back as TXREVERTIVE "ECHO <text>";
//   "TM <device> <n>" times n revertives, n name requests and n fetches of
//   no waiting text (a pipe request the host answers doing nothing) through
//   the library and sends TXREVERTIVE "TIME <revertive> <name> <fetch>",
//   medians in us;
//   the close request deregisters and ends the program.
// With "-poll=MS" it acts as a polling driver: every MS ms one name request
// through the library (failed when no name comes back) and one message sent
// to the host window (WM_NULL, failed past 1 s); "TW <device>" sends
// TXREVERTIVE "WORST <call ms> <send ms> CALLS <ok> FAILED <failed>" for
// the time since the last TW.
// It prints its window handle; "-dereg=HANDLE" instead asks the host to
// withdraw another window's registration and ends.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "stand-ins/orvaif32/orvaif32.h"

namespace {

HWND gHost = nullptr;
std::vector<int> gDevices;

void Say(const std::string& text)
{
    std::string data = text;
    ORVA32TxMessage(gHost, ZUV_TXREVERTIVE, 0, (LPVOID)data.c_str(), TRUE, (DWORD)data.size() + 1);
}

// Median duration in microseconds of n calls of one library message.
long MedianCallUs(int n, WORD msg, void* data, DWORD length)
{
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    std::vector<long> us;
    for (int i = 0; i < n; ++i) {
        QueryPerformanceCounter(&t0);
        ORVA32TxMessage(gHost, msg, 0, data, TRUE, length);
        QueryPerformanceCounter(&t1);
        us.push_back((long)((t1.QuadPart - t0.QuadPart) * 1000000 / freq.QuadPart));
    }
    std::sort(us.begin(), us.end());
    return us.empty() ? 0 : us[us.size() / 2];
}

void TimeCalls(const char* text)
{
    int device = 0, n = 0;
    sscanf(text + 3, "%d %d", &device, &n);
    char rr[] = "RR 101 001 001";
    unsigned char block[NAME_REQUEST_SIZE];
    NameRequest_Build(block, 101, NAME_KIND_SOURCE, 1);
    long revertive = MedianCallUs(n, ZUV_TXREVERTIVE, rr, sizeof rr);
    long name = MedianCallUs(n, ZUV_REQNAME, block, NAME_REQUEST_SIZE);
    long fetch = MedianCallUs(n, ZUV_RXMESSAGE, nullptr, 0);
    Say("TIME " + std::to_string(revertive) + " " + std::to_string(name) + " " + std::to_string(fetch));
}

struct PollFigures {
    double worstCallMs = 0, worstSendMs = 0;
    int ok = 0, failed = 0;
};
PollFigures gPoll;

double Ms(const LARGE_INTEGER& from)
{
    LARGE_INTEGER freq, to;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&to);
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)freq.QuadPart;
}

void PollOnce()
{
    unsigned char block[NAME_REQUEST_SIZE];
    NameRequest_Build(block, gDevices.empty() ? 0 : gDevices[0], NAME_KIND_SOURCE, 1);
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    ORVA32TxMessage(gHost, ZUV_REQNAME, 0, block, TRUE, NAME_REQUEST_SIZE);
    gPoll.worstCallMs = std::max(gPoll.worstCallMs, Ms(t));
    bool named = block[0] != '\0';
    QueryPerformanceCounter(&t);
    DWORD_PTR ignored;
    bool sent = SendMessageTimeoutA(gHost, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
    gPoll.worstSendMs = std::max(gPoll.worstSendMs, Ms(t));
    (named && sent ? gPoll.ok : gPoll.failed)++;
}

void ReportPoll()
{
    char text[128];
    snprintf(text, sizeof text, "WORST %.1f %.1f CALLS %d FAILED %d", gPoll.worstCallMs,
             gPoll.worstSendMs, gPoll.ok, gPoll.failed);
    gPoll = PollFigures();
    Say(text);
}

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case ZUV_HXIHANDLE:
        gHost = (HWND)w;
        return 0;
    case ZUV_RXMESSAGE:
        return ORVA32RxMessage(wnd, w, l);
    case ZUV_RXCOMMAND: {
        const char* text = (const char*)l;
        if (strncmp(text, "TM", 2) == 0)
            TimeCalls(text);
        else if (strncmp(text, "TW", 2) == 0)
            ReportPoll();
        else
            Say(std::string("ECHO ") + text);
        return 1;
    }
    case WM_TIMER:
        PollOnce();
        return 0;
    case ZUV_REQDEVCLOSE:
        ORVA32TxMessage(gHost, ZUV_DEREGDEV, (DWORD)(uintptr_t)wnd, nullptr, FALSE, 0);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(wnd, msg, w, l);
    }
}

BOOL CALLBACK AskForHandle(HWND top, LPARAM self)
{
    DWORD_PTR ignored;
    if (top != (HWND)self)
        SendMessageTimeoutA(top, ZUV_REQHXIHANDLE, (WPARAM)self, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && strncmp(argv[1], "-dereg=", 7) == 0) {
        DWORD other = strtoul(argv[1] + 7, nullptr, 10);
        ORVA32TxMessage(nullptr, ZUV_DEREGDEV, other, nullptr, FALSE, 0);
        return 0;
    }
    UINT pollMs = 0;
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "-poll=", 6) == 0)
            pollMs = (UINT)atoi(argv[i] + 6);
        else
            gDevices.push_back(atoi(argv[i]));
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HXITESTDRIVER";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "HXITESTDRIVER", "test driver", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                               100, nullptr, nullptr, wc.hInstance, nullptr);
    EnumWindows(AskForHandle, (LPARAM)wnd);
    if (!gHost) {
        printf("NOHOST\n");
        return 2;
    }
    printf("ATTACHED %lu\n", (unsigned long)(uintptr_t)wnd);
    for (int d : gDevices)
        printf("REG %d %d\n", d, (int)SendMessageA(gHost, ZUV_REGDEV, (WPARAM)wnd, d));
    if (pollMs)
        SetTimer(wnd, 1, pollMs, nullptr);
    printf("READY\n");
    fflush(stdout);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0)
        DispatchMessageA(&m);
    printf("CLOSED\n");
    return 0;
}
