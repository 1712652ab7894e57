// Measurements of the serial library over a linked pseudo-terminal pair,
// driven the way the driver drives it: a notify window, a read chunk of one
// byte, and each WM_COMMNOTIFY answered by Comms_Read of one byte at a time
// until it returns 0. One line of "key=value" results on stdout.
//
//   bench_comms throughput PORT FARPORT SPEED BYTES CHUNK
//   bench_comms latency    PORT FARPORT SPEED SAMPLES
//   bench_comms idle       PORT SPEED SECONDS
// Throughput takes the read chunk as a parameter to show what a one-byte
// chunk costs against the driver's 64.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "comms/win32/comms_win32.h"

namespace {

int gIndex = -1;
volatile LONG gReceived = 0;
LARGE_INTEGER gLastByteAt;
HANDLE gHandled;  // set each time a notification has been drained

double Seconds(LONGLONG ticks)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return (double)ticks / (double)f.QuadPart;
}

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

LRESULT CALLBACK SinkProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_COMMNOTIFY)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    char byte;
    while (Comms_Read((int)wParam, &byte, 1) == 1) {
        InterlockedIncrement(&gReceived);
        QueryPerformanceCounter(&gLastByteAt);
    }
    SetEvent(gHandled);
    return 0;
}

HWND CreateSink()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SinkProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CommsBenchSink";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
}

HANDLE OpenFarEnd(int port)
{
    char name[24];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    COMMTIMEOUTS t = {0, 0, 50, 0, 5000};
    SetCommTimeouts(h, &t);
    return h;
}

DWORD FarWrite(HANDLE h, const void* data, DWORD count)
{
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD done = 0;
    if (!WriteFile(h, data, count, &done, &ov) && GetLastError() == ERROR_IO_PENDING)
        GetOverlappedResult(h, &ov, &done, TRUE);
    CloseHandle(ov.hEvent);
    return done;
}

// Pumps messages until the condition holds or the deadline passes.
template <class Cond>
void PumpUntil(Cond done, DWORD deadlineMs)
{
    DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < deadlineMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

bool OpenNotifying(int port, int speed, HWND sink, int chunk = 1)
{
    gIndex = Comms_OpenPort(port, (uint32_t)speed, 8, 0, 0);
    if (gIndex < 0) {
        std::printf("error=open-%d\n", gIndex);
        return false;
    }
    Comms_SetNotifyWindow(gIndex, reinterpret_cast<PlatWnd>(sink), chunk);
    return true;
}

int Throughput(int port, int farPort, int speed, int bytes, int chunk)
{
    HWND sink = CreateSink();
    if (!OpenNotifying(port, speed, sink, chunk))
        return 1;
    HANDLE remote = OpenFarEnd(farPort);
    std::vector<char> data(bytes, 'x');
    LONGLONG start = Now();
    gLastByteAt.QuadPart = start;
    std::atomic<bool> written{false};
    std::thread writer([&] {
        for (int sent = 0; sent < bytes;)
            sent += (int)FarWrite(remote, &data[sent], (DWORD)std::min(4096, bytes - sent));
        written = true;
    });
    // Bytes the ring had no room for never arrive: once the far end has
    // written everything, a second without a byte ends the wait.
    PumpUntil([&] { return gReceived >= bytes || (written && Seconds(Now() - gLastByteAt.QuadPart) > 1.0); },
              120000);
    writer.join();
    double secs = Seconds(gLastByteAt.QuadPart - start);
    std::printf("received=%ld seconds=%.3f bytes_per_s=%.0f dropped=%lu\n", (long)gReceived, secs,
                gReceived / secs, (unsigned long)Comms_GetDropped(gIndex));
    Comms_ClosePort(gIndex);
    CloseHandle(remote);
    return 0;
}

// The time from the far end's write of an answer-sized message to its last
// byte handled by the notify window's drain.
int Latency(int port, int farPort, int speed, int samples, int chunk, int size)
{
    HWND sink = CreateSink();
    if (!OpenNotifying(port, speed, sink, chunk))
        return 1;
    HANDLE remote = OpenFarEnd(farPort);
    std::vector<double> delays;
    std::string message(size < 1 ? 1 : size, 'L');
    volatile bool finished = false;
    std::thread writer([&] {
        for (int i = 0; i < samples; i++) {
            Sleep(5 + i % 7);  // spreads the sends over the reader's timeout cycle
            ResetEvent(gHandled);
            LONGLONG sentAt = Now();
            const LONG want = gReceived + (LONG)message.size();
            FarWrite(remote, message.data(), (DWORD)message.size());
            // Reset after each wake, then look: a drain between the two is
            // still seen by the look.
            while (gReceived < want) {
                if (WaitForSingleObject(gHandled, 5000) != WAIT_OBJECT_0)
                    break;
                ResetEvent(gHandled);
            }
            if (gReceived < want)
                break;
            delays.push_back(Seconds(gLastByteAt.QuadPart - sentAt) * 1000.0);
        }
        finished = true;
    });
    PumpUntil([&] { return finished; }, 600000);
    writer.join();
    std::sort(delays.begin(), delays.end());
    double sum = 0;
    for (double d : delays)
        sum += d;
    size_t n = delays.size();
    if (n == 0) {
        std::printf("error=no-samples\n");
        return 1;
    }
    std::printf("samples=%zu mean_ms=%.3f p50_ms=%.3f p99_ms=%.3f max_ms=%.3f\n", n, sum / n,
                delays[n / 2], delays[std::min(n - 1, n * 99 / 100)], delays[n - 1]);
    Comms_ClosePort(gIndex);
    CloseHandle(remote);
    return 0;
}

int Idle(int port, int speed, int seconds, int chunk)
{
    HWND sink = CreateSink();
    if (!OpenNotifying(port, speed, sink, chunk))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    PumpUntil([] { return false; }, (DWORD)seconds * 1000);
    Comms_ClosePort(gIndex);
    std::printf("closed\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    gHandled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (argc == 7 && !std::strcmp(argv[1], "throughput"))
        return Throughput(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
    if (argc == 8 && !std::strcmp(argv[1], "latency"))
        return Latency(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]),
                       atoi(argv[7]));
    if (argc == 6 && !std::strcmp(argv[1], "idle"))
        return Idle(atoi(argv[2]), atoi(argv[3]), atoi(argv[4]), atoi(argv[5]));
    std::fprintf(stderr, "usage: bench_comms throughput PORT FARPORT SPEED BYTES CHUNK | latency PORT FARPORT SPEED N CHUNK SIZE |"
                         " idle PORT SPEED SECONDS CHUNK\n");
    return 2;
}
