// The floor under one host library call: a bare request and reply over a
// message-mode named pipe between two processes, with nothing done on
// either side. The host bench prints it beside the library's own figure.
//   bench_pipe_floor server NAME       answers every message with 8 bytes
//   bench_pipe_floor client NAME N     N round trips of a 40-byte message;
//                                      prints "median_us=.. p90_us=.."
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Serve(const std::string& name)
{
    HANDLE pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096,
                                   4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    ConnectNamedPipe(pipe, nullptr);
    char buf[256];
    DWORD got = 0, put = 0;
    while (ReadFile(pipe, buf, sizeof buf, &got, nullptr))
        WriteFile(pipe, buf, 8, &put, nullptr);
    return 0;
}

int Time(const std::string& name, int n)
{
    HANDLE pipe = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE || n < 1) {
        std::printf("error=open\n");
        return 1;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    char request[40] = "RR 101 001 001", reply[64];
    std::vector<double> us;
    for (int i = 0; i < n; ++i) {
        DWORD moved = 0;
        QueryPerformanceCounter(&t0);
        if (!WriteFile(pipe, request, sizeof request, &moved, nullptr) ||
            !ReadFile(pipe, reply, sizeof reply, &moved, nullptr))
            break;
        QueryPerformanceCounter(&t1);
        us.push_back((double)(t1.QuadPart - t0.QuadPart) * 1e6 / (double)freq.QuadPart);
    }
    CloseHandle(pipe);
    if (us.empty()) {
        std::printf("error=transfer\n");
        return 1;
    }
    std::sort(us.begin(), us.end());
    std::printf("median_us=%.0f p90_us=%.0f\n", us[us.size() / 2], us[us.size() * 9 / 10]);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "server") == 0)
        return Serve(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "client") == 0)
        return Time(argv[2], std::atoi(argv[3]));
    std::fprintf(stderr, "usage: bench_pipe_floor server NAME | client NAME N\n");
    return 2;
}
