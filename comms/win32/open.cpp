// Opening a port: the overlapped open, the line settings, the receive ring,
// the timeouts and the start of the reader thread.
#include <cstdio>
#include <cstring>

#include "comms/win32/comms_internal.h"

namespace {

const DWORD START_FIRST_WAIT_MS = 1000;
const DWORD START_HANDOVER_WAIT_MS = 60000;
const LONG OPEN_READ_CHUNK = 16;

void ClearRecord(PORTINFO* p) { std::memset(p, 0, sizeof *p); }

// Speed, data bits, stop bits and parity over what the system reports;
// flow control, binary and parity checking and the special characters stay.
bool ApplyLineSettings(HANDLE hCom, LONG speed, int dataBits, int stopBits, int parity)
{
    DCB dcb;
    std::memset(&dcb, 0, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(hCom, &dcb))
        return false;
    dcb.BaudRate = (DWORD)speed;
    dcb.ByteSize = (BYTE)dataBits;
    dcb.StopBits = (BYTE)stopBits;
    dcb.Parity = (BYTE)parity;
    return SetCommState(hCom, &dcb) != FALSE;
}

// The interval timeout is ten 10-bit character times; above 100,000 baud it
// is 0, which switches it off.
void ApplyOpenTimeouts(PORTINFO* p, int index)
{
    COMMTIMEOUTS& t = p->ctTimeouts;
    t.ReadIntervalTimeout = 100000 / (DWORD)p->iSpeed;
    t.ReadTotalTimeoutMultiplier = (DWORD)iReadChunk[index];
    t.ReadTotalTimeoutConstant = 0;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = 1000;
    SetCommTimeouts(p->hCom, &t);
}

HANDLE CreateStartSemaphore(HANDLE hCom)
{
    char name[64];
    std::snprintf(name, sizeof name, "Creating Thread for hCom %#x.\r\n", Comms_HandleValue(hCom));
    return CreateSemaphoreA(nullptr, 1, 1, name);
}

// Hands the record to a new reader thread through the start block and waits
// until the thread holds its own copy.
bool StartReader(PORTINFO* p, int index)
{
    p->hStartSem = CreateStartSemaphore(p->hCom);
    if (!p->hStartSem)
        return false;
    WaitForSingleObject(p->hStartSem, START_FIRST_WAIT_MS);
    bPortRunning[index] = 1;
    std::memcpy(&piStartBlock, p, sizeof piStartBlock);
    p->hThread = CreateThread(nullptr, 0, Comms_ReaderThread, &piStartBlock, 0, &p->dwThreadId);
    if (!p->hThread) {
        bPortRunning[index] = 0;
        CloseHandle(p->hStartSem);
        p->hStartSem = nullptr;
        return false;
    }
    p->cpProps.wPacketLength = sizeof(COMMPROP);
    GetCommProperties(p->hCom, &p->cpProps);
    if (WaitForSingleObject(p->hStartSem, START_HANDOVER_WAIT_MS) == WAIT_TIMEOUT) {
        // The thread may still release the semaphore: the close frees it.
        MessageBoxA(nullptr, "Comms library very serious internal error. Contact ORVA support",
                    "Comms error", MB_ICONERROR | MB_OK);
        return true;
    }
    CloseHandle(p->hStartSem);
    p->hStartSem = nullptr;
    return true;
}

// Configures the freshly opened port and starts its reader. On failure
// everything made here is released, the port handle closed included.
bool ConfigurePort(PORTINFO* p, int index, int dataBits, int stopBits, int parity)
{
    std::memset(&piStartBlock, 0, sizeof piStartBlock);
    if (ApplyLineSettings(p->hCom, p->iSpeed, dataBits, stopBits, parity)) {
        p->hRxBuffer = Ring_Create(p->hCom);
        if (p->hRxBuffer) {
            ApplyOpenTimeouts(p, index);
            if (StartReader(p, index))
                return true;
            Ring_Destroy(p->hRxBuffer);
        }
    }
    CloseHandle(p->hCom);
    return false;
}

HANDLE OpenDevice(int port)
{
    char name[24];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    SetLastError(0);
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int Comms_OpenPort(int port, uint32_t speed, int dataBits, int stopBitsCode, int parityCode)
{
    // A speed of 0 would divide by zero in the timeouts.
    if (port < 1 || port > COMMS_MAX_PORTS || speed < 1 || speed > 0x7FFFFFFF)
        return -1;
    int index = port - 1;
    PORTINFO* table = Table_LockOrCreate();
    if (!table)
        return -1;
    PORTINFO* p = &table[index];
    // Held by this process: refuse even where the system would open it a
    // second time. A record left by a close whose thread would not end is
    // reclaimed once that thread has gone.
    if (p->hCom && (bPortRunning[index] || !Port_Shutdown(index, p, 0))) {
        Table_Unlock();
        return -2;
    }
    HANDLE h = OpenDevice(port);
    if (h == INVALID_HANDLE_VALUE) {
        bool denied = GetLastError() == ERROR_ACCESS_DENIED;
        if (!denied)
            ClearRecord(p);
        Table_UnlockAndFreeIfUnused(table);
        return denied ? -2 : -1;
    }
    ClearRecord(p);
    p->iPort = port;
    p->hCom = h;
    p->iSpeed = (LONG)speed;
    iReadChunk[index] = OPEN_READ_CHUNK;
    if (!ConfigurePort(p, index, dataBits, stopBitsCode, parityCode)) {
        ClearRecord(p);
        Table_UnlockAndFreeIfUnused(table);
        return -1;
    }
    Table_Unlock();
    return index;
}
