#include "panel/panel_show.h"

#include <cstdio>

#include "panel/dialog.h"
#include "panel/status_codes.h"
#include "platform/platform.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"

namespace {

void SetText(int id, const char* text) { Plat_SetControlText(Ui_Panel(), id, text); }

void SetNumber(int id, const char* format, long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    SetText(id, text);
}

}  // namespace

void Panel_ShowLevel(PanelLevelLook look)
{
    static const struct {
        const char* code;
        const char* caption;
    } kLooks[] = {{SB_CODE_GOOD, "  Ok  "}, {SB_CODE_GOOD, "Sim"}, {SB_CODE_FAILED, "  Fail  "},
                  {SB_CODE_GOOD, "Ok"},     {SB_CODE_FAILED, "Fail"}};
    SetText(IDC_STATUS_IND, kLooks[look].code);
    SetText(IDC_STATUS_IND, kLooks[look].caption);
}

void Panel_ShowOverall(PanelOverallLook look)
{
    static const struct {
        const char* caption;
        const char* code;
    } kLooks[] = {{"OK", SB_CODE_GOOD}, {"Fault", SB_CODE_ATTENTION}, {"Polling", SB_CODE_ATTENTION}};
    SetText(IDC_DRIVER_IND, kLooks[look].caption);
    SetText(IDC_DRIVER_IND, kLooks[look].code);
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
        SetText(IDC_INTERFACE_IND, code);
    SetText(IDC_INTERFACE_IND, caption);
}

void Panel_ShowTxCount(long count) { SetNumber(IDC_TX_COUNT, "%08ld", count); }

void Panel_ShowRxCount(long count) { SetNumber(IDC_RX_COUNT, "%08ld", count); }

bool Panel_ShowPollPosition(int device, int dest)
{
    if (Plat_IsIconic(Ui_Panel()))
        return false;
    SetNumber(IDC_POLL_ROUTER, "%03ld", device);
    SetNumber(IDC_POLL_DEST, "%04ld", dest);
    return true;
}

void Panel_ShowSelectedDest() { Dialog_ShowDest(); }

void Panel_ShowDestsChanged(int first, int last)
{
    if (Panel().iSelDest >= first && Panel().iSelDest <= last)
        Dialog_ShowDest();
}
