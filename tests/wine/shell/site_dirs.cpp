#include "tests/wine/shell/site_dirs.h"

#include <windows.h>

#include "tests/wine/shell/temp_dir.h"

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
