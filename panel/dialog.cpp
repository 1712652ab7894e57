// Placeholder until the operator panel is built: the initialisation does what
// start-up and shutdown need (load the tallies, start the link and the save
// timer, show the interface mode).
#include "panel/dialog.h"

#include <cstring>

#include "app/messages.h"
#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "panel/panel_ids.h"
#include "store/idxfu.h"

namespace {
PanelState gPanel;
}

PanelState& Panel() { return gPanel; }
void Panel_Reset() { std::memset(&gPanel, 0, sizeof gPanel); }

intptr_t Dialog_Proc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t)
{
    switch (msg) {
    case MSG_INITDIALOG:
        Shell().hMainDlg = wnd;
        Dialog_InitDialog();
        return 1;
    case MSG_TIMER:
        // The save timer outlives the shutdown; a late tick must not
        // overwrite the saved tallies with empty blocks.
        if (Shell().bShutdownDone)
            return 1;
        if ((wParam & 0xFFFF) == PANEL_TIMER_POLL)
            Dialog_Tally();
        else if ((wParam & 0xFFFF) == PANEL_TIMER_SAVE)
            Idxfu_SaveTick();
        return 1;
    default:
        return 0;
    }
}

void Dialog_InitDialog()
{
    Plat_ShowWindow(Shell().hMainWnd,
                    Settings().bDebugMode == 1 ? PLAT_SW_SHOWNORMAL : PLAT_SW_SHOWMINIMIZED);
    Idxfu_ReadIndex();
    Shell().bKeyboardControl = 0;
    ComSup_PollStart();
    Plat_SetTimer(Shell().hMainDlg, PANEL_TIMER_SAVE, 30000);
    HXISup_SetTxRxMode(HostLink().iTxRxMode);
}

void Dialog_SelectLevel(int level) { Settings().iCurrentLevel = level; }
void Dialog_SourceSelected() {}
void Dialog_DestSelected() {}
void Dialog_ShowDest() {}
void Dialog_Take() {}
void Dialog_Lock() {}
void Dialog_FillSources() {}
void Dialog_FillDests() {}
void About_Show() { Plat_RunAbout(Shell().hMainWnd); }
intptr_t About_Proc(PlatWnd, unsigned, uintptr_t, intptr_t) { return 0; }
