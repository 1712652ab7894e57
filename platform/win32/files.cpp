// Files: the tally and lock files, read and written whole, and replaced in
// one step so a reader never meets a half-written file.
#include <windows.h>

#include "platform/platform.h"

PlatFile Plat_FileOpen(const char* path, PlatFileMode mode)
{
    HANDLE h;
    if (mode == PLAT_FILE_READ)
        h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    else
        h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : (PlatFile)h;
}

int Plat_FileRead(PlatFile f, void* buf, int n)
{
    DWORD got = 0;
    if (n < 0 || !ReadFile((HANDLE)f, buf, (DWORD)n, &got, nullptr))
        return -1;
    return (int)got;
}

int Plat_FileWrite(PlatFile f, const void* buf, int n)
{
    DWORD put = 0;
    if (n < 0 || !WriteFile((HANDLE)f, buf, (DWORD)n, &put, nullptr))
        return -1;
    return (int)put;
}

int Plat_FileFlush(PlatFile f) { return FlushFileBuffers((HANDLE)f) ? 1 : 0; }

int Plat_FileClose(PlatFile f) { return CloseHandle((HANDLE)f) ? 1 : 0; }

int Plat_FileReplace(const char* from, const char* to)
{
    // ReplaceFileA would refuse a target that does not exist yet.
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}
