// Storing received bytes with the throttled WM_COMMNOTIFY (reader thread)
// and taking them out (application's thread).
#include "comms/win32/comms_internal.h"

namespace {

const DWORD NOTIFY_INTERVAL_MS = 100;
const LONG NOTIFY_BACKLOG = 8192;
CommsReadHookFn gReadHook = nullptr;

// Counts bytes that found no room and traces the start of each overrun.
void NoteDropped(PORTINFO* p, int index, int dropped)
{
    LONG total = InterlockedExchangeAdd(&p->dwRxDropped, dropped) + dropped;
    if (!p->bRxOverrun)
        Comms_Tracef("Comms: receive ring of COM%d full, received bytes dropped (%ld so far)",
                     index + 1, (long)total);
    p->bRxOverrun = 1;
}

}  // namespace

// Only bytes the ring took are counted as unread, so the count falls back
// once the application reads. A notification goes out when a window is set
// and none is outstanding, or 100 ms have passed since the last one (wrap
// safe), or more than 8,192 bytes wait.
void Comms_StoreReceived(int index, const BYTE* data, int count)
{
    if (!Comms_ValidIndex(index) || !data || count <= 0)
        return;
    PORTINFO* table = Table_Lock();
    if (!table)
        return;
    PORTINFO* p = &table[index];
    if (!p->hCom) {
        Table_Unlock();
        return;
    }
    DWORD now = Comms_Tick();
    // After an overrun nothing is stored until the application has read
    // up to the hole, so the hole shows at one place in the stream.
    int stored = 0;
    if (!p->bRxOverrun)
        Ring_Write(p->hRxBuffer, data, count, &stored);
    LONG unread = InterlockedExchangeAdd(&p->iRxCount, stored) + stored;
    if (stored < count)
        NoteDropped(p, index, count - stored);

    if (now - p->dwLastNotify >= NOTIFY_INTERVAL_MS || unread > NOTIFY_BACKLOG)
        p->bNotifyPending = 0;
    HWND wnd = p->hNotifyWnd;
    if (wnd && !p->bNotifyPending) {
        p->bNotifyPending = 1;
        p->dwLastNotify = now;
        PostMessageA(wnd, WM_COMMNOTIFY, (WPARAM)index, MAKELPARAM(0, (WORD)(unread & 0xFFFF)));
    }
    Table_Unlock();
}

// Re-arms the notification before it looks at the ring, also when nothing
// is taken: a byte stored while it reads is then either taken by this read
// or announced by the store.
int Comms_Read(int index, void* buffer, int count)
{
    PORTINFO* p = Port_Lock(index);
    if (!p)
        return 0;
    InterlockedExchange(&p->bNotifyPending, 0);
    int taken = 0;
    if (buffer && count > 0)
        taken = Ring_Read(p->hRxBuffer, static_cast<BYTE*>(buffer), count);
    if (gReadHook)
        gReadHook(index);
    // A short read has taken every byte stored before an overrun: the
    // next Comms_GetError reports it, and the ring takes bytes again.
    if (taken < count && p->bRxOverrun) {
        InterlockedExchange(&p->bRxHoleReached, 1);
        InterlockedExchange(&p->bRxOverrun, 0);
    }
    InterlockedExchangeAdd(&p->iRxCount, -taken);
    Table_Unlock();
    return taken;
}

void Comms_NoteLineLost(int index, bool lost)
{
    PORTINFO* p = Port_Lock(index);
    if (!p)
        return;
    LONG was = InterlockedExchange(&p->bLineLost, lost ? 1 : 0);
    HWND wnd = p->hNotifyWnd;
    if (lost && !was) {
        Comms_Tracef("Comms: reads of COM%d fail persistently: the device is gone", index + 1);
        if (wnd)
            PostMessageA(wnd, WM_COMMNOTIFY, (WPARAM)index, 0);
    }
    Table_Unlock();
}

void Comms_SetReadHook(CommsReadHookFn hook) { gReadHook = hook; }

DWORD Comms_GetDropped(int index)
{
    PORTINFO* p = Port_Lock(index);
    if (!p)
        return 0;
    DWORD dropped = (DWORD)p->dwRxDropped;
    Table_Unlock();
    return dropped;
}
