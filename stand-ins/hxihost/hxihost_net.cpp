// The TCP line interface: one thread serves every client with select().
// Client lines go to the GUI thread through a bounded inbound queue, the
// clients taking turns; lines for clients wait in per-client queues that
// drop their oldest lines when a client stops reading, so no client can
// stall the host or the drivers.
#include <ws2tcpip.h>

#include <atomic>
#include <deque>
#include <map>
#include <thread>
#include <vector>

#include "stand-ins/hxihost/hxihost.h"

namespace {

const size_t kMaxClients = 60;           // select() watches at most 64 sockets
const size_t kMaxQueuedLines = 256;      // per client, before reading pauses
const size_t kOutQueueBytes = 256 * 1024;

struct Client {
    SOCKET sock;
    std::string address;                 // the peer, as "a.b.c.d:port"
    uint64_t lastHeard = 0;              // tick of the last bytes received
    uint64_t linesIn = 0;
    bool sawLine = false;
    hxihost::LineReader reader;
    hxihost::OutQueue out{kOutQueueBytes};
    std::string sending;                 // the part of a line not yet written
    size_t queued = 0;                   // its lines in the inbound queue
};

std::mutex gLock;                        // guards everything below
std::map<uint64_t, Client> gClients;
hxihost::Turns<std::string> gInbound;    // lines for the GUI thread, clients in turn
bool gNotified = false;                  // a WM_HXI_LINES is on its way
uint64_t gNextClient = 1;               // 64 bits: ids are never reused

uint64_t gIdleMs = 0;

SOCKET gListen = INVALID_SOCKET;
SOCKET gWake = INVALID_SOCKET;           // a UDP socket connected to itself
std::atomic<bool> gWakePending{false};
// While lines keep coming the loop looks every kBusyPollUs without being
// woken: a wake costs a socket send, which would double the cost of every
// library call whose line is broadcast.
const long kBusyPollUs = 2000;
std::atomic<bool> gPolling{false};
std::atomic<unsigned> gNewLines{0};
std::atomic<bool> gUnflushed{false};     // lines queued by Net_Queue, no wake yet

void Wake()
{
    gNewLines++;
    if (gPolling)
        return;
    if (!gWakePending.exchange(true))
        send(gWake, "w", 1, 0);
}

// A last line to a client about to be closed; it may not get through.
void Farewell(SOCKET s, const std::string& line)
{
    std::string text = line + "\n";
    send(s, text.data(), (int)text.size(), 0);
}

void Accept()
{
    sockaddr_in peer = {};
    int len = sizeof peer;
    SOCKET s = accept(gListen, (sockaddr*)&peer, &len);
    if (s == INVALID_SOCKET)
        return;
    if (gClients.size() >= kMaxClients) {
        Farewell(s, "# too many clients (" + std::to_string(kMaxClients) + ")");
        closesocket(s);
        return;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    Client& c = gClients[gNextClient++];
    c.sock = s;
    char host[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &peer.sin_addr, host, sizeof host);
    c.address = std::string(host) + ":" + std::to_string(ntohs(peer.sin_port));
    c.lastHeard = GetTickCount64();
}

// Reads what a client sent; false when it has gone.
bool ReadClient(uint64_t id, Client& c)
{
    char buffer[4096];
    int n = recv(c.sock, buffer, sizeof buffer, 0);
    if (n == 0)
        return false;
    if (n < 0)
        return WSAGetLastError() == WSAEWOULDBLOCK;
    c.lastHeard = GetTickCount64();
    // A web page or another protocol reaching the port: nothing it sent runs.
    if (hxihost::HoldsForeignBytes(buffer, (size_t)n)) {
        Farewell(c.sock, "# not a line of this interface: closed");
        return false;
    }
    std::vector<hxihost::InLine> lines;
    hxihost::FeedBytes(c.reader, buffer, (size_t)n, lines);
    // The first line decides, whatever its length: nothing after a refused
    // one runs.
    if (!c.sawLine) {
        std::string refusal = hxihost::FirstLineRefusal(c.reader, lines);
        if (!refusal.empty()) {
            Farewell(c.sock, refusal);
            return false;
        }
        c.sawLine = !lines.empty();
    }
    bool added = false;
    for (const hxihost::InLine& l : lines) {
        if (l.tooLong) {
            c.out.Push("# line too long");
            continue;
        }
        if (l.text.empty())
            continue;
        gInbound.Push(id, l.text);
        c.queued++;
        c.linesIn++;
        added = true;
    }
    if (added && !gNotified && PostMessageA(Host().wnd, WM_HXI_LINES, 0, 0))
        gNotified = true;
    return true;
}

// Up to this many bytes of queued lines go out in one send: each send is a
// few wineserver requests, so a line each would cost more than the lines.
const size_t kSendBatch = 16 * 1024;

// Writes queued lines until the socket would block; false when it has gone.
bool WriteClient(Client& c)
{
    std::string line;
    for (;;) {
        while (c.sending.size() < kSendBatch && c.out.Pop(&line))
            c.sending += line;
        if (c.sending.empty())
            return true;
        int n = send(c.sock, c.sending.data(), (int)c.sending.size(), 0);
        if (n < 0)
            return WSAGetLastError() == WSAEWOULDBLOCK;
        c.sending.erase(0, (size_t)n);
        if (!c.sending.empty())
            return true;
    }
}

void DropClient(std::map<uint64_t, Client>::iterator it)
{
    closesocket(it->second.sock);
    gClients.erase(it);
}

void DropIdle()
{
    uint64_t now = GetTickCount64();
    for (auto it = gClients.begin(); it != gClients.end();) {
        if (gIdleMs && now - it->second.lastHeard > gIdleMs) {
            Farewell(it->second.sock, "# idle too long: closed");
            DropClient(it++);
        } else {
            ++it;
        }
    }
}

void Loop()
{
    const timeval tick = {1, 0};   // idle clients are looked for every second
    for (;;) {
        fd_set readable, writable;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        {
            std::lock_guard<std::mutex> hold(gLock);
            FD_SET(gListen, &readable);
            FD_SET(gWake, &readable);
            for (auto& [id, c] : gClients) {
                if (c.queued < kMaxQueuedLines)
                    FD_SET(c.sock, &readable);
                if (!c.sending.empty() || !c.out.Empty())
                    FD_SET(c.sock, &writable);
            }
        }
        // Cleared before the count is taken: a Wake that still saw it set
        // had counted its line, so this look finds it.
        gPolling = false;
        bool busy = gNewLines.exchange(0) > 0;
        if (busy)
            gPolling = true;
        timeval wait = busy ? timeval{0, kBusyPollUs} : tick;
        if (select(0, &readable, &writable, nullptr, &wait) == SOCKET_ERROR) {
            Sleep(10);
            continue;
        }
        std::lock_guard<std::mutex> hold(gLock);
        if (FD_ISSET(gWake, &readable)) {
            char sink[64];
            gWakePending = false;
            recv(gWake, sink, sizeof sink, 0);
        }
        if (FD_ISSET(gListen, &readable))
            Accept();
        for (auto it = gClients.begin(); it != gClients.end();) {
            Client& c = it->second;
            bool alive = true;
            if (FD_ISSET(c.sock, &readable))
                alive = ReadClient(it->first, c);
            if (alive && FD_ISSET(c.sock, &writable))
                alive = WriteClient(c);
            if (alive)
                ++it;
            else
                DropClient(it++);
        }
        DropIdle();
    }
}

bool MakeWakeSocket()
{
    gWake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (gWake == INVALID_SOCKET)
        return false;
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    if (bind(gWake, (sockaddr*)&a, sizeof a) != 0 || getsockname(gWake, (sockaddr*)&a, &len) != 0 ||
        connect(gWake, (sockaddr*)&a, sizeof a) != 0)
        return false;
    u_long nonBlocking = 1;
    ioctlsocket(gWake, FIONBIO, &nonBlocking);
    return true;
}

}  // namespace

bool Net_Start(const char* bindAddress, int port, int idleSeconds, int* boundPort)
{
    gIdleMs = idleSeconds > 0 ? (uint64_t)idleSeconds * 1000 : 0;
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_port = htons((u_short)port);
    if (inet_pton(AF_INET, bindAddress, &a.sin_addr) != 1)
        return false;
    gListen = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (gListen == INVALID_SOCKET)
        return false;
    int len = sizeof a;
    if (bind(gListen, (sockaddr*)&a, sizeof a) != 0 || listen(gListen, SOMAXCONN) != 0 ||
        getsockname(gListen, (sockaddr*)&a, &len) != 0 || !MakeWakeSocket())
        return false;
    *boundPort = ntohs(a.sin_port);
    std::thread(Loop).detach();
    return true;
}

void Net_Queue(const std::string& line)
{
    {
        std::lock_guard<std::mutex> hold(gLock);
        for (auto& entry : gClients)
            entry.second.out.Push(line);
    }
    gUnflushed = true;
}

void Net_Flush()
{
    if (gUnflushed.exchange(false))
        Wake();
}

void Net_Broadcast(const std::string& line)
{
    Net_Queue(line);
    Wake();
}

void Net_SendTo(uint64_t client, const std::string& line)
{
    {
        std::lock_guard<std::mutex> hold(gLock);
        auto it = gClients.find(client);
        if (it == gClients.end())
            return;
        it->second.out.Push(line);
    }
    Wake();
}

bool Net_NextLine(uint64_t* client, std::string* line)
{
    bool resume = false;
    {
        std::lock_guard<std::mutex> hold(gLock);
        if (gInbound.Empty()) {
            gNotified = false;
            return false;
        }
        *line = gInbound.Pop(client);
        auto it = gClients.find(*client);
        if (it != gClients.end())
            resume = (it->second.queued-- == kMaxQueuedLines);
    }
    if (resume)
        Wake();   // the client's socket may be read again
    return true;
}

std::vector<std::string> Net_StatusLines()
{
    std::lock_guard<std::mutex> hold(gLock);
    std::vector<std::string> lines;
    lines.push_back("CLIENTS " + std::to_string(gClients.size()) + " MAX " +
                    std::to_string(kMaxClients) + " IDLE " + std::to_string(gIdleMs / 1000) +
                    " REQUESTER 0 REFUSED");
    for (const auto& [id, c] : gClients)
        lines.push_back("CLIENT " + std::to_string(id) + " " + c.address + " LINES " +
                        std::to_string(c.linesIn) + " DROPPED " + std::to_string(c.out.Dropped()));
    return lines;
}
