// Shared set-up for the router link tests: levels sized through the store,
// the link started on the fake port, and ticks driven one at a time with a
// scripted router answering on the fake port.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "store/store.h"
#include "tests/fake/fake_comms.h"
#include "tests/fake/fake_platform.h"
#include "tests/fake/scripted_router.h"
#include "tests/native/test_store_support.h"
#include "ui/ui.h"

struct LevelSetup {
    int index;
    int device;
    int dests;
    int slot = 0;
};

class LinkTest : public ::testing::Test {
protected:
    ScriptedRouter router;

    void SetUp() override
    {
        storetest::Fresh();
        DriverSettings& s = Settings();
        s.TallyDelay = 1000;
        s.CommErrorLimit = 5;
        s.MaxUnAcks = 5;
        s.Com = 2;
        s.Speed = 38400;
        s.DataBits = 8;
        s.Parity = 'n';
        Ui_SetPanel(fake::kPanelWnd);
        HostLink().hHxiWnd = fake::kHostWnd;
        HostLink().iTxRxMode = TXRX_TXRX;
        FakeComms().openResult = 1;
    }

    void TearDown() override { fake::Reset(); }

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

    // One poll tick, then the router's turn; bytes it sends are drained as
    // the main window would on WM_COMMNOTIFY.
    void Tick()
    {
        Dialog_Tally();
        if (router.Step() > 0)
            ComSup_ReadData();
    }

    void Ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            Tick();
    }

    static int CountLog(const std::string& prefix) { return fake::CountLog(prefix); }
    static std::string Caption(int id) { return fake::S().texts[id]; }
    static std::string StateCode(int id) { return fake::S().states[id]; }
};
