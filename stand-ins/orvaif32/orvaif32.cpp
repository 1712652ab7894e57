// Host interface library: carries the driver's messages to HXIHOST.EXE over
// its named pipe, one synchronous request and reply per call.
#define ORVAIF32_BUILD
#include "stand-ins/orvaif32/orvaif32.h"

#include <cstring>
#include <string>

#include "hostlink/hxi_messages.h"
#include "stand-ins/orvaif32/pipe_proto.h"

namespace {

CRITICAL_SECTION gLock;
HANDLE gPipe = INVALID_HANDLE_VALUE;

std::string PipeName()
{
    char name[256];
    DWORD n = GetEnvironmentVariableA(HXIPIPE_ENV, name, sizeof name);
    if (n == 0 || n >= sizeof name)
        return HXIPIPE_DEFAULT_NAME;
    return name;
}

HANDLE OpenPipe()
{
    std::string name = PipeName();
    for (int attempt = 0; attempt < 2; ++attempt) {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            SetNamedPipeHandleState(h, &mode, nullptr, nullptr);
            return h;
        }
        // Every instance is busy for a moment while the host opens the next.
        if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeA(name.c_str(), 2000))
            break;
    }
    return INVALID_HANDLE_VALUE;
}

void ClosePipe()
{
    if (gPipe != INVALID_HANDLE_VALUE)
        CloseHandle(gPipe);
    gPipe = INVALID_HANDLE_VALUE;
}

// Buffers reused by every call (under gLock): no allocation or clearing
// per message.
char gRequest[sizeof(HxiPipeRequest) + HXIPIPE_MAX_DATA];
char gReply[sizeof(HxiPipeReply) + HXIPIPE_MAX_DATA];

bool WriteAll(DWORD size)
{
    DWORD written = 0;
    return WriteFile(gPipe, gRequest, size, &written, nullptr) && written == size;
}

// Reads one reply message into gReply; a reply larger than it is drained.
// Returns the bytes kept, or -1 when the pipe failed.
long ReadReply()
{
    DWORD got = 0;
    if (ReadFile(gPipe, gReply, sizeof gReply, &got, nullptr))
        return got >= sizeof(HxiPipeReply) ? (long)got : -1;
    if (GetLastError() != ERROR_MORE_DATA)
        return -1;
    char sink[4096];
    while (!ReadFile(gPipe, sink, sizeof sink, &got, nullptr) && GetLastError() == ERROR_MORE_DATA) {
    }
    return (long)sizeof gReply;
}

// One request and its reply; reconnects once when the host was restarted.
// Every message waits for its reply, even those whose result the driver
// ignores: the host has then put its line out, so the clients see the
// driver's pipe messages and its window messages in the order it sent them.
// Up to `room` bytes of the reply's data go to `body` (when given);
// `*bodyLength` is how many.
bool Transact(uint32_t msg, uint64_t wnd, uint32_t param, const void* data, uint32_t length,
              HxiPipeReply* head, char* body, size_t room, size_t* bodyLength)
{
    if (length > HXIPIPE_MAX_DATA)
        length = HXIPIPE_MAX_DATA;
    HxiPipeRequest req = {msg, wnd, param, data ? length : 0};

    EnterCriticalSection(&gLock);
    std::memcpy(gRequest, &req, sizeof req);
    if (req.length)
        std::memcpy(gRequest + sizeof req, data, req.length);
    long got = -1;
    for (int attempt = 0; attempt < 2 && got < 0; ++attempt) {
        if (gPipe == INVALID_HANDLE_VALUE)
            gPipe = OpenPipe();
        if (gPipe == INVALID_HANDLE_VALUE)
            break;
        if (WriteAll((DWORD)(sizeof req + req.length)))
            got = ReadReply();
        if (got < 0)
            ClosePipe();
    }
    bool ok = got >= 0;
    *bodyLength = 0;
    if (ok) {
        std::memcpy(head, gReply, sizeof *head);
        size_t have = (size_t)got - sizeof *head;
        size_t take = head->length < have ? head->length : have;
        take = take < room ? take : room;
        if (take)
            std::memcpy(body, gReply + sizeof *head, take);
        *bodyLength = take;
    }
    LeaveCriticalSection(&gLock);
    return ok;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&gLock);
    if (reason == DLL_PROCESS_DETACH) {
        ClosePipe();
        DeleteCriticalSection(&gLock);
    }
    return TRUE;
}

extern "C" ORVAIF32_API int WINAPI ORVA32TxMessage(HWND hxi, WORD msg, DWORD param, LPVOID data,
                                                   BOOL flag, DWORD length)
{
    const void* payload = (flag && data) ? data : nullptr;
    // A name request is answered in the caller's block, straight from the
    // reply; every other answer's data is not wanted.
    bool named = msg == ZUV_REQNAME && payload && length > 0;
    HxiPipeReply head;
    size_t got = 0;
    if (!Transact(msg, (uint64_t)(uintptr_t)hxi, param, payload, payload ? length : 0, &head,
                  named ? static_cast<char*>(data) : nullptr, named ? length : 0, &got)) {
        // No host to answer a name request: the name is empty, rather than
        // the request's own bytes read back as a name.
        if (named)
            static_cast<char*>(data)[0] = '\0';
        return 0;
    }
    return head.result;
}

extern "C" ORVAIF32_API LONG WINAPI ORVA32RxMessage(HWND self, WPARAM wParam, LPARAM lParam)
{
    HxiPipeReply head;
    // Command texts are client lines (at most 1,024 bytes); a longer one
    // is cut, never overrun. On the stack: a delivery may nest in another.
    char body[4096];
    size_t got = 0;
    if (!Transact(ZUV_RXMESSAGE, (uint64_t)(uintptr_t)self, (uint32_t)wParam, nullptr, 0, &head,
                  body, sizeof body - 1, &got))
        return 0;
    if (head.result != ZUV_RXCOMMAND)
        return 0;
    // The driver gets its own copy, always NUL-terminated.
    body[got] = '\0';
    return (LONG)SendMessageA(self, ZUV_RXCOMMAND, 0, (LPARAM)body);
}
