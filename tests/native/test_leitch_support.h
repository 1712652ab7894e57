// Set-up shared by the Leitch protocol tests and its fuzz target: sized
// levels through the store's own start-up, a visible panel and host window,
// and the trace switched on.
#pragma once

#include <string>
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
// with Memory_Init, as start-up does. Every level starts OK, in Tx/Rx mode.
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
    fake::S().log.clear();
    fake::S().trace.clear();
}

// Every tally of every sized level, read from the levels' own areas (the
// store's lookup by device number would show one level twice when two
// levels share a number).
inline std::vector<int> AllTallies()
{
    std::vector<int> all;
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        const LEVELINFO* l = Store_Level(level);
        for (int d = 1; l->hTally && d <= l->iDests; ++d)
            all.push_back(l->hTally[2 * (d - 1)] * 256 + l->hTally[2 * (d - 1) + 1]);
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
