#include "tests/wine/shell/site_dirs.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

std::string ProgramDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n < sizeof path ? n : 0);
    size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

// A fresh directory under the temporary folder, or "".
std::string MakeTempDir()
{
    char base[MAX_PATH], dir[MAX_PATH];
    GetTempPathA(sizeof base, base);
    if (!GetTempFileNameA(base, "vds", 0, dir))   // a unique name, taken by an empty file
        return "";
    DeleteFileA(dir);
    return CreateDirectoryA(dir, nullptr) ? dir : "";
}

bool MakeDirs(const std::string& path)
{
    return SHCreateDirectoryExA(nullptr, path.c_str(), nullptr) == ERROR_SUCCESS;
}

void RemoveTree(const std::string& path)
{
    std::string from = path + '\0';   // the list ends with a second NUL
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationA(&op);
}

}  // namespace

bool Site_Create(Site* site)
{
    site->root = MakeTempDir();
    if (site->root.empty())
        return false;
    site->configDir = site->root + "\\site\\config\\system";
    site->systemDir = site->root + "\\site\\windows\\lib";
    SetEnvironmentVariableA("CC_ROOT", site->root.c_str());
    SetEnvironmentVariableA("CC_SYSTEM", "site");
    return MakeDirs(site->configDir) && MakeDirs(site->systemDir);
}

void Site_Remove(Site* site)
{
    SetEnvironmentVariableA("CC_ROOT", nullptr);
    SetEnvironmentVariableA("CC_SYSTEM", nullptr);
    if (!site->root.empty())
        RemoveTree(site->root);
    *site = Site{};
}

bool Site_Install(const Site& site, const char* library)
{
    std::string from = ProgramDir() + "\\" + library;
    std::string to = site.systemDir + "\\" + library;
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

void Site_Setting(const Site& site, const char* section, const char* key, const char* value)
{
    std::string ini = site.configDir + "\\VAL_DRN.INI";
    WritePrivateProfileStringA(section, key, value, ini.c_str());
}
