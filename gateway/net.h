// The gateway's thin socket layer: non-blocking TCP sockets and one poll,
// the same calls on Linux (BSD sockets) and Windows (Winsock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

typedef intptr_t Sock;
const Sock kNone = -1;

bool Init();
uint64_t NowMs();                     // a monotonic clock
// A listening socket on address:port (port 0: a free one, returned in *bound).
Sock Listen(const std::string& address, int port, int* bound);
Sock Accept(Sock listener);           // kNone when none waits
// Starts a connection; *done is set when it is already made.
Sock Connect(const std::string& address, int port, bool* done);
bool Connected(Sock s);               // a started connection succeeded
// Bytes read (0 at end of stream, -1 on error, -2 when none waits).
long Recv(Sock s, char* buffer, size_t size);
// Bytes written (-1 on error, 0 when the socket is full).
long Send(Sock s, const char* data, size_t size);
void Close(Sock s);

enum { READ = 1, WRITE = 2, FAIL = 4 };
struct Watch {
    Sock sock;
    int want;   // READ | WRITE
    int got;    // READ | WRITE | FAIL after Poll
};
void Poll(std::vector<Watch>& watches, int timeoutMs);

}  // namespace net
