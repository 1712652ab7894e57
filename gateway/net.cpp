#include "gateway/net.h"

#include <chrono>

#ifdef _WIN32
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
typedef int socklen_t;
#define POLL_FN WSAPoll
static bool WouldBlock() { int e = WSAGetLastError(); return e == WSAEWOULDBLOCK || e == WSAEINPROGRESS; }
static void NonBlocking(SOCKET s) { u_long on = 1; ioctlsocket(s, FIONBIO, &on); }
static void CloseRaw(SOCKET s) { closesocket(s); }
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
typedef int SOCKET;
#define INVALID_SOCKET (-1)
#define POLL_FN poll
static bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINPROGRESS; }
static void NonBlocking(SOCKET s) { fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK); }
static void CloseRaw(SOCKET s) { close(s); }
#endif

namespace net {

namespace {

SOCKET Raw(Sock s) { return (SOCKET)s; }

void Tune(SOCKET s)
{
    NonBlocking(s);
    int on = 1;
    // Frames and revertive lines are small and wanted at once.
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, (const char*)&on, sizeof on);
}

// A TCP socket and the IPv4 address:port it is for; INVALID_SOCKET when
// the address is not one.
SOCKET Open(const std::string& address, int port, sockaddr_in* a)
{
    *a = sockaddr_in();
    a->sin_family = AF_INET;
    a->sin_port = htons((unsigned short)port);
    if (inet_pton(AF_INET, address.c_str(), &a->sin_addr) != 1)
        return INVALID_SOCKET;
    return socket(AF_INET, SOCK_STREAM, 0);
}

}  // namespace

bool Init()
{
#ifdef _WIN32
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
    signal(SIGPIPE, SIG_IGN);   // a client gone mid-write is an error, not the end
    return true;
#endif
}

uint64_t NowMs()
{
    return (uint64_t)std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

Sock Listen(const std::string& address, int port, int* bound)
{
    sockaddr_in a;
    SOCKET s = Open(address, port, &a);
    if (s == INVALID_SOCKET)
        return kNone;
#ifndef _WIN32
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, (const char*)&on, sizeof on);
#endif
    socklen_t len = sizeof a;
    if (bind(s, (sockaddr*)&a, sizeof a) != 0 || listen(s, 64) != 0 ||
        getsockname(s, (sockaddr*)&a, &len) != 0) {
        CloseRaw(s);
        return kNone;
    }
    NonBlocking(s);
    *bound = ntohs(a.sin_port);
    return (Sock)s;
}

Sock Accept(Sock listener)
{
    SOCKET s = accept(Raw(listener), nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return kNone;
    Tune(s);
    return (Sock)s;
}

Sock Connect(const std::string& address, int port, bool* done)
{
    sockaddr_in a;
    *done = false;
    SOCKET s = Open(address, port, &a);
    if (s == INVALID_SOCKET)
        return kNone;
    Tune(s);
    if (connect(s, (sockaddr*)&a, sizeof a) == 0) {
        *done = true;
        return (Sock)s;
    }
    if (WouldBlock())
        return (Sock)s;
    CloseRaw(s);
    return kNone;
}

bool Connected(Sock s)
{
    int error = 0;
    socklen_t len = sizeof error;
    return getsockopt(Raw(s), SOL_SOCKET, SO_ERROR, (char*)&error, &len) == 0 && error == 0;
}

long Recv(Sock s, char* buffer, size_t size)
{
    long n = (long)recv(Raw(s), buffer, (int)size, 0);
    if (n < 0)
        return WouldBlock() ? -2 : -1;
    return n;
}

long Send(Sock s, const char* data, size_t size)
{
#ifdef MSG_NOSIGNAL
    long n = (long)send(Raw(s), data, size, MSG_NOSIGNAL);
#else
    long n = (long)send(Raw(s), data, (int)size, 0);
#endif
    if (n < 0)
        return WouldBlock() ? 0 : -1;
    return n;
}

void Close(Sock s)
{
    if (s != kNone)
        CloseRaw(Raw(s));
}

void Poll(std::vector<Watch>& watches, int timeoutMs)
{
    std::vector<pollfd> fds(watches.size());
    for (size_t i = 0; i < watches.size(); ++i) {
        fds[i].fd = Raw(watches[i].sock);
        fds[i].events = (short)(((watches[i].want & READ) ? POLLIN : 0) |
                                ((watches[i].want & WRITE) ? POLLOUT : 0));
        fds[i].revents = 0;
    }
    POLL_FN(fds.data(), (unsigned long)fds.size(), timeoutMs);
    for (size_t i = 0; i < watches.size(); ++i) {
        short r = fds[i].revents;
        watches[i].got = ((r & (POLLIN | POLLHUP)) ? READ : 0) | ((r & POLLOUT) ? WRITE : 0) |
                         ((r & (POLLERR | POLLNVAL)) ? FAIL : 0);
    }
}

}  // namespace net
