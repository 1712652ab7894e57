// Shared set-up for the store and tally file tests: a configuration
// directory in the fake, device database files, and restarts that keep the
// fake's files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "config/settings.h"
#include "store/idxfu.h"
#include "store/store.h"
#include "tests/fake/fake_platform.h"

namespace storetest {

inline std::string ConfigPath(const std::string& name) { return "C:\\cc\\sys\\config\\system\\" + name; }

// A fresh fake whose configuration directory is that of ConfigPath, trace on.
inline void Fresh()
{
    fake::Reset();
    fake::S().env = {{"CC_ROOT", "C:\\cc"}, {"CC_SYSTEM", "sys"}};
    Settings().bDebugMode = 1;
}

// Writes the counts as texts into the device's database file; a null text
// leaves the key out.
inline void WriteDev(int device, const char* sources, const char* dests)
{
    char name[32];
    std::snprintf(name, sizeof name, "DEV_%03d.INI", device);
    if (sources)
        fake::SetProfile(ConfigPath(name), "Database", "DatabaseSize_0", sources);
    if (dests)
        fake::SetProfile(ConfigPath(name), "Database", "DatabaseSize_1", dests);
}

// Gives level index `level` the device and a database file with the counts.
inline void Configure(int level, int device, int sources, int dests)
{
    Store_Level(level)->iDevice = device;
    WriteDev(device, std::to_string(sources).c_str(), std::to_string(dests).c_str());
}

inline std::vector<unsigned char>& File(const std::string& name)
{
    return fake::S().files[fake::Lower(ConfigPath(name))];
}

// The driver's part of a start-up and of a clean shutdown.
inline void Start()
{
    Memory_Init();
    Idxfu_ReadIndex();
}

inline void Shutdown()
{
    if (Idxfu_Loaded()) {
        Idxfu_WriteIndex();
        Idxfu_WriteChangedLocks();
    }
    Memory_Free();
}

// A new process: every module starts from zero; the files, database files
// and environment stay, the levels keep their device numbers.
inline void Restart()
{
    fake::State kept = fake::S();
    int devices[LEVEL_COUNT];
    for (int i = 0; i < LEVEL_COUNT; ++i)
        devices[i] = Store_Level(i)->iDevice;
    Fresh();
    fake::S().files = kept.files;
    fake::S().profiles = kept.profiles;
    for (int i = 0; i < LEVEL_COUNT; ++i)
        Store_Level(i)->iDevice = devices[i];
}

}  // namespace storetest
