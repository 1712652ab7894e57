// One read or write on an overlapped pipe handle, bounded in time: both ends
// of the host's pipe use it so that neither can be held by the other.
#pragma once

#include <windows.h>

enum PipeIo { PIPE_IO_DONE, PIPE_IO_MORE, PIPE_IO_FAILED };

// Finishes an operation just started on `pipe` with `ov` (`started` is what
// ReadFile or WriteFile returned): waits up to `ms` for it, cancels it when
// the time is up. PIPE_IO_MORE: a message read only in part (more follows).
inline PipeIo PipeFinish(HANDLE pipe, OVERLAPPED* ov, BOOL started, DWORD ms, DWORD* got)
{
    *got = 0;
    if (!started) {
        DWORD error = GetLastError();
        if (error == ERROR_MORE_DATA)
            return GetOverlappedResult(pipe, ov, got, FALSE), PIPE_IO_MORE;
        if (error != ERROR_IO_PENDING)
            return PIPE_IO_FAILED;
        if (WaitForSingleObject(ov->hEvent, ms) != WAIT_OBJECT_0) {
            CancelIo(pipe);
            GetOverlappedResult(pipe, ov, got, TRUE);   // the cancel has landed
            return PIPE_IO_FAILED;
        }
    }
    if (GetOverlappedResult(pipe, ov, got, FALSE))
        return PIPE_IO_DONE;
    return GetLastError() == ERROR_MORE_DATA ? PIPE_IO_MORE : PIPE_IO_FAILED;
}

inline PipeIo PipeRead(HANDLE pipe, HANDLE event, void* buffer, DWORD size, DWORD ms, DWORD* got)
{
    OVERLAPPED ov = {};
    ov.hEvent = event;
    BOOL started = ReadFile(pipe, buffer, size, nullptr, &ov);
    return PipeFinish(pipe, &ov, started, ms, got);
}

inline PipeIo PipeWrite(HANDLE pipe, HANDLE event, const void* data, DWORD size, DWORD ms)
{
    OVERLAPPED ov = {};
    ov.hEvent = event;
    DWORD written = 0;
    BOOL started = WriteFile(pipe, data, size, nullptr, &ov);
    PipeIo io = PipeFinish(pipe, &ov, started, ms, &written);
    return io == PIPE_IO_DONE && written == size ? PIPE_IO_DONE : PIPE_IO_FAILED;
}

// Whether a write failed because the other end had already closed the
// connection, so that nothing of it can have arrived.
inline bool PipeWasClosed(DWORD error)
{
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED;
}
