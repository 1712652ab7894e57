// The receive ring: 16,384 bytes in a movable block, guarded by a named
// semaphore that the reader thread and the application take in turns. No
// holder keeps the semaphore longer than one call's copy, and nobody waits
// for it longer than RING_WAIT_MS.
#include <cstdio>

#include "comms/win32/comms_internal.h"

namespace {

const DWORD RING_WAIT_MS = 200;

LONG Advance(LONG pos) { return (pos + 1) % COMMS_RING_SIZE; }

// Locks the block and takes its semaphore; null (nothing held) on failure.
RXBUF* Acquire(HGLOBAL ring)
{
    if (!ring)
        return nullptr;
    RXBUF* rb = static_cast<RXBUF*>(GlobalLock(ring));
    if (!rb)
        return nullptr;
    if (WaitForSingleObject(rb->hBufSem, RING_WAIT_MS) != WAIT_OBJECT_0) {
        GlobalUnlock(ring);
        return nullptr;
    }
    return rb;
}

void Release(HGLOBAL ring, RXBUF* rb)
{
    HANDLE sem = rb->hBufSem;
    GlobalUnlock(ring);
    ReleaseSemaphore(sem, 1, nullptr);
}

}  // namespace

int Ring_Count(const RXBUF* rb)
{
    return (rb->iWritePos - rb->iReadPos + COMMS_RING_SIZE) % COMMS_RING_SIZE;
}

int Ring_PutByte(RXBUF* rb, BYTE value)
{
    if (Ring_Count(rb) >= COMMS_RING_SIZE - 1)
        return 0;
    rb->cData[rb->iWritePos] = value;
    rb->iWritePos = Advance(rb->iWritePos);
    return 1;
}

int Ring_GetByte(RXBUF* rb, BYTE* value)
{
    if (Ring_Count(rb) == 0)
        return 0;
    *value = rb->cData[rb->iReadPos];
    rb->iReadPos = Advance(rb->iReadPos);
    return 1;
}

HGLOBAL Ring_Create(HANDLE hCom)
{
    char name[32];
    std::snprintf(name, sizeof name, "%XBUFSEM", Comms_HandleValue(hCom));
    // Opens the existing semaphore when another port handle of the same
    // value (another process) made one: the rings then only take turns.
    HANDLE sem = CreateSemaphoreA(nullptr, 1, 1, name);
    if (!sem)
        return nullptr;
    if (WaitForSingleObject(sem, RING_WAIT_MS) != WAIT_OBJECT_0) {
        CloseHandle(sem);
        return nullptr;
    }
    HGLOBAL ring = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(RXBUF));
    RXBUF* rb = ring ? static_cast<RXBUF*>(GlobalLock(ring)) : nullptr;
    if (!rb) {
        if (ring)
            GlobalFree(ring);
        ReleaseSemaphore(sem, 1, nullptr);
        CloseHandle(sem);
        return nullptr;
    }
    rb->iWritePos = 0;
    rb->iReadPos = 0;
    rb->hBufSem = sem;
    GlobalUnlock(ring);
    ReleaseSemaphore(sem, 1, nullptr);
    return ring;
}

void Ring_Destroy(HGLOBAL ring)
{
    if (!ring)
        return;
    RXBUF* rb = static_cast<RXBUF*>(GlobalLock(ring));
    HANDLE sem = rb ? rb->hBufSem : nullptr;
    while (GlobalFlags(ring) & GMEM_LOCKCOUNT)
        GlobalUnlock(ring);
    if (sem)
        CloseHandle(sem);
    GlobalFree(ring);
}

int Ring_Write(HGLOBAL ring, const BYTE* data, int count, int* stored)
{
    if (stored)
        *stored = 0;
    RXBUF* rb = Acquire(ring);
    if (!rb)
        return 0;
    int n = 0;
    while (n < count && Ring_PutByte(rb, data[n]))
        n++;
    Release(ring, rb);
    if (stored)
        *stored = n;
    return 1;
}

int Ring_Read(HGLOBAL ring, BYTE* buffer, int count)
{
    RXBUF* rb = Acquire(ring);
    if (!rb)
        return 0;
    int n = 0;
    while (n < count && Ring_GetByte(rb, &buffer[n]))
        n++;
    Release(ring, rb);
    return n;
}

int Ring_Available(HGLOBAL ring)
{
    RXBUF* rb = Acquire(ring);
    if (!rb)
        return -1;
    int n = Ring_Count(rb);
    Release(ring, rb);
    return n;
}
