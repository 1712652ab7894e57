#include "panel/panel_show.h"

#include <cstdio>

#include "panel/dialog.h"
#include "panel/panel_text.h"
#include "panel/status_codes.h"
#include "platform/platform.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"

void Panel_SetText(int id, const char* text) { Plat_SetControlText(Ui_Panel(), id, text); }

void Panel_SetNumber(int id, const char* format, long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    Panel_SetText(id, text);
}

void Panel_ShowKeyboardControl(bool on)
{
    Panel_SetText(IDC_KEYBOARD_IND, on ? SB_CODE_ATTENTION : SB_CODE_GOOD);
    Panel_SetText(IDC_KEYBOARD_IND, on ? "Enabled" : "Disabled");
}

void Panel_ShowLevel(PanelLevelLook look)
{
    static const struct {
        const char* code;
        const char* caption;
    } kLooks[] = {{SB_CODE_GOOD, "  Ok  "}, {SB_CODE_GOOD, "Sim"}, {SB_CODE_FAILED, "  Fail  "},
                  {SB_CODE_GOOD, "Ok"},     {SB_CODE_FAILED, "Fail"}};
    Panel_SetText(IDC_STATUS_IND, kLooks[look].code);
    Panel_SetText(IDC_STATUS_IND, kLooks[look].caption);
}

void Panel_ShowOverall(PanelOverallLook look)
{
    static const struct {
        const char* caption;
        const char* code;
    } kLooks[] = {{"OK", SB_CODE_GOOD}, {"Fault", SB_CODE_ATTENTION}, {"Polling", SB_CODE_ATTENTION}};
    Panel().iOverallLook = look;
    if (Panel().bSaveFailing) {
        Panel_SetText(IDC_DRIVER_IND, "No Save");
        Panel_SetText(IDC_DRIVER_IND, SB_CODE_ATTENTION);
        return;
    }
    Panel_SetText(IDC_DRIVER_IND, kLooks[look].caption);
    Panel_SetText(IDC_DRIVER_IND, kLooks[look].code);
}

void Panel_ShowSaveFailing(bool failing)
{
    if (Panel().bSaveFailing == (int)failing)
        return;
    Panel().bSaveFailing = failing;
    Panel_ShowOverall((PanelOverallLook)Panel().iOverallLook);
}

void Panel_ShowInterfaceMode(int mode)
{
    const char* code = mode == 0 ? SB_CODE_MODE_NONE
                     : mode == 1 ? SB_CODE_MODE_RXONLY
                     : (mode == 2 || mode == 3) ? SB_CODE_MODE_TXRX
                                                : nullptr;   // unknown: the state stays
    const char* caption = mode == 0 ? " - - - "
                        : mode == 1 ? "Rx Only"
                        : (mode == 2 || mode == 3) ? "Tx/Rx"
                                                   : "Error!";
    if (code)
        Panel_SetText(IDC_INTERFACE_IND, code);
    Panel_SetText(IDC_INTERFACE_IND, caption);
}

void Panel_ShowTxCount(long count) { Panel_SetNumber(IDC_TX_COUNT, "%08ld", count); }

void Panel_ShowRxCount(long count) { Panel_SetNumber(IDC_RX_COUNT, "%08ld", count); }

bool Panel_ShowPollPosition(int device, int dest)
{
    if (Plat_IsIconic(Ui_Panel()))
        return false;
    Panel_SetNumber(IDC_POLL_ROUTER, "%03ld", device);
    Panel_SetNumber(IDC_POLL_DEST, "%04ld", dest);
    return true;
}

void Panel_ShowSelectedDest() { Dialog_ShowDest(); }

void Panel_ShowDestsChanged(int first, int last)
{
    if (Panel().iSelDest >= first && Panel().iSelDest <= last)
        Dialog_ShowDest();
}
