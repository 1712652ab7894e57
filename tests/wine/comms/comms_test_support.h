// Helpers for the serial library's tests under Wine. The test run links
// a pseudo-terminal pair to COM ports (see with_ptys.sh): what the library
// writes on COM5 arrives on COM6 and back.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "comms/win32/comms_win32.h"

const int kPort = 5, kFarPort = 6;
const int kIndex = kPort - 1;
const int kMappedButAbsentPort = 11;  // mapped in the prefix, no pty behind it
const int kMissingPort = 250;         // not mapped at all

// Polls a condition until it holds or the deadline passes. Posted
// notifications stay queued for NotifySink::Take.
bool WaitUntil(const std::function<bool()>& condition, DWORD deadlineMs = 20000);

// The far end of a pair, opened directly on the system. One thread at a
// time may use it.
class FarEnd {
public:
    explicit FarEnd(int port, DWORD writeTimeoutMs = 30000);
    ~FarEnd();
    FarEnd(const FarEnd&) = delete;
    FarEnd& operator=(const FarEnd&) = delete;
    bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
    // Bytes the system took before the write timeout.
    DWORD Write(const std::string& data) { return Transfer(true, (void*)data.data(), (DWORD)data.size()); }
    // Reads until count bytes arrived or the deadline passed.
    std::string Read(size_t count, DWORD deadlineMs = 20000);

private:
    DWORD Transfer(bool write, void* data, DWORD count);
    HANDLE h_;
    HANDLE event_;  // one for all transfers: the handle count stays put
};

// A message-only window whose WM_COMMNOTIFY messages the test takes out of
// the queue itself.
class NotifySink {
public:
    NotifySink();
    ~NotifySink();
    HWND hwnd() const { return wnd_; }
    PlatWnd plat() const { return reinterpret_cast<PlatWnd>(wnd_); }
    // Every notification queued so far, as (wParam, lParam).
    std::vector<std::pair<WPARAM, LPARAM>> Take();

private:
    HWND wnd_;
};

// Bytes of a stream where each byte follows the one before: k % 251.
std::string Pattern(size_t count, size_t start = 0);

// A copy of one record of the port table; zero when there is no table.
PORTINFO RecordOf(int index);
// Collects count bytes through Comms_Read, up to the deadline.
std::string ReadFromLibrary(int index, size_t count, DWORD deadlineMs = 20000);
// The number of handles this process has open, found by probing.
int OpenHandleCount();
