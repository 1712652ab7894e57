// Levels, settings and host answers shared by the host link tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/hxi.h"
#include "store/store.h"
#include "tests/fake/fake_platform.h"

namespace hostlink_test {

// Configures level `index` with a device number and its database sizes.
inline void AddLevel(int index, int device, int sources, int dests)
{
    Store_Level(index)->iDevice = device;
    char file[64];
    std::snprintf(file, sizeof file, "C:\\windows\\DEV_%03d.INI", device);
    fake::SetProfile(file, "Database", "DatabaseSize_0", std::to_string(sources));
    fake::SetProfile(file, "Database", "DatabaseSize_1", std::to_string(dests));
}

// A fresh driver with the default settings: source-first routing, only the
// panel (requester 0) permitted, trace on, host window known.
inline void ResetDriver()
{
    fake::Reset();
    DriverSettings& s = Settings();
    std::snprintf(s.Name, sizeof s.Name, "%s", "Leitch Controller");
    s.SourceToDest = 1;
    s.bDebugMode = 1;
    s.bAccess[0] = 1;
    HostLink().hHxiWnd = fake::kHostWnd;
    Shell().hMainDlg = fake::kPanelWnd;
}

// Levels A (101: 16 x 12) and B (102: 8 x 8), sized, in Tx/Rx mode; with
// extraDevice also level extraIndex, 4 x 4.
inline void StartTwoLevels(int extraIndex = 0, int extraDevice = 0)
{
    ResetDriver();
    AddLevel(0, 101, 16, 12);
    AddLevel(1, 102, 8, 8);
    if (extraDevice)
        AddLevel(extraIndex, extraDevice, 4, 4);
    Memory_Init();
    HostLink().iTxRxMode = TXRX_TXRX;
}

// The messages sent through the host library, as "msg param 'text'".
inline std::vector<std::string> HostTexts()
{
    std::vector<std::string> out;
    for (const fake::HostTxRecord& r : fake::S().hostTx)
        out.push_back(std::to_string(r.msg) + " " + std::to_string(r.param) + " '" + r.text + "'");
    return out;
}

inline bool Traced(const std::string& text)
{
    for (const std::string& line : fake::S().trace)
        if (line == "<VALDRUNE>-" + text + "\n")
            return true;
    return false;
}

}  // namespace hostlink_test
