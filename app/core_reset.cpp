// Returns every module of the core to its state at process start, so tests
// that run the core several times in one process never leak into each other;
// and wires the router side and the host side together, the one place that
// knows both.
#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/cmd.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "hostlink/router_port.h"
#include "leitch/comsup.h"
#include "leitch/host_port.h"
#include "leitch/leitch.h"
#include "panel/dialog.h"
#include "panel/panel_port.h"
#include "store/idxfu.h"
#include "store/store.h"
#include "trace/trace.h"
#include "ui/ui.h"

void Core_Wire()
{
    Debug_SetEnabledQuery([] { return Settings().bDebugMode != 0; });

    HostPort host;
    host.SendRevertive = [](int device, int dest) { Cmd_SendRevertives(device, dest, dest, 1, 0); };
    host.AssertRxOnly = [] { Hxi_AssertMode(HXI_ASSERT_RXONLY, 0); };
    host.ReportLinkFailure = Hxi_ReportLinkFailure;
    host.SendStatusText = Hxi_SendStatusText;
    ComSup_SetHostPort(host);

    RouterPort router;
    router.Take = Leitch_Connect;
    router.LevelServed = [](int level) { return Leitch_LevelServed(level) != 0; };
    router.LinkGood = [] { return Link().iOverallState == 1; };
    Hxi_SetRouterPort(router);

    PanelPort panel;
    panel.SendCommand = Cmd_Dispatch;
    panel.StartPolling = ComSup_PollStart;
    panel.PollTick = ComSup_PollTimerTick;
    panel.KeyboardControlOff = [] { Shell().bKeyboardControl = 0; };
    panel.ShowInterfaceMode = [] { HXISup_SetTxRxMode(HostLink().iTxRxMode); };
    panel.RequestName = [](int device, int kind, int number, char* name, int size) {
        Hxi_RequestName(device, kind == PANEL_NAME_DEST ? NAME_KIND_DEST : NAME_KIND_SOURCE,
                        number, name, size);
    };
    Panel_SetPort(panel);
}

void Core_Reset()
{
    Core_Wire();
    Store_Reset();
    Shell_Reset();
    Ui_Reset();
    Prof_Reset();
    Idxfu_Reset();
    Leitch_Reset();
    ComSup_Reset();
    Hxi_Reset();
    Cmd_Reset();
    Panel_Reset();
}
