// A small driver for testing HXIHOST.EXE on its own: attaches, registers the
// device numbers given on its command line, and makes what the host sends it
// visible to the host's TCP clients:
//   a command text comes back as TXREVERTIVE "ECHO <text>";
//   "TM <device> <n>" times n revertives, n name requests and n fetches of
//   no waiting text (a pipe request the host answers doing nothing) through
//   the library and sends TXREVERTIVE "TIME <revertive> <name> <fetch>",
//   medians in us;
//   "TW <device> <n>" makes n name requests and sends TXREVERTIVE
//   "WORST <us> FAILED <k>": the longest, and how many brought no name;
//   the close request deregisters and ends the program.
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

void WorstCall(const char* text)
{
    int device = 0, n = 0, failed = 0;
    sscanf(text + 3, "%d %d", &device, &n);
    long worst = 0;
    for (int i = 0; i < n; ++i) {
        unsigned char block[NAME_REQUEST_SIZE];
        NameRequest_Build(block, device, NAME_KIND_SOURCE, 1);
        worst = std::max(worst, MedianCallUs(1, ZUV_REQNAME, block, NAME_REQUEST_SIZE));
        failed += block[0] == '\0';
    }
    Say("WORST " + std::to_string(worst) + " FAILED " + std::to_string(failed));
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
            WorstCall(text);
        else
            Say(std::string("ECHO ") + text);
        return 1;
    }
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
    for (int i = 1; i < argc; ++i)
        gDevices.push_back(atoi(argv[i]));
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
    printf("READY\n");
    fflush(stdout);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0)
        DispatchMessageA(&m);
    printf("CLOSED\n");
    return 0;
}
