#include "stand-ins/tracecap/dbwin.h"

namespace {
const DWORD kSectionSize = 4096;
}

bool Dbwin_Open(DbwinCapture* c)
{
    *c = DbwinCapture{};
    c->section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize,
                                    "DBWIN_BUFFER");
    bool taken = GetLastError() == ERROR_ALREADY_EXISTS;
    c->bufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    c->dataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    if (c->section && !taken)
        c->view = (const char*)MapViewOfFile(c->section, FILE_MAP_READ, 0, 0, kSectionSize);
    if (taken || !c->view || !c->bufferReady || !c->dataReady) {
        Dbwin_Close(c);
        return false;
    }
    SetEvent(c->bufferReady);
    return true;
}

bool Dbwin_Next(DbwinCapture* c, DWORD ms, DWORD* pid, char* text, int size)
{
    if (WaitForSingleObject(c->dataReady, ms) != WAIT_OBJECT_0)
        return false;
    DWORD writer;
    CopyMemory(&writer, c->view, sizeof writer);
    // The writer terminates its text; the bound guards against one that did not.
    const char* body = c->view + sizeof writer;
    int n = 0;
    while (n < size - 1 && n < (int)(kSectionSize - sizeof writer) && body[n])
        ++n;
    CopyMemory(text, body, n);
    text[n] = '\0';
    *pid = writer;
    SetEvent(c->bufferReady);
    return true;
}

void Dbwin_Close(DbwinCapture* c)
{
    if (c->view)
        UnmapViewOfFile(c->view);
    if (c->section)
        CloseHandle(c->section);
    if (c->bufferReady)
        CloseHandle(c->bufferReady);
    if (c->dataReady)
        CloseHandle(c->dataReady);
    *c = DbwinCapture{};
}
