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
// A driver busy for a while (filling its lists, answering a long query)
// still gets the message; one that has not answered for this long is skipped.
const UINT kDriverTimeoutMs = 60000;

const char kUsage[] =
    "usage: HXIHOST.EXE [/port N] [/bind ADDRESS] [/names FILE] [/nodriver]\n"
    "                   [/force DEVICE=RESULT]... [/portfile FILE]\n"
    "  /port N        TCP port of the line interface (default 7100; 0 picks a free one)\n"
    "  /bind ADDRESS  address to listen on (default 127.0.0.1, loopback only)\n"
    "  /names FILE    names for name requests: lines \"<device> S|D <number> <name>\"\n"
    "  /nodriver      driver mode off: every registration is refused with result 3\n"
    "  /force D=R     answer every registration of device D with result R\n"
    "  /portfile FILE write the port in use to FILE once listening\n"
    "The pipe for orvaif32.dll is \\\\.\\pipe\\HXIHOST unless HXIHOST_PIPE names another.\n";

struct Options {
    int port = kDefaultPort;
    std::string bind = "127.0.0.1";
    std::string namesFile;
    std::string portFile;
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

// The driver window registered for a device, forgetting windows that are gone.
HWND DriverFor(int device)
{
    std::lock_guard<std::mutex> hold(gShared.lock);
    HWND wnd = (HWND)(uintptr_t)gShared.registry.WindowOf(device);
    if (wnd && !IsWindow(wnd)) {
        gShared.registry.Deregister((uint64_t)(uintptr_t)wnd);
        return nullptr;
    }
    return wnd;
}

LRESULT SendToDriver(HWND driver, UINT msg, WPARAM w, LPARAM l)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(driver, msg, w, l, SMTO_NORMAL, kDriverTimeoutMs, &result))
        return -1;
    return (LRESULT)result;
}

void RouteCommand(uint32_t client, const std::string& text)
{
    int device = hxihost::CommandDevice(text);
    HWND driver = DriverFor(device);
    if (!driver) {
        Net_SendTo(client, "# no driver for device " + std::to_string(device));
        return;
    }
    uint32_t id;
    {
        std::lock_guard<std::mutex> hold(gShared.lock);
        id = gShared.nextId++;
        gShared.waiting[id] = text;
    }
    LRESULT taken = SendToDriver(driver, ZUV_RXMESSAGE, id, ZUV_RXCOMMAND);
    {
        std::lock_guard<std::mutex> hold(gShared.lock);
        gShared.waiting.erase(id);
    }
    if (taken != 1)
        Net_SendTo(client, "# driver for device " + std::to_string(device) +
                               " did not take the command");
}

void Status(uint32_t client)
{
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> hold(gShared.lock);
        for (const auto& [device, reg] : gShared.registry.All())
            lines.push_back("DEVICE " + std::to_string(device) + " " + std::to_string(reg.wnd) + " " +
                            std::to_string(reg.mode));
    }
    Net_SendTo(client, "STATUS " + std::to_string(lines.size()));
    for (const std::string& l : lines)
        Net_SendTo(client, l);
}

void HandleRequest(uint32_t client, const std::string& line)
{
    std::string error;
    hxihost::Request r = hxihost::ParseRequest(line, &error);
    if (r.kind == hxihost::REQ_BAD) {
        Net_SendTo(client, "# " + error);
        return;
    }
    if (r.kind == hxihost::REQ_STATUS) {
        Status(client);
        return;
    }
    HWND driver = DriverFor(r.device);
    if (!driver) {
        Net_SendTo(client, "# no driver for device " + std::to_string(r.device));
        return;
    }
    UINT msg = 0;
    switch (r.kind) {
    case hxihost::REQ_GORXONLY: msg = ZUV_REQDEVGORXONLY; break;
    case hxihost::REQ_GOTXRX: msg = ZUV_REQDEVGOTXRX; break;
    case hxihost::REQ_INQTXRX: msg = ZUV_INQDEVGOTXRX; break;
    case hxihost::REQ_SETRXONLY: msg = ZUV_SETDEVRXONLY; break;
    default: msg = ZUV_REQDEVCLOSE; break;
    }
    LRESULT result = SendToDriver(driver, msg, 0, r.except);
    Net_SendTo(client, std::string(r.name) + " " + std::to_string(r.device) + " " +
                           std::to_string((long long)result));
}

LRESULT OnRegister(HWND driver, int device)
{
    int result;
    {
        std::lock_guard<std::mutex> hold(gShared.lock);
        HWND holder = (HWND)(uintptr_t)gShared.registry.WindowOf(device);
        if (holder && holder != driver && !IsWindow(holder))
            gShared.registry.Deregister((uint64_t)(uintptr_t)holder);
        result = gShared.registry.Register((uint64_t)(uintptr_t)driver, device);
    }
    Net_Broadcast("REGDEV " + std::to_string(device) + " " + std::to_string(result));
    return result;
}

LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM w, LPARAM l)
{
    switch (msg) {
    case ZUV_REQHXIHANDLE:
        // Answered by a sent message while the driver still waits.
        if (IsWindow((HWND)w))
            SendToDriver((HWND)w, ZUV_HXIHANDLE, (WPARAM)wnd, 0);
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
    case WM_HXI_LINES: {
        uint32_t client;
        std::string line;
        while (Net_NextLine(&client, &line))
            Host_HandleLine(client, line);
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

void Host_HandleLine(uint32_t client, const std::string& line)
{
    if (line[0] == '!')
        HandleRequest(client, line);
    else
        RouteCommand(client, line);
}

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
    gShared.wnd = CreateHostWindow();
    if (!gShared.wnd)
        return Fail("cannot create the host window");
    std::string pipe = PipeName();
    if (!Pipe_Start(pipe))
        return Fail("cannot open pipe " + pipe + " (is another HXIHOST running?)");
    int port = 0;
    if (!Net_Start(o.bind.c_str(), o.port, &port))
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
