// Set-up shared by the Leitch protocol and host link tests and their fuzz
// targets: sized levels through the store's own start-up, a visible panel
// and host window, and the trace switched on.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "leitch/leitch.h"
#include "tests/native/test_store_support.h"
#include "ui/ui.h"

namespace leitch_test {

struct LevelSize {
    int level, device, sources, dests;
};

// Resets everything, then sizes the given levels from their device files
// with Memory_Init, as start-up does. Every level starts OK, in Tx/Rx mode,
// on an open port.
inline void Start(const std::vector<LevelSize>& levels)
{
    storetest::Fresh();
    for (const LevelSize& l : levels)
        storetest::Configure(l.level, l.device, l.sources, l.dests);
    Memory_Init();
    Settings().CommErrorLimit = 5;
    Settings().MaxUnAcks = 5;
    Ui_SetPanel(fake::kPanelWnd);
    HostLink().hHxiWnd = fake::kHostWnd;
    HostLink().iTxRxMode = TXRX_TXRX;
    for (int i = 0; i < LEVEL_COUNT; ++i)
        Link().iComState[i] = COMSTATE_OK;
    Link().bPortOpen = 1;
    fake::S().log.clear();
    fake::S().trace.clear();
}

// Every tally of every sized level as (level, tally), read from the levels'
// own areas (the store's lookup by device number would show one level twice
// when two levels share a number).
using Tallies = std::vector<std::pair<int, int>>;
inline Tallies AllTallies()
{
    Tallies all;
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        const LEVELINFO* l = Store_Level(level);
        for (int d = 1; l->hTally && d <= l->iDests; ++d)
            all.push_back({level, l->hTally[2 * (d - 1)] * 256 + l->hTally[2 * (d - 1) + 1]});
    }
    return all;
}

// Feeds bytes to the line assembler one at a time, as the receive drain does.
inline void Feed(const std::string& bytes)
{
    for (unsigned char c : bytes)
        Leitch_RxChar(c);
}

}  // namespace leitch_test

namespace hostlink_test {

// Levels A (101: 16 x 12) and B (102: 8 x 8), with extraDevice also level
// extraIndex (4 x 4), set up as leitch_test::Start does; source-first
// routing, only the panel (requester 0) permitted.
inline void StartTwoLevels(int extraIndex = 0, int extraDevice = 0)
{
    std::vector<leitch_test::LevelSize> levels = {{0, 101, 16, 12}, {1, 102, 8, 8}};
    if (extraDevice)
        levels.push_back({extraIndex, extraDevice, 4, 4});
    leitch_test::Start(levels);
    Settings().SourceToDest = 1;
    Settings().bAccess[0] = 1;
}

}  // namespace hostlink_test
