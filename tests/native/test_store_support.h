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

inline const std::string kDir = "C:\\cc\\sys\\config\\system";

inline std::string ConfigPath(const std::string& name) { return kDir + "\\" + name; }

// A fresh fake whose configuration directory is kDir, trace on.
inline void Fresh()
{
    fake::Reset();
    fake::S().env["CC_ROOT"] = "C:\\cc";
    fake::S().env["CC_SYSTEM"] = "sys";
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

inline bool HasFile(const std::string& name) { return fake::S().files.count(fake::Lower(ConfigPath(name))) != 0; }
inline std::vector<unsigned char>& File(const std::string& name)
{
    return fake::S().files[fake::Lower(ConfigPath(name))];
}

// The driver's part of a start-up and a clean shutdown.
inline void Start()
{
    Memory_Init();
    Idxfu_ReadIndex();
}

inline void Shutdown()
{
    if (Idxfu_Loaded())
        Idxfu_WriteIndex();
    Memory_Free();
}

// A new process: every module starts from zero, the files, database files
// and environment stay, the levels keep their device numbers.
inline void Restart()
{
    fake::State kept = fake::S();   // files, database files and environment
    int devices[LEVEL_COUNT];
    for (int i = 0; i < LEVEL_COUNT; ++i)
        devices[i] = Store_Level(i)->iDevice;
    fake::Reset();
    fake::S().files = kept.files;
    fake::S().profiles = kept.profiles;
    fake::S().env = kept.env;
    Settings().bDebugMode = 1;
    for (int i = 0; i < LEVEL_COUNT; ++i)
        Store_Level(i)->iDevice = devices[i];
}

}  // namespace storetest
