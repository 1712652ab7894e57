// The named pipe that orvaif32.dll talks to: one thread per connected
// library (a bounded number of them, a few per process, local processes
// only), one reply per request. Each connection knows its client's process,
// so a library can fetch only its own driver's commands and withdraw only
// its own windows. A connection that stays idle, or leaves a reply untaken,
// is dropped: the library reconnects by itself when it next has something
// to send, so no process can hold the instances the drivers need.
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "stand-ins/hxihost/hxihost.h"
#include "stand-ins/orvaif32/pipe_proto.h"
#include "stand-ins/orvaif32/pipe_wait.h"

namespace {

const DWORD kBufferSize = sizeof(HxiPipeRequest) + HXIPIPE_MAX_DATA;
const DWORD kMaxInstances = 32;   // connected libraries, one per driver process
const int kPerProcess = 4;        // a library uses one; a few spare for reconnects
const DWORD kReplyMs = 5000;      // one leaving a reply untaken this long is dropped

std::string gPipeName;
DWORD gIdleMs = 30000;            // so is one sending nothing this long (/pipeidle)
std::mutex gProcessLock;
std::map<ULONG, int> gConnections;   // per client process

// One connected library.
struct Conn {
    HANDLE pipe;
    HANDLE event;         // for its overlapped reads and writes
    bool broken = false;  // a reply could not be written: the connection ends
};

void Reply(Conn& c, int32_t result, const std::string& data)
{
    HxiPipeReply head = {result, (uint32_t)data.size()};
    std::string out((const char*)&head, sizeof head);
    out += data;
    if (PipeWrite(c.pipe, c.event, out.data(), (DWORD)out.size(), kReplyMs) != PIPE_IO_DONE)
        c.broken = true;
}

// Counts a process's connection; false when it already holds its share.
bool Admit(ULONG process, int step)
{
    std::lock_guard<std::mutex> hold(gProcessLock);
    int& n = gConnections[process];
    if (step > 0 && n >= kPerProcess)
        return false;
    n += step;
    if (n == 0)
        gConnections.erase(process);
    return true;
}

// Hands out, once, the command text announced under the given message id.
void Fetch(Conn& pipe, uint32_t id, uint32_t process)
{
    std::string text;
    bool found;
    {
        std::lock_guard<std::mutex> hold(Host().lock);
        found = Host().texts.Take(id, process, &text);
    }
    if (!found) {
        Reply(pipe, 0, "");
        return;
    }
    text.push_back('\0');
    Reply(pipe, ZUV_RXCOMMAND, text);
}

// Answers a name request block (of at least 6 bytes) in place and queues
// its line for the clients.
void AnswerBlock(uint32_t param, std::string* data)
{
    unsigned char* block = (unsigned char*)&(*data)[0];
    int device = NameRequest_Device(block);
    int kind = NameRequest_Kind(block);
    int number = NameRequest_Number(block);
    {
        std::lock_guard<std::mutex> hold(Host().lock);
        hxihost::AnswerNameBlock(Host().names, block, data->size());
    }
    std::string name = hxihost::DataText(data->data(), data->size());
    Net_Queue(hxihost::MessageLine(ZUV_REQNAME, param,
                                   std::to_string(device) + " " + std::to_string(kind) + " " +
                                       std::to_string(number) + " " + name));
}

void AnswerName(Conn& pipe, uint32_t param, std::string data)
{
    if (data.size() >= 6)
        AnswerBlock(param, &data);
    Reply(pipe, 0, data);
}

// `count` names from the block's number on, one answered block each.
void AnswerNames(Conn& pipe, uint32_t count, const std::string& data)
{
    std::string out;
    if (data.size() == NAME_REQUEST_SIZE && count <= HXIPIPE_MAX_NAMES) {
        int number = NameRequest_Number((const unsigned char*)data.data());
        for (uint32_t k = 0; k < count && number + k <= 0xFFFF; ++k) {
            std::string block = data;
            NameRequest_SetNumber((unsigned char*)&block[0], (int)(number + k));
            AnswerBlock(0, &block);
            out += block;
        }
    }
    Reply(pipe, 0, out);
}

void Handle(Conn& pipe, uint32_t process, const HxiPipeRequest& req, const std::string& data)
{
    switch (req.msg) {
    case ZUV_RXMESSAGE:
        Fetch(pipe, req.param, process);
        return;
    case ZUV_REQNAME:
        AnswerName(pipe, req.param, data);
        return;
    case HXIPIPE_NAMES:
        AnswerNames(pipe, req.param, data);
        return;
    case ZUV_DEREGDEV: {
        bool foreign;
        {
            std::lock_guard<std::mutex> hold(Host().lock);
            Host().registry.DeregisterFrom(req.param, process);
            foreign = Host().registry.HeldByOther(req.param, process);
        }
        // A window with no registration left (a driver whose registration was
        // refused still withdraws at its end) is passed on as before; one
        // still registered by another process is not this caller's to drop.
        if (foreign) {
            Reply(pipe, 0, "");
            Net_Broadcast("# DEREGDEV " + std::to_string(req.param) +
                          " refused: registered by another process");
            return;
        }
        break;
    }
    default:
        break;
    }
    // Queued for the clients before the driver goes on, so its lines keep
    // their order with what it sends the host window next; the network
    // thread is woken after the reply.
    Net_Queue(hxihost::MessageLine(req.msg, req.param, hxihost::DataText(data.data(), data.size())));
    Reply(pipe, 0, "");
}

void Serve(Conn& c, ULONG process)
{
    std::vector<char> buffer(kBufferSize);
    while (!c.broken) {
        DWORD got = 0;
        PipeIo io = PipeRead(c.pipe, c.event, buffer.data(), kBufferSize, gIdleMs, &got);
        if (io == PIPE_IO_FAILED)
            return;
        if (io == PIPE_IO_MORE) {
            // Larger than any request: drain it and answer nothing useful.
            char sink[4096];
            while ((io = PipeRead(c.pipe, c.event, sink, sizeof sink, kReplyMs, &got)) == PIPE_IO_MORE) {
            }
            if (io == PIPE_IO_FAILED)
                return;
            Reply(c, 0, "");
            continue;
        }
        if (got < sizeof(HxiPipeRequest)) {
            Reply(c, 0, "");
            continue;
        }
        HxiPipeRequest req;
        memcpy(&req, buffer.data(), sizeof req);
        size_t have = got - sizeof req;
        size_t length = req.length < have ? req.length : have;
        Handle(c, process, req, std::string(buffer.data() + sizeof req, length));
        Net_Flush();
    }
}

void Connection(HANDLE pipe)
{
    ULONG process = 0;
    if (!GetNamedPipeClientProcessId(pipe, &process))
        process = 0;   // no process: nothing can be fetched or withdrawn
    Conn c = {pipe, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (c.event && Admit(process, 1)) {
        Serve(c, process);
        Admit(process, -1);
    }
    if (c.event)
        CloseHandle(c.event);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

// The first instance also claims the name: a second host (or any process
// holding the name) makes it fail.
HANDLE NewInstance(bool first)
{
    return CreateNamedPipeA(gPipeName.c_str(),
                            PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED |
                                (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT |
                                PIPE_REJECT_REMOTE_CLIENTS,
                            kMaxInstances, kBufferSize, kBufferSize, 0, nullptr);
}

// Waits for a library to connect to the instance.
bool AwaitClient(HANDLE pipe, HANDLE event)
{
    OVERLAPPED ov = {};
    ov.hEvent = event;
    if (ConnectNamedPipe(pipe, &ov))
        return true;
    DWORD error = GetLastError(), ignored = 0;
    if (error == ERROR_PIPE_CONNECTED)
        return true;
    return error == ERROR_IO_PENDING && GetOverlappedResult(pipe, &ov, &ignored, TRUE);
}

void Listen(HANDLE pipe)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
        if (!AwaitClient(pipe, event)) {
            CloseHandle(pipe);
        } else {
            std::thread(Connection, pipe).detach();
        }
        pipe = NewInstance(false);
        while (pipe == INVALID_HANDLE_VALUE) {
            Sleep(100);   // out of instances or handles: try again shortly
            pipe = NewInstance(false);
        }
    }
}

}  // namespace

// Whether some process already serves the name (Wine ignores
// FILE_FLAG_FIRST_PIPE_INSTANCE, so this is looked at first).
bool NameHeld(const std::string& name)
{
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return true;
    }
    return GetLastError() == ERROR_PIPE_BUSY;
}

bool Pipe_Start(const std::string& name, int idleSeconds)
{
    gIdleMs = (DWORD)idleSeconds * 1000;
    if (NameHeld(name))
        return false;
    gPipeName = name;
    HANDLE first = NewInstance(true);
    if (first == INVALID_HANDLE_VALUE)
        return false;
    std::thread(Listen, first).detach();
    return true;
}
