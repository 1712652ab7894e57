// Closing a port. The reader thread is stopped before anything it can reach
// is released: its pending read is cancelled, and the close waits for it a
// bounded time so the application's thread never hangs. A thread that will
// not end keeps its record, ring and port handle (a small, traced leak).
#include <cstring>

#include "comms/win32/comms_internal.h"

namespace {

const DWORD CANCEL_RETRY_MS = 20;

// Clears the run flag first, then cancels again at each retry: the thread
// may issue one more request between its last test of the flag and the
// first cancel.
bool StopReader(int index, PORTINFO* p, DWORD maxWaitMs)
{
    bPortRunning[index] = 0;
    DWORD start = GetTickCount();
    for (;;) {
        CancelIoEx(p->hCom, nullptr);
        if (WaitForSingleObject(p->hThread, CANCEL_RETRY_MS) != WAIT_TIMEOUT)
            return true;
        if (GetTickCount() - start >= maxWaitMs)
            return false;
    }
}

}  // namespace

bool Port_Shutdown(int index, PORTINFO* p, DWORD maxWaitMs)
{
    if (p->hThread && !StopReader(index, p, maxWaitMs)) {
        p->hNotifyWnd = nullptr;
        Comms_Tracef("Comms: reader thread of COM%ld did not end; its port and ring stay allocated",
                     (long)p->iPort);
        return false;
    }
    if (p->hThread)
        CloseHandle(p->hThread);
    if (p->hStartSem)
        CloseHandle(p->hStartSem);
    CloseHandle(p->hCom);
    Ring_Destroy(p->hRxBuffer);
    std::memset(p, 0, sizeof *p);
    return true;
}

void Comms_ClosePort(int index)
{
    PORTINFO* table = Table_Lock();
    if (!table)
        return;
    if (index != -1 && !Comms_ValidIndex(index)) {
        Table_Unlock();
        return;
    }
    if (index != -1) {
        PORTINFO* p = &table[index];
        if (p->hCom) {
            bPortRunning[index] = 0;
            PurgeComm(p->hCom, PURGE_RXCLEAR);
            Port_Shutdown(index, p, COMMS_CLOSE_WAIT_MS);
        } else {
            std::memset(p, 0, sizeof *p);
        }
    }
    Table_UnlockAndFreeIfUnused(table);
}
