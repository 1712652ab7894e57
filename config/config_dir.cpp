#include "config/config_dir.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "trace/trace.h"

namespace {

const int kProfileBufferSize = 512;

// Looks one directory up: environment form, then the machine file, then the
// Windows directory written back into the machine file.
int LookUp(const char* subdir, const char* key, char* out, int size)
{
    if (!out || size <= 0)
        return 0;
    if (Config_EnvDir(subdir, out, size))
        return 1;

    char text[kProfileBufferSize];
    Plat_ProfileRead("Config", key, "NONE", text, sizeof text, CONFIG_MACHINE_FILE);
    if (std::strcmp(text, "NONE") == 0) {
        int limit = size < kProfileBufferSize ? size : kProfileBufferSize;
        text[0] = '\0';
        Plat_GetWindowsDir(text, limit);
        text[kProfileBufferSize - 1] = '\0';
        Plat_ProfileWrite("Config", key, text, CONFIG_MACHINE_FILE);
    }

    // A directory that does not fit is refused whole rather than cut into
    // some other, wrong, directory.
    std::memset(out, 0, (size_t)size);
    if (std::strlen(text) >= (size_t)size)
        return 0;
    std::memcpy(out, text, std::strlen(text));
    return 1;
}

}  // namespace

int Config_JoinPath(const char* dir, int dirOk, const char* name, char* out, int size)
{
    if (!out || size <= 0)
        return 0;
    out[0] = '\0';
    if (!dirOk) {
        Debug_Tracef("Directory too long for %s: refused", name);
        return 0;
    }
    int n = std::snprintf(out, (size_t)size, "%s\\%s", dir, name);
    if (n < 0 || n >= size) {
        out[0] = '\0';
        Debug_Tracef("Path of %s longer than %d characters: refused", name, size - 1);
        return 0;
    }
    return 1;
}

int Config_EnvDir(const char* subdir, char* out, int size)
{
    char root[kProfileBufferSize];
    char system[kProfileBufferSize];
    if (Plat_GetEnv("CC_ROOT", root, sizeof root) <= 0)
        return 0;
    if (Plat_GetEnv("CC_SYSTEM", system, sizeof system) <= 0)
        return 0;
    size_t length = std::strlen(root) + std::strlen(system) + std::strlen(subdir) + 2;
    if (size <= 0 || length >= (size_t)size)
        return 0;
    std::snprintf(out, (size_t)size, "%s\\%s\\%s", root, system, subdir);
    return 1;
}

int Config_GetConfigDir(char* out, int size)
{
    return LookUp("config\\system", "ConfigPath", out, size);
}

int Config_GetSystemDir(char* out, int size)
{
    return LookUp("windows\\lib", "SystemPath", out, size);
}

int Config_ConfigFilePath(const char* name, char* out, int size)
{
    char dir[256];
    int ok = Config_GetConfigDir(dir, sizeof dir);
    return Config_JoinPath(dir, ok, name, out, size);
}

int Config_SystemFilePath(const char* name, int lookupSize, char* out, int size)
{
    char dir[256];
    if (lookupSize > (int)sizeof dir)
        lookupSize = sizeof dir;
    int ok = Config_GetSystemDir(dir, lookupSize);
    return Config_JoinPath(dir, ok, name, out, size);
}
