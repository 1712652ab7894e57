// Operations on an open port from the application's thread: the notify
// window, writing, errors, state, the settings dialog and purging. A valid
// index whose record is not in use fails like a bad index: no null handle
// reaches the system.
#include <cstdio>
#include <cstring>

#include "comms/win32/comms_internal.h"

static_assert(COMMS_CE_RXOVER == CE_RXOVER, "the system's overrun bit");

namespace {

LONG ClampChunk(int chunk)
{
    if (chunk < COMMS_MIN_CHUNK)
        return COMMS_MIN_CHUNK;
    return chunk > COMMS_MAX_CHUNK ? COMMS_MAX_CHUNK : chunk;
}

// The bytes the system took, fewer than count when the write's time-out cut
// it short (output held back by flow control); -1 when the write failed.
long WriteOverlapped(HANDLE hCom, const void* data, DWORD count)
{
    OVERLAPPED ov;
    std::memset(&ov, 0, sizeof ov);
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!ov.hEvent)
        return -1;
    DWORD done = 0;
    BOOL ok = WriteFile(hCom, data, count, &done, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = GetOverlappedResult(hCom, &ov, &done, TRUE);
    CloseHandle(ov.hEvent);
    return ok && done <= count ? (long)done : -1;
}

}  // namespace

int Comms_SetNotifyWindow(int index, PlatWnd wnd, int readChunk)
{
    PORTINFO* p = Port_Lock(index);
    if (!p)
        return 0;
    if (readChunk < 0) {
        p->hNotifyWnd = nullptr;
        Table_Unlock();
        return 1;
    }
    LONG chunk = ClampChunk(readChunk);
    LONG interval = 100000 / p->iSpeed;
    p->hNotifyWnd = reinterpret_cast<HWND>(wnd);
    p->ctTimeouts.ReadIntervalTimeout = interval < 1 ? 1 : (DWORD)interval;
    p->ctTimeouts.ReadTotalTimeoutMultiplier = (DWORD)chunk;
    p->ctTimeouts.ReadTotalTimeoutConstant = 0;
    p->ctTimeouts.WriteTotalTimeoutMultiplier = 0;
    p->ctTimeouts.WriteTotalTimeoutConstant = 1000;
    SetCommTimeouts(p->hCom, &p->ctTimeouts);
    iReadChunk[index] = chunk;
    Table_Unlock();
    return 1;
}

int Comms_Write(int index, const void* data, uint16_t count)
{
    if (!Comms_ValidIndex(index))
        return -2;
    if (!hPortTable)
        return -3;
    PORTINFO* p = Port_Lock(index);
    if (!p)
        return -2;
    long written = (data || count == 0) ? WriteOverlapped(p->hCom, data, count) : -1;
    Table_Unlock();
    return (int)written;
}

int Comms_GetError(int index, CommsStat* stat)
{
    PORTINFO* p = Port_Lock(index);
    if (!p)
        return -1;
    int waiting = Ring_Available(p->hRxBuffer);
    DWORD errors = 0;
    COMSTAT cs;
    std::memset(&cs, 0, sizeof cs);
    ClearCommError(p->hCom, &errors, &cs);
    if (InterlockedExchange(&p->bRxHoleReached, 0))
        errors |= CE_RXOVER;
    if (p->bLineLost)
        errors |= CE_IOE;
    Table_Unlock();
    if (stat) {
        static_assert(sizeof(DWORD) == sizeof(stat->dwFlags), "flag word");
        std::memcpy(&stat->dwFlags, &cs, sizeof stat->dwFlags);  // the COMSTAT bit fields
        stat->cbInQue = (uint32_t)waiting;
        stat->cbOutQue = cs.cbOutQue;
    }
    return (int)errors;
}

BOOL Comms_GetState(int index, DCB* dcb)
{
    PORTINFO* p = dcb ? Port_Lock(index) : nullptr;
    if (!p)
        return FALSE;
    BOOL ok = GetCommState(p->hCom, dcb);
    Table_Unlock();
    return ok;
}

BOOL Comms_SetState(int index, const DCB* dcb)
{
    PORTINFO* p = dcb ? Port_Lock(index) : nullptr;
    if (!p)
        return FALSE;
    BOOL ok = SetCommState(p->hCom, const_cast<DCB*>(dcb));
    Table_Unlock();
    return ok;
}

// The system's settings dialog runs modal; the table is not held meanwhile.
BOOL Comms_ConfigDialog(int index, HWND owner)
{
    COMMCONFIG cc;
    std::memset(&cc, 0, sizeof cc);
    cc.dwSize = sizeof cc;
    cc.dcb.DCBlength = sizeof cc.dcb;
    if (!Comms_GetState(index, &cc.dcb))
        return FALSE;
    char name[16];
    std::snprintf(name, sizeof name, "COM%d", index + 1);
    BOOL confirmed = CommConfigDialogA(name, owner, &cc);
    if (confirmed)
        Comms_SetState(index, &cc.dcb);
    return confirmed;
}

int Comms_Purge(int index, uint32_t flags)
{
    PORTINFO* p = Port_Lock(index);
    if (!p)
        return 0;
    BOOL ok = PurgeComm(p->hCom, flags);
    Table_Unlock();
    return ok;
}
