// A driver set up for the host link tests: default settings, two sized levels.
#pragma once

#include "ui/ui.h"
#include "hostlink/hxi.h"
#include "tests/native/test_store_support.h"

namespace hostlink_test {

// Source-first routing, only the panel (requester 0) permitted, trace on,
// host window known; levels A (101: 16 x 12) and B (102: 8 x 8), sized, in
// Tx/Rx mode; with extraDevice also level extraIndex, 4 x 4.
inline void StartTwoLevels(int extraIndex = 0, int extraDevice = 0)
{
    storetest::Fresh();
    std::snprintf(Settings().Name, sizeof Settings().Name, "%s", "Leitch Controller");
    Settings().SourceToDest = 1;
    Settings().bAccess[0] = 1;
    HostLink().hHxiWnd = fake::kHostWnd;
    Ui_SetPanel(fake::kPanelWnd);
    storetest::Configure(0, 101, 16, 12);
    storetest::Configure(1, 102, 8, 8);
    if (extraDevice)
        storetest::Configure(extraIndex, extraDevice, 4, 4);
    Memory_Init();
    HostLink().iTxRxMode = TXRX_TXRX;
}

}  // namespace hostlink_test
