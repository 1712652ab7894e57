// The reader thread: one per open port, keeping an overlapped read request
// outstanding and storing whatever arrives. Its pace is set by the port's
// read timeouts; only a failed request adds a pause, so a dead line does not
// make it spin. Requests that keep failing mark the line lost (the device is
// gone: an adapter unplugged, the far end of a pseudo-terminal closed), and
// from then on it only tries a few times a second until the port is closed.
#include <cstring>

#include "comms/win32/comms_internal.h"

namespace {

const DWORD FAILED_READ_PAUSE_MS = 10;
const int LOST_AFTER_FAILURES = 10;     // about 0.1 s of nothing but failures
const DWORD LOST_READ_PAUSE_MS = 250;

enum ReadOutcome {
    READ_DATA,     // bytes arrived
    READ_EMPTY,    // the request ran into its timeout with no data
    READ_REFUSED,  // the request itself failed: the receive side is reset
    READ_LOST,     // the request was accepted but did not complete
};

LONG CurrentChunk(int index)
{
    LONG chunk = iReadChunk[index];
    if (chunk < COMMS_MIN_CHUNK)
        return COMMS_MIN_CHUNK;
    return chunk > COMMS_MAX_CHUNK ? COMMS_MAX_CHUNK : chunk;
}

// A read that ended by its timeout with no data is reported as success with
// 0 bytes by some systems and as ERROR_TIMEOUT by others: both are empty.
ReadOutcome Classify(BOOL ok, DWORD error, DWORD got)
{
    if (got > 0 && (ok || error == ERROR_TIMEOUT))
        return READ_DATA;
    if (ok || error == ERROR_TIMEOUT)
        return READ_EMPTY;
    return READ_LOST;
}

ReadOutcome ReadOnce(HANDLE hCom, OVERLAPPED* ov, BYTE* buffer, DWORD chunk, DWORD* got)
{
    *got = 0;
    if (ReadFile(hCom, buffer, chunk, got, ov))
        return *got > 0 ? READ_DATA : READ_LOST;  // an instant empty answer is not a wait
    DWORD error = GetLastError();
    if (error == ERROR_TIMEOUT)
        return READ_EMPTY;
    if (error != ERROR_IO_PENDING)
        return READ_REFUSED;
    BOOL ok = GetOverlappedResult(hCom, ov, got, TRUE);
    return Classify(ok, ok ? 0 : GetLastError(), *got);
}

}  // namespace

void Comms_ResetReceive(HANDLE hCom)
{
    DWORD errors = 0;
    COMSTAT cs;
    ClearCommError(hCom, &errors, &cs);
    PurgeComm(hCom, PURGE_RXCLEAR);
}

DWORD WINAPI Comms_ReaderThread(LPVOID startBlock)
{
    PORTINFO own;
    std::memcpy(&own, startBlock, sizeof own);
    HANDLE hCom = own.hCom;
    int index = (int)own.iPort - 1;
    BYTE buffer[COMMS_MAX_CHUNK];
    OVERLAPPED ov;
    std::memset(&ov, 0, sizeof ov);
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ReleaseSemaphore(own.hStartSem, 1, nullptr);  // the open may now reuse the start block

    int failures = 0;
    while (bPortRunning[index]) {
        DWORD got = 0;
        ReadOutcome outcome = ReadOnce(hCom, &ov, buffer, (DWORD)CurrentChunk(index), &got);
        if (ov.hEvent)
            ResetEvent(ov.hEvent);
        if (outcome == READ_DATA)
            Comms_StoreReceived(index, buffer, (int)got);
        if (outcome == READ_DATA || outcome == READ_EMPTY) {
            if (failures >= LOST_AFTER_FAILURES)
                Comms_NoteLineLost(index, false);
            failures = 0;
            continue;
        }
        if (outcome == READ_REFUSED)
            Comms_ResetReceive(hCom);
        if (++failures == LOST_AFTER_FAILURES)
            Comms_NoteLineLost(index, true);
        Sleep(failures >= LOST_AFTER_FAILURES ? LOST_READ_PAUSE_MS : FAILED_READ_PAUSE_MS);
    }
    if (ov.hEvent)
        CloseHandle(ov.hEvent);
    return (DWORD)(index + 100);
}
