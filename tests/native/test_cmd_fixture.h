// Levels, settings and host answers shared by the host link tests.
#pragma once

#include <string>
#include <vector>

#include "app/shell.h"
#include "hostlink/hxi.h"
#include "tests/native/test_store_support.h"
#include "ui/ui.h"

namespace hostlink_test {

// Configures level `index` with a device number and its database sizes.
inline void AddLevel(int index, int device, int sources, int dests)
{
    storetest::Configure(index, device, sources, dests);
}

// A fresh driver with the default settings: source-first routing, only the
// panel (requester 0) permitted, trace on, host window known.
inline void ResetDriver()
{
    storetest::Fresh();
    std::snprintf(Settings().Name, sizeof Settings().Name, "%s", "Leitch Controller");
    Settings().SourceToDest = 1;
    Settings().bAccess[0] = 1;
    HostLink().hHxiWnd = fake::kHostWnd;
    Ui_SetPanel(fake::kPanelWnd);
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

}  // namespace hostlink_test
