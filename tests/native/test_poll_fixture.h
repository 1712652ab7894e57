// Shared set-up for the router link tests: levels sized through the store,
// the link started on the fake port, and ticks driven one at a time with a
// scripted router answering on the fake port.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ui.h"
#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "ui/ui_ids.h"
#include "tests/fake/fake_comms.h"
#include "tests/fake/scripted_router.h"
#include "tests/native/test_store_support.h"

struct LevelSetup {
    int index, device, dests, slot = 0;
};

class LinkTest : public ::testing::Test {
protected:
    ScriptedRouter router;

    void SetUp() override
    {
        storetest::Fresh();
        router = ScriptedRouter();
        DriverSettings& s = Settings();
        s.TallyDelay = 1000;
        s.CommErrorLimit = 5;
        s.MaxUnAcks = 5;
        s.Com = 2;
        Ui_SetPanel(fake::kPanelWnd);
        HostLink().hHxiWnd = fake::kHostWnd;
        HostLink().iTxRxMode = TXRX_TXRX;
        FakeComms().openResult = 1;
    }

    // Configures and sizes the levels from their database files (sources
    // are plentiful, so every reported source is valid).
    void Configure(const std::vector<LevelSetup>& levels)
    {
        for (const LevelSetup& l : levels) {
            storetest::Configure(l.index, l.device, 100, l.dests);
            Settings().iStatusSlot[l.index] = l.slot;
            Settings().iFlag = 1;
        }
        Memory_Init();
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
