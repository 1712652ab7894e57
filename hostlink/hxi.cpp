// The host link. Registration, the interface mode requests and the command
// intake are still placeholders.
#include "hostlink/hxi.h"

#include <cstdio>
#include <cstring>

#include "app/shell.h"
#include "app/trace.h"
#include "config/settings.h"
#include "hostlink/hxi_messages.h"
#include "panel/panel_ids.h"
#include "panel/status_codes.h"
#include "store/store.h"

namespace {
HostLinkState gHost;
}

HostLinkState& HostLink() { return gHost; }
void Hxi_Reset() { std::memset(&gHost, 0, sizeof gHost); }

int Hxi_Attach()
{
    Debug_Trace("Trying to attach to HXIHOST");
    Plat_SendToAllTopLevel(ZUV_REQHXIHANDLE, Shell().hMainWnd, 0);
    if (gHost.hHxiWnd == 0) {
        Plat_MessageBox(Shell().hMainWnd, "Cannot find ORVA Interface HXIHOST.EXE", "! Error !",
                        PLAT_MB_OK);
        return 0;
    }
    return 1;
}

int Hxi_RegisterDevices() { return 1; }

void Hxi_Deregister()
{
    Plat_HostTx(gHost.hHxiWnd, ZUV_DEREGDEV, (uint32_t)Shell().hMainWnd, nullptr, 0, 0);
}

int Hxi_AssertMode(int mode, int exceptDevice)
{
    HXISup_SetTxRxMode(mode);
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        int device = Store_Level(i)->iDevice;
        if (device == 0 || device == exceptDevice)
            continue;
        Debug_Tracef("Asserting interface mode %d for device %d", mode, device);
        Plat_SendMessage(gHost.hHxiWnd, ZUV_ASSERTDEVMODE, (uintptr_t)mode, device);
        if (mode != HXI_ASSERT_LINKFAIL)
            gHost.iTxRxMode = (mode == HXI_ASSERT_TXRX) ? TXRX_TXRX : mode;
    }
    return gHost.iTxRxMode;
}

void HXISup_SetTxRxMode(int mode)
{
    static const char kVersion[] = "3.02.06";
    const char* name = Settings().Name;
    char title[256];
    switch (mode) {
    case 0:
        Main_SetPanelText(IDC_INTERFACE_IND, SB_CODE_MODE_NONE);
        Main_SetPanelText(IDC_INTERFACE_IND, " - - - ");
        std::snprintf(title, sizeof title, "VALDRUNE v%s - %s", kVersion, name);
        break;
    case 1:
        Main_SetPanelText(IDC_INTERFACE_IND, SB_CODE_MODE_RXONLY);
        Main_SetPanelText(IDC_INTERFACE_IND, "Rx Only");
        std::snprintf(title, sizeof title, "VALDRUNE v%s - %s - Rx Only", kVersion, name);
        Debug_Trace("HXISup_SetTxRxMode=RX ONLY");
        break;
    case 2:
    case 3:
        Main_SetPanelText(IDC_INTERFACE_IND, SB_CODE_MODE_TXRX);
        Main_SetPanelText(IDC_INTERFACE_IND, "Tx/Rx");
        std::snprintf(title, sizeof title, "VALDRUNE v%s - %s - Tx/Rx", kVersion, name);
        Debug_Trace("HXISup_SetTxRxMode=TX/RX");
        break;
    case 5:
        return;
    default:
        Main_SetPanelText(IDC_INTERFACE_IND, "Error!");
        std::snprintf(title, sizeof title, "VALDRUNE v%s - %s - Unknown Mode", kVersion, name);
        break;
    }
    Plat_SetWindowTitle(Shell().hMainWnd, title);
}
void Hxi_OnCommandText(const char*) {}

void Hxi_OnHandle(PlatWnd hxi)
{
    gHost.hHxiWnd = hxi;
    Debug_Trace("Got handle");
}

intptr_t Hxi_OnRequestRxOnly(intptr_t) { return 0; }
intptr_t Hxi_OnRequestTxRx(intptr_t) { return 0; }
intptr_t Hxi_OnInquireTxRx() { return 0; }
void Hxi_OnSetRxOnly()
{
    gHost.iTxRxMode = TXRX_RXONLY;
    HXISup_SetTxRxMode(TXRX_RXONLY);
}
