// Placeholder until the host link is built: attach and deregistration only.
#include "hostlink/hxi.h"

#include <cstring>

#include "app/shell.h"
#include "app/trace.h"
#include "hostlink/hxi_messages.h"

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

int Hxi_AssertMode(int, int) { return gHost.iTxRxMode; }
void HXISup_SetTxRxMode(int) {}
void Hxi_OnCommandText(const char*) {}

void Hxi_OnHandle(PlatWnd hxi)
{
    gHost.hHxiWnd = hxi;
    Debug_Trace("Got handle");
}

intptr_t Hxi_OnRequestRxOnly(intptr_t) { return 0; }
intptr_t Hxi_OnRequestTxRx(intptr_t) { return 0; }
intptr_t Hxi_OnInquireTxRx() { return 0; }
void Hxi_OnSetRxOnly() {}
