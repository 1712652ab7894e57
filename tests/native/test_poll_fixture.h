// Shared set-up for the router link tests: levels sized as the Leitch tests
// size them, the link started on the fake port, and ticks driven one at a
// time with a scripted router answering on the fake port.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fake/fake_comms.h"
#include "tests/fake/scripted_router.h"
#include "tests/native/test_leitch_support.h"
#include "ui/ui_ids.h"

struct LevelSetup {
    int index, device, dests, slot = 0;
};

class LinkTest : public ::testing::Test {
protected:
    ScriptedRouter router;

    // Resets everything and sizes the levels (sources are plentiful, so
    // every reported source is valid); polls every second on port 2.
    void Configure(const std::vector<LevelSetup>& levels)
    {
        std::vector<leitch_test::LevelSize> sizes;
        for (const LevelSetup& l : levels)
            sizes.push_back({l.index, l.device, 100, l.dests});
        leitch_test::Start(sizes);
        for (const LevelSetup& l : levels)
            Settings().iStatusSlot[l.index] = l.slot;
        Settings().iFlag = !levels.empty();
        Settings().TallyDelay = 1000;
        Settings().Com = 2;
        FakeComms().openResult = 1;
        router = ScriptedRouter();
    }

    // Start-up of the link and the poll start of the panel.
    void Start()
    {
        ASSERT_GE(ComSup_Init(), 0);
        ComSup_PollStart();
        HXISup_SetTxRxMode(HostLink().iTxRxMode);   // as the panel shows it
    }

    // Poll ticks, each followed by the router's turn; bytes it sends are
    // drained as the main window would on WM_COMMNOTIFY.
    void Ticks(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            Dialog_Tally();
            if (router.Step() > 0)
                ComSup_ReadData();
        }
    }

    static int CountLog(const std::string& prefix) { return fake::CountLog(prefix); }
    static std::string Caption(int id) { return fake::S().texts[id]; }
};
