// Host interface library: carries the driver's messages to HXIHOST.EXE over
// its named pipe, one synchronous request and reply per call, each bounded
// in time.
#define ORVAIF32_BUILD
#include "stand-ins/orvaif32/orvaif32.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "hostlink/hxi_messages.h"
#include "stand-ins/orvaif32/pipe_proto.h"
#include "stand-ins/orvaif32/pipe_wait.h"
#include "stand-ins/orvaif32/unsent.h"

namespace {

CRITICAL_SECTION gLock;
HANDLE gPipe = INVALID_HANDLE_VALUE;
HANDLE gEvent = nullptr;   // for the pipe's overlapped reads and writes (under gLock)

// A whole call, connecting included, ends within this: a host that stops
// answering costs the driver a failed call, never a frozen window. Once a
// call has run out of time, the calls of the next second fail at once and
// then one tries with a shorter bound, until the host answers again.
const DWORD kCallMs = 2000;
const DWORD kSilentMs = 1000;
const DWORD kProbeMs = 500;
uint64_t gSilentAt = 0;    // when a call last ran out of time; 0 while the host answers
// The host drops a connection left idle (30 s by default); one idle for
// this long is replaced before use, so that a request is never written just
// as the host drops it (it would be lost, and is never written again).
const DWORD kFreshMs = 10000;
uint64_t gLastUsed = 0;

// Shows in the driver's debug trace when the host stops answering and when
// it answers again (once each), so a gap in its lines can be told apart.
void TraceSilence(bool silent, uint32_t msg, uint64_t boundMs)
{
    char text[160];
    if (silent)
        std::snprintf(text, sizeof text,
                      "orvaif32: HXIHOST did not answer message %u within %lu ms; "
                      "calls fail until it does",
                      (unsigned)msg, (unsigned long)boundMs);
    else
        std::snprintf(text, sizeof text, "orvaif32: HXIHOST answers again");
    OutputDebugStringA(text);
}

DWORD Left(uint64_t deadline)
{
    uint64_t now = GetTickCount64();
    return now >= deadline ? 0 : (DWORD)(deadline - now);
}

std::string PipeName()
{
    char name[256];
    DWORD n = GetEnvironmentVariableA(HXIPIPE_ENV, name, sizeof name);
    if (n == 0 || n >= sizeof name)
        return HXIPIPE_DEFAULT_NAME;
    return name;
}

HANDLE OpenPipe(uint64_t deadline)
{
    std::string name = PipeName();
    for (;;) {
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            SetNamedPipeHandleState(h, &mode, nullptr, nullptr);
            return h;
        }
        // Every instance is busy for a moment while the host opens the next.
        // (A wait of 0 would mean the pipe's default, so none is made.)
        DWORD left = Left(deadline);
        if (GetLastError() != ERROR_PIPE_BUSY || left == 0 || !WaitNamedPipeA(name.c_str(), left))
            return INVALID_HANDLE_VALUE;
    }
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

// Reads one reply message into gReply; a reply larger than it is drained.
// Returns the bytes kept, or -1 when the pipe failed or the time ran out.
long ReadReply(uint64_t deadline)
{
    DWORD got = 0;
    PipeIo io = PipeRead(gPipe, gEvent, gReply, sizeof gReply, Left(deadline), &got);
    if (io == PIPE_IO_DONE)
        return got >= sizeof(HxiPipeReply) ? (long)got : -1;
    if (io == PIPE_IO_FAILED)
        return -1;
    char sink[4096];
    while ((io = PipeRead(gPipe, gEvent, sink, sizeof sink, Left(deadline), &got)) == PIPE_IO_MORE) {
    }
    return io == PIPE_IO_DONE ? (long)sizeof gReply : -1;
}

// What became of one request.
enum Delivery {
    DELIVERED,   // the host replied
    UNSENT,      // nothing of it reached the host
    UNKNOWN      // it went out but no reply came: the host may have acted on it
};

// One request and its reply before the deadline (under gLock); the reply
// is in gReply, *got its bytes. A request goes out once: it is written
// again on a new connection only when the write found the connection
// already closed by the host (dropped while idle, or the host restarted),
// so nothing of it arrived; after a failed or late reply it is not, since
// the host may have acted on it.
Delivery Exchange(const HxiPipeRequest& req, const void* data, uint64_t deadline, long* got)
{
    std::memcpy(gRequest, &req, sizeof req);
    if (req.length)
        std::memcpy(gRequest + sizeof req, data, req.length);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (gPipe == INVALID_HANDLE_VALUE)
            gPipe = OpenPipe(deadline);
        if (gPipe == INVALID_HANDLE_VALUE)
            return UNSENT;
        if (PipeWrite(gPipe, gEvent, gRequest, (DWORD)(sizeof req + req.length), Left(deadline)) !=
            PIPE_IO_DONE) {
            bool unsent = PipeWasClosed(GetLastError());
            ClosePipe();
            if (unsent)
                continue;
            return UNKNOWN;
        }
        *got = ReadReply(deadline);
        if (*got >= 0)
            return DELIVERED;
        ClosePipe();   // a late reply must not answer the next request
        return UNKNOWN;
    }
    return UNSENT;
}

// Revertives, replies and status texts tell the network the router's
// state. One the host never received is kept and delivered, in order,
// before anything else reaches the host, so a host that was silent for a
// while still hears every change. One that went out unanswered is not
// kept: the host may have passed it on, and the network must not hear a
// change twice.
bool Kept(uint32_t msg)
{
    return msg == ZUV_TXREVERTIVE || msg == ZUV_TXREPLY || msg == ZUV_TXINFO;
}

// Delivers the kept messages, oldest first; false when one did not reach
// the host (it and those after it wait on).
bool DeliverUnsent(uint64_t deadline)
{
    while (const UnsentMessage* m = Unsent_First()) {
        HxiPipeRequest req = {m->msg, m->wnd, m->param, m->length};
        long got = -1;
        Delivery d = Exchange(req, m->data, deadline, &got);
        if (d == UNSENT)
            return false;
        Unsent_DropFirst();
        if (d == UNKNOWN)
            return false;
    }
    if (unsigned long dropped = Unsent_TakeDropped()) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "orvaif32: %lu messages for HXIHOST were dropped while it did not answer",
                      dropped);
        OutputDebugStringA(text);
    }
    return true;
}

// Whether calls fail at once now: a call ran out of time less than
// kSilentMs ago.
bool Refused(uint64_t now) { return gSilentAt && now - gSilentAt < kSilentMs; }

// Marks the host silent when the time ran out, or answering when it did;
// traces each change once.
void NoteOutcome(bool answered, bool wasSilent, uint64_t start, uint64_t deadline, uint32_t msg)
{
    if (answered) {
        if (wasSilent)
            TraceSilence(false, msg, 0);
        gSilentAt = 0;
    } else if (GetTickCount64() >= deadline) {
        if (!wasSilent)
            TraceSilence(true, msg, deadline - start);
        gSilentAt = GetTickCount64();
    }
}

// The library's own retries: while messages wait, the host is tried again
// once each silent window has passed, so they arrive even when the driver
// sends nothing more. It holds no handle, so the process's count is the
// same with it as without.
bool gRetrying = false;

DWORD WINAPI RetryUnsent(void*)
{
    for (;;) {
        Sleep(kSilentMs);
        EnterCriticalSection(&gLock);
        const uint64_t start = GetTickCount64();
        if (Unsent_First() && !Refused(start)) {
            // The shorter bound: a driver call may be waiting for the lock.
            const uint64_t deadline = start + kProbeMs;
            const uint32_t msg = Unsent_First()->msg;
            NoteOutcome(DeliverUnsent(deadline), gSilentAt != 0, start, deadline, msg);
        }
        LeaveCriticalSection(&gLock);
    }
}

// Keeps a message the host did not receive, when it is one worth keeping;
// the retry thread starts with the first (never from DllMain).
void Keep(const HxiPipeRequest& req, const void* data)
{
    if (!Kept(req.msg) || !Unsent_Keep(req.msg, req.wnd, req.param, data, req.length))
        return;
    if (gRetrying)
        return;
    if (HANDLE t = CreateThread(nullptr, 0, RetryUnsent, nullptr, 0, nullptr)) {
        CloseHandle(t);
        gRetrying = true;
    }
}

// One call: the kept messages first, then this request and its reply,
// within kCallMs (kProbeMs while the host is silent). Every message waits
// for its reply, even those whose result the driver ignores: the host has
// then put its line out, so the clients see the driver's pipe messages and
// its window messages in the order it sent them.
// Up to `room` bytes of the reply's data go to `body` (when given);
// `*bodyLength` is how many. `hostAnswers`: the host has just sent the
// message this call answers, so it gets the whole bound even while calls
// fail at once.
bool Transact(uint32_t msg, uint64_t wnd, uint32_t param, const void* data, uint32_t length,
              HxiPipeReply* head, char* body, size_t room, size_t* bodyLength,
              bool hostAnswers = false)
{
    if (length > HXIPIPE_MAX_DATA)
        length = HXIPIPE_MAX_DATA;
    HxiPipeRequest req = {msg, wnd, param, data ? length : 0};
    *bodyLength = 0;

    EnterCriticalSection(&gLock);
    const uint64_t start = GetTickCount64();
    const bool wasSilent = gSilentAt != 0;
    if (hostAnswers)
        gSilentAt = 0;
    if (Refused(start)) {
        Keep(req, data);
        LeaveCriticalSection(&gLock);
        return false;
    }
    const uint64_t deadline = start + (gSilentAt ? kProbeMs : kCallMs);
    if (start - gLastUsed > kFreshMs)
        ClosePipe();
    gLastUsed = start;
    long got = -1;
    Delivery d = DeliverUnsent(deadline) ? Exchange(req, data, deadline, &got) : UNSENT;
    if (d == UNSENT)
        Keep(req, data);
    bool ok = d == DELIVERED;
    NoteOutcome(ok, wasSilent, start, deadline, msg);
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

// Names fetched in one go while a list is filled: a name request for the
// number after the last one asked (same device and kind) takes the next
// names with it, and the requests after it are answered from them. Kept
// only for a moment, so each fill asks the host afresh.
struct NameBatch {
    unsigned char first[NAME_REQUEST_SIZE];   // request block of names[0]
    int count = 0;
    int next = -1;                             // index the walk asks next
    uint64_t at = 0;
    char names[HXIPIPE_MAX_NAMES][NAME_REQUEST_SIZE];
};
NameBatch gBatch;
unsigned char gLastAsked[NAME_REQUEST_SIZE];   // the last single request
const uint64_t kBatchMs = 2000;

// Whether b asks for the name after a's: same device, kind and tail.
bool FollowsOn(const unsigned char* a, const unsigned char* b)
{
    return NameRequest_Number(b) == NameRequest_Number(a) + 1 && std::memcmp(a, b, 4) == 0 &&
           std::memcmp(a + 6, b + 6, NAME_REQUEST_SIZE - 6) == 0;
}

// Answers from the batch; false when the request is not its next name.
bool FromBatch(unsigned char* block)
{
    NameBatch& b = gBatch;
    if (b.next < 1 || b.next >= b.count || GetTickCount64() - b.at > kBatchMs)
        return false;
    unsigned char expect[NAME_REQUEST_SIZE];
    std::memcpy(expect, b.first, sizeof expect);
    NameRequest_SetNumber(expect, NameRequest_Number(b.first) + b.next);
    if (std::memcmp(expect, block, sizeof expect) != 0)
        return false;
    std::memcpy(block, b.names[b.next++], NAME_REQUEST_SIZE);
    return true;
}

bool FetchBatch(HWND hxi, unsigned char* block)
{
    NameBatch& b = gBatch;
    std::memcpy(b.first, block, NAME_REQUEST_SIZE);
    HxiPipeReply head;
    size_t got = 0;
    b.count = b.next = 0;
    if (!Transact(HXIPIPE_NAMES, (uint64_t)(uintptr_t)hxi, HXIPIPE_MAX_NAMES, block,
                  NAME_REQUEST_SIZE, &head, &b.names[0][0], sizeof b.names, &got) ||
        got < NAME_REQUEST_SIZE)
        return false;
    b.count = (int)(got / NAME_REQUEST_SIZE);
    b.next = 1;
    b.at = GetTickCount64();
    std::memcpy(block, b.names[0], NAME_REQUEST_SIZE);
    return true;
}

// A name request of the panel's size: from the batch, a new batch, or
// alone. Returns false when it is to go alone.
bool NameInTurn(HWND hxi, unsigned char* block)
{
    unsigned char asked[NAME_REQUEST_SIZE];
    std::memcpy(asked, block, sizeof asked);
    EnterCriticalSection(&gLock);
    bool done = FromBatch(block) || (FollowsOn(gLastAsked, asked) && FetchBatch(hxi, block));
    std::memcpy(gLastAsked, asked, sizeof asked);
    LeaveCriticalSection(&gLock);
    return done;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&gLock);
        gEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!gEvent)
            return FALSE;
    }
    if (reason == DLL_PROCESS_DETACH) {
        ClosePipe();
        CloseHandle(gEvent);
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
    if (named && length == NAME_REQUEST_SIZE && NameInTurn(hxi, static_cast<unsigned char*>(data)))
        return 0;
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
                  body, sizeof body - 1, &got, true))
        return 0;
    if (head.result != ZUV_RXCOMMAND)
        return 0;
    // The driver gets its own copy, always NUL-terminated.
    body[got] = '\0';
    return (LONG)SendMessageA(self, ZUV_RXCOMMAND, 0, (LPARAM)body);
}
