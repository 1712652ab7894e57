// The host link: attach, registration, interface modes, command intake and
// deregistration.
#include "hostlink/hxi.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "hostlink/cmd.h"
#include "hostlink/hxi_messages.h"
#include "hostlink/router_port.h"
#include "panel/panel_show.h"
#include "store/store.h"
#include "trace/trace.h"
#include "ui/ui.h"
#include "ui/version.h"

namespace {

RouterPort gRouterPort;   // wired once by app/; not part of the host link's state

HostLinkState gHost;

enum RegOutcome { REG_REGISTERED, REG_REFUSED_NEXT, REG_REFUSED_STOP, REG_FAILED };

// Registers one device number and acts on the host's answer.
RegOutcome RegisterDevice(int device)
{
    Debug_Tracef("Attempting to register device %d", device);
    intptr_t result = -1;   // a send that never arrived is no registration
    if (!Plat_TrySendMessage(gHost.hHxiWnd, ZUV_REGDEV, Ui_MainWindow(), device, &result))
        result = -1;
    switch (result) {
    case HXI_REG_OK:
        gHost.iTxRxMode = TXRX_TXRX;
        HXISup_SetTxRxMode(TXRX_TXRX);
        return REG_REGISTERED;
    case HXI_REG_INVALID:
        Ui_ErrorBox("Request refused - ID supplied is invalid");
        gHost.iTxRxMode = TXRX_NONE;
        return REG_REFUSED_NEXT;
    case HXI_REG_IN_USE:
        Ui_ErrorBox("Request refused - Device Id already in use on this workstation");
        gHost.iTxRxMode = TXRX_NONE;
        return REG_REFUSED_STOP;
    case HXI_REG_NOT_DRIVER:
        Ui_ErrorBox("Request refused - HXIHOST has not been enabled in Driver Mode");
        gHost.iTxRxMode = TXRX_NONE;
        return REG_REFUSED_STOP;
    default:
        Debug_Trace("Failed to register device");
        return REG_FAILED;
    }
}

bool LinkGood() { return Hxi_Router().LinkGood(); }

// A mode assertion the host does not answer (its window gone, or the host
// stopped) is traced and the driver goes on; the mode it shows stands.
void SendAssertion(int mode, int device)
{
    intptr_t result = 0;
    if (!Plat_TrySendMessage(gHost.hHxiWnd, ZUV_ASSERTDEVMODE, (uintptr_t)mode, device, &result))
        Debug_Tracef("HXIHOST did not take interface mode %d for device %d", mode, device);
}

// A level the driver answers for: the router link serves it, or the store
// does in simulation. Any other is never registered, so the network hears
// that no driver serves it rather than a driver that reads it as healthy.
bool LevelRegistered(int level)
{
    if (Store_Level(level)->iDevice == 0)
        return false;
    return Settings().Simulation != 0 || Hxi_Router().LevelServed(level);
}

// The excepted device as the host sent it; a value no device number can
// take matches none.
int ExceptedDevice(intptr_t lParam)
{
    return (lParam >= INT_MIN && lParam <= INT_MAX) ? (int)lParam : 0;
}

}  // namespace

HostLinkState& HostLink() { return gHost; }
void Hxi_Reset() { std::memset(&gHost, 0, sizeof gHost); }

int Hxi_Attach()
{
    Debug_Trace("Trying to attach to HXIHOST");
    Plat_SendToAllTopLevel(ZUV_REQHXIHANDLE, Ui_MainWindow(), 0);
    if (gHost.hHxiWnd == 0) {
        Ui_ErrorBox("Cannot find ORVA Interface HXIHOST.EXE");
        return 0;
    }
    return 1;
}

int Hxi_RegisterDevices()
{
    Debug_Tracef("HXI handle 0x%04x", (unsigned)gHost.hHxiWnd);
    RegOutcome last = REG_REGISTERED;
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        int device = Store_Level(i)->iDevice;
        if (!LevelRegistered(i)) {
            if (device != 0)
                Debug_Tracef("Device %d not registered: the router link cannot serve it", device);
            continue;
        }
        last = RegisterDevice(device);
        // A close request answered meanwhile has withdrawn the registrations.
        if (last == REG_REFUSED_STOP || Ui_ShuttingDown())
            break;
    }
    // Only the last attempt decides: an earlier refusal followed by a
    // registration leaves the driver running.
    return last == REG_REFUSED_NEXT || last == REG_REFUSED_STOP ? 0 : 1;
}

void Hxi_Deregister()
{
    Plat_HostTx(gHost.hHxiWnd, ZUV_DEREGDEV, (uint32_t)Ui_MainWindow(), nullptr, 0, 0);
}

int Hxi_AssertMode(int mode, int exceptDevice)
{
    HXISup_SetTxRxMode(mode);
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        int device = Store_Level(i)->iDevice;
        if (!LevelRegistered(i) || device == exceptDevice)
            continue;
        Debug_Tracef("Asserting interface mode %d for device %d", mode, device);
        SendAssertion(mode, device);
        if (mode != HXI_ASSERT_LINKFAIL)
            gHost.iTxRxMode = (mode == HXI_ASSERT_TXRX) ? TXRX_TXRX : mode;
    }
    return gHost.iTxRxMode;
}

namespace {
// How each interface mode shows: indicator code (none for an unknown mode),
// caption, title suffix and trace (none where nothing is traced).
struct ModeLook {
    const char* suffix;
    const char* trace;
};

const ModeLook kNone = {"", nullptr};
const ModeLook kRxOnly = {" - Rx Only", "HXISup_SetTxRxMode=RX ONLY"};
const ModeLook kTxRx = {" - Tx/Rx", "HXISup_SetTxRxMode=TX/RX"};
const ModeLook kUnknown = {" - Unknown Mode", nullptr};
}  // namespace

void HXISup_SetTxRxMode(int mode)
{
    if (mode == HXI_ASSERT_LINKFAIL)
        return;   // a link failure report is not a mode of this driver
    const ModeLook& look = mode == 0 ? kNone
                         : mode == 1 ? kRxOnly
                         : (mode == 2 || mode == 3) ? kTxRx
                                                    : kUnknown;
    Panel_ShowInterfaceMode(mode);
    char title[256];
    std::snprintf(title, sizeof title, "VALDRUNE v%s - %s%s", VALDRN_VERSION_TEXT, Settings().Name,
                  look.suffix);
    if (look.trace)
        Debug_Trace(look.trace);
    Plat_SetWindowTitle(Ui_MainWindow(), title);
}

void Hxi_OnCommandText(const char* text)
{
    char copy[CMD_TEXT_KEPT + 1];
    size_t n = 0;
    while (n < CMD_TEXT_KEPT && text[n] != '\0')
        ++n;
    std::memcpy(copy, text, n);
    copy[n] = '\0';
    Cmd_Dispatch(copy);

    // Every text counts, known command or not; the count wraps at 2^32.
    gHost.lRxCount = (int32_t)((uint32_t)gHost.lRxCount + 1u);
    Panel_ShowRxCount((long)gHost.lRxCount);
}

void Hxi_OnHandle(PlatWnd hxi)
{
    gHost.hHxiWnd = hxi;
    Debug_Trace("Got handle");
}

intptr_t Hxi_OnRequestRxOnly(intptr_t exceptDevice)
{
    bool accept = !LinkGood() || gHost.iTxRxMode == TXRX_RXONLY;
    if (accept)
        Hxi_AssertMode(HXI_ASSERT_RXONLY, ExceptedDevice(exceptDevice));
    Debug_Tracef("ZUV_REQDEVGORXONLY msg (Return = %s)",
                 accept ? "1 - OK (Comms fail)" : "0 - NO (Comms good)");
    return accept ? 1 : 0;
}

intptr_t Hxi_OnRequestTxRx(intptr_t exceptDevice)
{
    bool accept = LinkGood() || Settings().Simulation != 0;
    if (accept)
        Hxi_AssertMode(HXI_ASSERT_TXRX, ExceptedDevice(exceptDevice));
    Debug_Tracef("ZUV_REQDEVGOTXRX msg (Return = %s)",
                 accept ? "1 - OK (Comms good)" : "0 - NO (Comms failed)");
    return accept ? 1 : 0;
}

intptr_t Hxi_OnInquireTxRx()
{
    bool yes = LinkGood() || Settings().Simulation != 0;
    Debug_Tracef("ZUV_INQDEVGOTXRX msg (Return = %s)",
                 yes ? "1 - OK (Comms good)" : "0 - NO (Comms failed)");
    return yes ? 1 : 0;
}
void Hxi_OnSetRxOnly()
{
    gHost.iTxRxMode = TXRX_RXONLY;
    HXISup_SetTxRxMode(TXRX_RXONLY);
}

void Hxi_ReportLinkFailure(int device)
{
    SendAssertion(HXI_ASSERT_LINKFAIL, device);
}

void Hxi_SendStatusText(uint32_t statusDevice, const char* text)
{
    char copy[128];   // the library takes a writable block
    std::snprintf(copy, sizeof copy, "%s", text);
    Plat_HostTx(gHost.hHxiWnd, ZUV_TXINFO, statusDevice, copy, 1, (uint32_t)std::strlen(copy) + 1);
}

void Hxi_RequestName(int device, int kind, int number, char* name, int size)
{
    unsigned char block[NAME_REQUEST_SIZE];
    NameRequest_Build(block, device, kind, number);
    Plat_HostTx(gHost.hHxiWnd, ZUV_REQNAME, 0, block, 1, NAME_REQUEST_SIZE);
    // The answer is a NUL-terminated text of at most 17 characters; a host
    // that wrote no terminator still cannot make the copy overrun.
    block[NAME_REQUEST_SIZE - 1] = 0;
    std::snprintf(name, (size_t)size, "%s", (const char*)block);
}

void Hxi_SetRouterPort(const RouterPort& port) { gRouterPort = port; }

const RouterPort& Hxi_Router() { return gRouterPort; }
