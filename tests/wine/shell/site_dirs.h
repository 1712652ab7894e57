// A configuration site in a scratch directory, found by the driver through
// CC_ROOT and CC_SYSTEM: <root>\site\config\system for the settings and
// <root>\site\windows\lib for the control libraries.
#pragma once

#include <string>

struct Site {
    std::string root;
    std::string configDir;
    std::string systemDir;
};

// Creates an empty site and points this process's environment (inherited by
// programs it starts) at it.
bool Site_Create(Site* site);
// Removes the site and clears the environment.
void Site_Remove(Site* site);
// Copies a library built beside this program into the system directory.
bool Site_Install(const Site& site, const char* library);
// Writes one key of VAL_DRN.INI.
void Site_Setting(const Site& site, const char* section, const char* key, const char* value);
