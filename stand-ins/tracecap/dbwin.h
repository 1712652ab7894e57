// Reading what programs write with OutputDebugStringA, through the shared
// memory protocol of debug viewers: a 4 KB section "DBWIN_BUFFER" (writer's
// process id, then the text) and the events "DBWIN_BUFFER_READY" (set by the
// reader when the section may be written) and "DBWIN_DATA_READY" (set by the
// writer when it has). One reader per session; writers wait for it.
#pragma once

#include <windows.h>

struct DbwinCapture {
    HANDLE section;
    HANDLE bufferReady;
    HANDLE dataReady;
    const char* view;
};

// Becomes the session's reader. False when another reader is running or the
// objects cannot be made (the capture is then closed).
bool Dbwin_Open(DbwinCapture* c);
// Waits up to ms for the next text; true with the writer's pid and the text
// (cut to size), false on timeout.
bool Dbwin_Next(DbwinCapture* c, DWORD ms, DWORD* pid, char* text, int size);
void Dbwin_Close(DbwinCapture* c);
