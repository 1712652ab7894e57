#include "comms_test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

bool WaitUntil(const std::function<bool()>& condition, DWORD deadlineMs)
{
    for (DWORD start = GetTickCount(); !condition(); Sleep(1))
        if (GetTickCount() - start > deadlineMs)
            return false;
    return true;
}

FarEnd::FarEnd(int port, DWORD writeTimeoutMs)
{
    char name[24];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    h_ = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_OVERLAPPED, nullptr);
    event_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    COMMTIMEOUTS t = {0, 0, 50, 0, writeTimeoutMs};
    if (IsOpen() && SetCommTimeouts(h_, &t))
        PurgeComm(h_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

FarEnd::~FarEnd()
{
    if (IsOpen())
        CloseHandle(h_);
    CloseHandle(event_);
}

// One overlapped transfer; a timed-out one still reports what it moved.
DWORD FarEnd::Transfer(bool write, void* data, DWORD count)
{
    OVERLAPPED ov = {};
    ov.hEvent = event_;
    ResetEvent(event_);
    DWORD done = 0;
    BOOL ok = write ? WriteFile(h_, data, count, &done, &ov) : ReadFile(h_, data, count, &done, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        GetOverlappedResult(h_, &ov, &done, TRUE);
    return done;
}

std::string FarEnd::Read(size_t count, DWORD deadlineMs)
{
    std::string got;
    char buf[4096];
    WaitUntil([&] {
        got.append(buf, Transfer(false, buf, (DWORD)std::min(sizeof buf, count - got.size())));
        return got.size() >= count;
    }, deadlineMs);
    return got;
}

NotifySink::NotifySink()
    : wnd_(CreateWindowExA(0, "STATIC", "comms-test-sink", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleA(nullptr), nullptr))
{
}

NotifySink::~NotifySink()
{
    Take();
    DestroyWindow(wnd_);
}

std::vector<std::pair<WPARAM, LPARAM>> NotifySink::Take()
{
    std::vector<std::pair<WPARAM, LPARAM>> seen;
    MSG msg;
    while (PeekMessageA(&msg, wnd_, WM_COMMNOTIFY, WM_COMMNOTIFY, PM_REMOVE))
        seen.emplace_back(msg.wParam, msg.lParam);
    return seen;
}

std::string Pattern(size_t count, size_t start)
{
    std::string s(count, '\0');
    for (size_t i = 0; i < count; i++)
        s[i] = (char)((start + i) % 251);
    return s;
}

PORTINFO RecordOf(int index)
{
    PORTINFO copy = {};
    if (auto* table = hPortTable ? static_cast<PORTINFO*>(GlobalLock(hPortTable)) : nullptr) {
        copy = table[index];
        GlobalUnlock(hPortTable);
    }
    return copy;
}

std::string ReadFromLibrary(int index, size_t count, DWORD deadlineMs)
{
    std::string got;
    char buf[512];
    WaitUntil([&] {
        int n = Comms_Read(index, buf, (int)std::min(sizeof buf, count - got.size()));
        got.append(buf, n > 0 ? n : 0);
        return got.size() >= count;
    }, deadlineMs);
    return got;
}

int OpenHandleCount()
{
    int count = 0;
    DWORD flags;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    return count;
}
