// Profile (INI) files, the environment and the Windows directory.
#include <windows.h>

#include <cstring>

#include "platform/platform.h"

int Plat_ProfileRead(const char* section, const char* key, const char* def, char* out, int size,
                     const char* file)
{
    if (!out || size <= 0)
        return 0;
    return (int)GetPrivateProfileStringA(section, key, def, out, (DWORD)size, file);
}

int Plat_ProfileWrite(const char* section, const char* key, const char* value, const char* file)
{
    return WritePrivateProfileStringA(section, key, value, file) ? 1 : 0;
}

int Plat_GetEnv(const char* name, char* out, int size)
{
    // The first call gives the size the value needs with its NUL (0: unset),
    // so a value that does not fit never touches out.
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0 || size <= 0 || needed > (DWORD)size)
        return -1;
    DWORD length = GetEnvironmentVariableA(name, out, (DWORD)size);
    if (length >= (DWORD)size)
        return -1;
    return (int)length;
}

int Plat_GetWindowsDir(char* out, int size)
{
    if (!out || size <= 0)
        return 0;
    char dir[MAX_PATH + 1] = "";
    UINT length = GetWindowsDirectoryA(dir, sizeof dir);
    if (length >= sizeof dir)
        dir[0] = '\0';
    // Limited to size bytes, as the lookup asks.
    lstrcpynA(out, dir, size);
    return (int)std::strlen(out);
}
