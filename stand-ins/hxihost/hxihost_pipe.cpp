// The named pipe that orvaif32.dll talks to: one thread per connected
// library, one reply per request.
#include <cstring>
#include <thread>
#include <vector>

#include "hostlink/hxi_messages.h"
#include "stand-ins/hxihost/hxihost.h"
#include "stand-ins/orvaif32/pipe_proto.h"

namespace {

const DWORD kBufferSize = sizeof(HxiPipeRequest) + HXIPIPE_MAX_DATA;

std::string gPipeName;

void Reply(HANDLE pipe, int32_t result, const std::string& data)
{
    HxiPipeReply head = {result, (uint32_t)data.size()};
    std::string out((const char*)&head, sizeof head);
    out += data;
    DWORD written = 0;
    WriteFile(pipe, out.data(), (DWORD)out.size(), &written, nullptr);
}

// Hands out the command text waiting under the given message id.
void Fetch(HANDLE pipe, uint32_t id)
{
    std::string text;
    bool found = false;
    {
        std::lock_guard<std::mutex> hold(Host().lock);
        auto it = Host().waiting.find(id);
        if (it != Host().waiting.end()) {
            text = it->second;
            found = true;
        }
    }
    if (!found) {
        Reply(pipe, 0, "");
        return;
    }
    text.push_back('\0');
    Reply(pipe, ZUV_RXCOMMAND, text);
}

void AnswerName(HANDLE pipe, uint32_t param, std::string data)
{
    if (data.size() < 6) {
        Reply(pipe, 0, data);
        return;
    }
    int device = (unsigned char)data[0] | (unsigned char)data[1] << 8;
    int kind = (unsigned char)data[2] | (unsigned char)data[3] << 8;
    int number = (unsigned char)data[4] | (unsigned char)data[5] << 8;
    {
        std::lock_guard<std::mutex> hold(Host().lock);
        hxihost::AnswerNameBlock(Host().names, (unsigned char*)&data[0], data.size());
    }
    std::string name = hxihost::DataText(data.data(), data.size());
    Net_Broadcast(hxihost::MessageLine(ZUV_REQNAME, param,
                                       std::to_string(device) + " " + std::to_string(kind) + " " +
                                           std::to_string(number) + " " + name));
    Reply(pipe, 0, data);
}

void Handle(HANDLE pipe, const HxiPipeRequest& req, const std::string& data)
{
    switch (req.msg) {
    case ZUV_RXMESSAGE:
        Fetch(pipe, req.param);
        return;
    case ZUV_REQNAME:
        AnswerName(pipe, req.param, data);
        return;
    case ZUV_DEREGDEV: {
        std::lock_guard<std::mutex> hold(Host().lock);
        Host().registry.Deregister(req.param);
        break;
    }
    default:
        break;
    }
    Net_Broadcast(hxihost::MessageLine(req.msg, req.param, hxihost::DataText(data.data(), data.size())));
    Reply(pipe, 0, "");
}

void Serve(HANDLE pipe)
{
    std::vector<char> buffer(kBufferSize);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(pipe, buffer.data(), kBufferSize, &got, nullptr)) {
            if (GetLastError() != ERROR_MORE_DATA)
                break;
            // Larger than any request: drain it and answer nothing useful.
            char sink[4096];
            while (!ReadFile(pipe, sink, sizeof sink, &got, nullptr) &&
                   GetLastError() == ERROR_MORE_DATA) {
            }
            Reply(pipe, 0, "");
            continue;
        }
        if (got < sizeof(HxiPipeRequest)) {
            Reply(pipe, 0, "");
            continue;
        }
        HxiPipeRequest req;
        memcpy(&req, buffer.data(), sizeof req);
        size_t have = got - sizeof req;
        size_t length = req.length < have ? req.length : have;
        Handle(pipe, req, std::string(buffer.data() + sizeof req, length));
    }
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

HANDLE NewInstance()
{
    return CreateNamedPipeA(gPipeName.c_str(), PIPE_ACCESS_DUPLEX,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                            PIPE_UNLIMITED_INSTANCES, kBufferSize, kBufferSize, 0, nullptr);
}

void Listen(HANDLE pipe)
{
    for (;;) {
        BOOL connected = ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
        if (!connected) {
            CloseHandle(pipe);
        } else {
            std::thread(Serve, pipe).detach();
        }
        pipe = NewInstance();
        while (pipe == INVALID_HANDLE_VALUE) {
            Sleep(100);   // out of instances or handles: try again shortly
            pipe = NewInstance();
        }
    }
}

}  // namespace

bool Pipe_Start(const std::string& name)
{
    gPipeName = name;
    HANDLE first = NewInstance();
    if (first == INVALID_HANDLE_VALUE)
        return false;
    std::thread(Listen, first).detach();
    return true;
}
