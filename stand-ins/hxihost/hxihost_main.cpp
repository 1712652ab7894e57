// HXIHOST.EXE entry: switches, the hidden host window and its messages.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "hostlink/hxi_messages.h"
#include "stand-ins/hxihost/hxihost.h"
#include "stand-ins/orvaif32/pipe_proto.h"

namespace {

const int kDefaultPort = 7100;
const int kDefaultIdleSeconds = 600;
const int kDefaultPipeIdleSeconds = 30;

const char kUsage[] =
    "usage: HXIHOST.EXE [/port N] [/bind ADDRESS] [/names FILE] [/nodriver]\n"
    "                   [/force DEVICE=RESULT]... [/portfile FILE] [/idle SECONDS]\n"
    "                   [/pipeidle SECONDS]\n"
    "  /port N        TCP port of the line interface (default 7100; 0 picks a free one)\n"
    "  /bind ADDRESS  address to listen on (default 127.0.0.1, loopback only)\n"
    "  /names FILE    names for name requests: lines \"<device> S|D <number> <name>\"\n"
    "  /nodriver      driver mode off: every registration is refused with result 3\n"
    "  /force D=R     answer every registration of device D with result R\n"
    "  /portfile FILE write the port in use to FILE once listening\n"
    "  /idle SECONDS  drop a client that has sent nothing for this long (default 600)\n"
    "  /pipeidle SECONDS  drop a library connection idle this long (default 30)\n"
    "The pipe for orvaif32.dll is \\\\.\\pipe\\HXIHOST unless HXIHOST_PIPE names another.\n";

struct Options {
    int port = kDefaultPort;
    std::string bind = "127.0.0.1";
    std::string namesFile;
    std::string portFile;
    int idleSeconds = kDefaultIdleSeconds;
    int pipeIdleSeconds = kDefaultPipeIdleSeconds;
};

HostShared gShared;

bool ParseOptions(int argc, char** argv, Options* o, std::string* error)
{
    for (int i = 1; i < argc; ++i) {
        std::string sw = argv[i];
        while (!sw.empty() && (sw[0] == '/' || sw[0] == '-'))
            sw.erase(0, 1);
        for (char& c : sw)
            c = (char)tolower((unsigned char)c);
        bool hasValue = i + 1 < argc;
        if (sw == "nodriver") {
            gShared.registry.driverMode = false;
        } else if (sw == "port" && hasValue) {
            o->port = atoi(argv[++i]);
        } else if (sw == "bind" && hasValue) {
            o->bind = argv[++i];
        } else if (sw == "names" && hasValue) {
            o->namesFile = argv[++i];
        } else if (sw == "idle" && hasValue) {
            o->idleSeconds = atoi(argv[++i]);
        } else if (sw == "pipeidle" && hasValue) {
            o->pipeIdleSeconds = atoi(argv[++i]);
            if (o->pipeIdleSeconds <= 0) {
                *error = std::string("bad /pipeidle value: ") + argv[i];
                return false;
            }
        } else if (sw == "portfile" && hasValue) {
            o->portFile = argv[++i];
        } else if (sw == "force" && hasValue) {
            int device = 0, result = 0;
            if (sscanf(argv[++i], "%d=%d", &device, &result) != 2) {
                *error = std::string("bad /force value: ") + argv[i];
                return false;
            }
            gShared.registry.forced[device] = result;
        } else {
            *error = std::string("unknown switch: ") + argv[i];
            return false;
        }
    }
    return true;
}

// The attach answer goes to a window that is waiting for it; one that does
// not take it at once is not a driver attaching.
const UINT kAttachTimeoutMs = 5000;
const UINT_PTR kCheckTimer = 1;
const UINT kCheckMs = 250;

const int kLineBatch = 32;   // client lines handled per turn of the message loop
uint64_t gLastCheck = 0;

void CheckDrivers()
{
    gLastCheck = GetTickCount64();
    Host_CheckDrivers();
}

LRESULT OnRegister(HWND driver, int device)
{
    int result;
    {
        std::lock_guard<std::mutex> hold(gShared.lock);
        HWND holder = (HWND)(uintptr_t)gShared.registry.WindowOf(device);
        if (holder && holder != driver && !IsWindow(holder))
            gShared.registry.Deregister((uint64_t)(uintptr_t)holder);
        DWORD owner = 0;
        GetWindowThreadProcessId(driver, &owner);
        result = gShared.registry.Register((uint64_t)(uintptr_t)driver, device, owner);
    }
    Net_Broadcast("REGDEV " + std::to_string(device) + " " + std::to_string(result));
    return result;
}

LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case ZUV_REQHXIHANDLE:
        // Answered by a sent message while the driver still waits.
        if (IsWindow((HWND)w)) {
            DWORD_PTR ignored;
            SendMessageTimeoutA((HWND)w, ZUV_HXIHANDLE, (WPARAM)wnd, 0, SMTO_ABORTIFHUNG,
                                kAttachTimeoutMs, &ignored);
        }
        return 0;
    case ZUV_REGDEV:
        return OnRegister((HWND)w, (int)l);
    case ZUV_ASSERTDEVMODE: {
        {
            std::lock_guard<std::mutex> hold(gShared.lock);
            gShared.registry.Asserted((int)l, (int)w);
        }
        Net_Broadcast(hxihost::MessageLine(ZUV_ASSERTDEVMODE, (uint32_t)w, std::to_string((int)l)));
        return 0;
    }
    case WM_TIMER:
        CheckDrivers();
        return 0;
    case WM_HXI_LINES: {
        // A bounded batch, then the rest later: the drivers' sent messages
        // (an attach, a registration, a mode) are answered in between. The
        // timer waits while posted messages keep coming, so the check of
        // the drivers is made here when it is due.
        uint64_t client;
        std::string line;
        int n = 0;
        while (n < kLineBatch && Net_NextLine(&client, &line)) {
            Host_HandleLine(client, line);
            ++n;
        }
        if (n == kLineBatch)
            PostMessageA(wnd, WM_HXI_LINES, 0, 0);
        if (GetTickCount64() - gLastCheck >= kCheckMs)
            CheckDrivers();
        return 0;
    }
    default:
        return DefWindowProcA(wnd, msg, w, l);
    }
}

bool LoadNames(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::stringstream text;
    text << in.rdbuf();
    printf("HXIHOST: %d names from %s\n", gShared.names.Load(text.str()), file.c_str());
    return true;
}

HWND CreateHostWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HXIHOST";
    if (!RegisterClassA(&wc))
        return nullptr;
    // Top level (so the drivers' attach finds it) and never shown.
    return CreateWindowExA(0, "HXIHOST", "HXIHOST", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 200, 100, nullptr, nullptr, wc.hInstance, nullptr);
}

std::string PipeName()
{
    char name[256];
    DWORD n = GetEnvironmentVariableA(HXIPIPE_ENV, name, sizeof name);
    return (n == 0 || n >= sizeof name) ? HXIPIPE_DEFAULT_NAME : name;
}

int Fail(const std::string& text)
{
    fprintf(stderr, "HXIHOST: %s\n", text.c_str());
    return 1;
}

}  // namespace

HostShared& Host() { return gShared; }

int main(int argc, char** argv)
{
    Options o;
    std::string error;
    if (!ParseOptions(argc, argv, &o, &error)) {
        fputs(kUsage, stderr);
        return Fail(error);
    }
    if (!o.namesFile.empty() && !LoadNames(o.namesFile))
        return Fail("cannot read names file " + o.namesFile);
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return Fail("no sockets");
    // The pipe first: a second host must end before its window can answer
    // a driver's attach.
    std::string pipe = PipeName();
    if (!Pipe_Start(pipe, o.pipeIdleSeconds))
        return Fail("cannot open pipe " + pipe + " (is another HXIHOST running?)");
    gShared.wnd = CreateHostWindow();
    if (!gShared.wnd)
        return Fail("cannot create the host window");
    SetTimer(gShared.wnd, kCheckTimer, kCheckMs, nullptr);
    int port = 0;
    if (!Net_Start(o.bind.c_str(), o.port, o.idleSeconds, &port))
        return Fail("cannot listen on " + o.bind + ":" + std::to_string(o.port));
    printf("HXIHOST listening on %s:%d\n", o.bind.c_str(), port);
    fflush(stdout);
    if (!o.portFile.empty()) {
        std::ofstream(o.portFile + ".tmp") << port << "\n";
        MoveFileExA((o.portFile + ".tmp").c_str(), o.portFile.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
