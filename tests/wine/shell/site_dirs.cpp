#include "tests/wine/shell/site_dirs.h"

#include <windows.h>

namespace {

std::string ProgramDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n < sizeof path ? n : 0);
    size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

std::string MakeTempDir(const char* prefix)
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    for (unsigned n = 0;; ++n) {
        std::string dir = std::string(base) + prefix + std::to_string(GetCurrentProcessId()) + "_" +
                          std::to_string(n);
        if (CreateDirectoryA(dir.c_str(), nullptr))
            return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return "";
    }
}

bool MakeDirs(const std::string& path)
{
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos && slash > 2)
        MakeDirs(path.substr(0, slash));
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileA(full.c_str());
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

bool Site_Create(Site* site)
{
    site->root = MakeTempDir("valdrn_site_");
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
