// The operator panel: level table, lists, selected destination, manual Take
// and Lock, and the About box. Manual operations are handed to the router
// command handler as the same texts network clients send, from requester 0.
#include "panel/dialog.h"

#include <cstdio>
#include <cstring>

#include "config/settings.h"
#include "panel/panel_port.h"
#include "panel/panel_show.h"
#include "panel/panel_text.h"
#include "panel/status_codes.h"
#include "store/idxfu.h"
#include "store/store.h"
#include "trace/trace.h"
#include "ui/messages.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"
#include "ui/version.h"

namespace {

PanelState gPanel;
PanelPort gPort;   // wired once by app/; not part of the panel's state

const char kVersion[] = VALDRN_VERSION_TEXT;

const LEVELINFO& CurrentLevel() { return *Store_Level(Settings().iCurrentLevel); }

void ShowLevelTable()
{
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        const LEVELINFO& level = *Store_Level(i);
        const int ids[3] = {IDC_LEVEL_DEVICE + i, IDC_LEVEL_SOURCES + i, IDC_LEVEL_DESTS + i};
        if (level.iDevice <= 0) {
            for (int id : ids) {
                Panel_SetText(id, "- - -");
                Plat_EnableControl(Ui_Panel(), id, 0);
            }
            continue;
        }
        Panel_SetNumber(ids[0], "%03ld", level.iDevice);
        Panel_SetNumber(ids[1], "%03ld", level.iSources);
        Panel_SetNumber(ids[2], "%03ld", level.iDests);
    }
}

void ShowLevelLabel()
{
    char text[32];
    int index = Settings().iCurrentLevel;
    std::snprintf(text, sizeof text, "Level '%c' %03d", 'A' + index, Store_Level(index)->iDevice);
    Panel_SetText(IDC_LEVEL_LABEL, text);
}

int ListLength()
{
    const LEVELINFO& level = CurrentLevel();
    return level.iSources > level.iDests ? level.iSources : level.iDests;
}

void FillList(int id, int kind)
{
    Plat_ListRedraw(Ui_Panel(), id, 0);
    Plat_ListReset(Ui_Panel(), id);
    if (kind == PANEL_NAME_SOURCE)
        Plat_ListAdd(Ui_Panel(), id, Settings().ParkLabel);
    int device = CurrentLevel().iDevice;
    int n = ListLength();
    for (int k = 1; k <= n; ++k) {
        char name[PANEL_NAME_SIZE];
        Dialog_GetName(device, kind, k, name, sizeof name);
        Plat_ListAdd(Ui_Panel(), id, name);
    }
    Plat_ListRedraw(Ui_Panel(), id, 1);
}

void SelectFirstDest()
{
    gPanel.iSelDest = 1;
    Plat_ListSetSel(Ui_Panel(), IDC_DEST_LIST, 0);
    Dialog_ShowDest();
}

void Dispatch(const char* text)
{
    Debug_Trace(text);
    gPort.SendCommand(text);
}

intptr_t OnCommand(uintptr_t wParam)
{
    // After the shutdown the level memory is gone; buttons do nothing.
    if (Ui_ShuttingDown())
        return 1;
    switch (wParam & 0xFFFF) {
    case IDC_SOURCE_LIST: Dialog_SourceSelected(); break;
    case IDC_DEST_LIST: Dialog_DestSelected(); break;
    case IDC_TAKE: Dialog_Take(); break;
    case IDC_LOCK: Dialog_Lock(); break;
    default: break;
    }
    return 1;
}

intptr_t OnTimer(uintptr_t wParam)
{
    // The save timer outlives the shutdown; a late tick must not overwrite
    // the saved tallies with empty blocks.
    if (Ui_ShuttingDown())
        return 1;
    switch (wParam & 0xFFFF) {
    case PANEL_TIMER_POLL:
        gPort.PollTick();
        Debug_Trace("Dialog_Tally ...");
        break;
    case PANEL_TIMER_SAVE:
        Idxfu_SaveTimerTick();
        break;
    default:
        break;
    }
    return 1;
}

}  // namespace

PanelState& Panel() { return gPanel; }
void Panel_Reset() { std::memset(&gPanel, 0, sizeof gPanel); }

intptr_t Dialog_Proc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case MSG_INITDIALOG:
        Ui_SetPanel(wnd);
        Dialog_InitDialog();
        return 1;
    case MSG_MOVE:
        Plat_MoveToOrigin(Ui_Panel());
        return 1;
    case MSG_COMMAND:
        return OnCommand(wParam);
    case MSG_SYSCOMMAND:
        Plat_SendMessage(Ui_MainWindow(), MSG_SYSCOMMAND, wParam & 0xFFFF, lParam);
        return 1;
    case MSG_TIMER:
        return OnTimer(wParam);
    default:
        return 0;
    }
}

void Dialog_InitDialog()
{
    Plat_FitWindowTo(Ui_MainWindow(), Ui_Panel());
    Plat_ShowWindow(Ui_MainWindow(),
                    Settings().bDebugMode == 1 ? PLAT_SW_SHOWNORMAL : PLAT_SW_SHOWMINIMIZED);
    ShowLevelTable();
    ShowLevelLabel();
    Plat_MenuCheck(Ui_Menu(), IDM_LEVEL_FIRST + Settings().iCurrentLevel, 1);
    Plat_ListSetColumnWidth(Ui_Panel(), IDC_SOURCE_LIST, Settings().NameLength * 9);
    Plat_ListSetColumnWidth(Ui_Panel(), IDC_DEST_LIST, Settings().NameLength * 9);
    Dialog_FillSources();
    Dialog_FillDests();
    Idxfu_ReadIndex();
    SelectFirstDest();
    gPort.KeyboardControlOff();
    Panel_ShowKeyboardControl(false);
    gPort.StartPolling();
    Plat_SetTimer(Ui_Panel(), PANEL_TIMER_SAVE, IDXFU_SAVE_PERIOD_MS);
    gPort.ShowInterfaceMode();
}

void Dialog_SelectLevel(int level)
{
    if (level < 0 || level >= LEVEL_COUNT)
        return;
    Plat_MenuCheck(Ui_Menu(), IDM_LEVEL_FIRST + Settings().iCurrentLevel, 0);
    Settings().iCurrentLevel = level;
    Plat_MenuCheck(Ui_Menu(), IDM_LEVEL_FIRST + level, 1);
    ShowLevelLabel();
    Dialog_FillSources();
    Dialog_FillDests();
    SelectFirstDest();
}

void Dialog_FillSources() { FillList(IDC_SOURCE_LIST, PANEL_NAME_SOURCE); }
void Dialog_FillDests() { FillList(IDC_DEST_LIST, PANEL_NAME_DEST); }

void Dialog_GetName(int device, int kind, int number, char* name, int size)
{
    if (!name || size <= 0)
        return;
    name[0] = '\0';
    gPort.RequestName(device, kind, number, name, size);
}

void Panel_SetPort(const PanelPort& port) { gPort = port; }

const PanelPort& Panel_Port() { return gPort; }

void Dialog_SourceSelected()
{
    gPanel.iSelSource = Plat_ListGetSel(Ui_Panel(), IDC_SOURCE_LIST) & 0xFFFF;
}

void Dialog_DestSelected()
{
    gPanel.iSelDest = (Plat_ListGetSel(Ui_Panel(), IDC_DEST_LIST) & 0xFFFF) + 1;
    Dialog_ShowDest();
}

void Dialog_ShowDest()
{
    int device = CurrentLevel().iDevice;
    int tally = Store_GetTally(device, gPanel.iSelDest);
    Plat_ListSetSel(Ui_Panel(), IDC_SOURCE_LIST, tally);   // -1 clears
    bool locked = Store_GetLock(device, gPanel.iSelDest) != 0;
    Panel_SetText(IDC_LOCK, locked ? "Locked" : "Unlocked");
    Panel_SetText(IDC_LOCK, locked ? SB_CODE_LOCKED : SB_CODE_UNLOCKED);
    Plat_EnableControl(Ui_Panel(), IDC_TAKE, locked ? 0 : 1);
}

void Dialog_Take()
{
    const LEVELINFO& level = CurrentLevel();
    if (gPanel.iSelSource < 0 || gPanel.iSelSource > level.iSources)
        return;
    if (gPanel.iSelDest < 1 || gPanel.iSelDest > level.iDests)
        return;
    char text[64];
    std::snprintf(text, sizeof text, "RC %d %d %d ',---' 0", level.iDevice, gPanel.iSelSource,
                  gPanel.iSelDest);
    Dispatch(text);
}

void Dialog_Lock()
{
    if (gPanel.iSelDest == 0)
        return;
    int device = CurrentLevel().iDevice;
    int flag = Store_GetLock(device, gPanel.iSelDest) ? 0 : 1;
    char text[64];
    std::snprintf(text, sizeof text, "RL %d %d %d %d 0", device, gPanel.iSelDest, gPanel.iSelDest,
                  flag);
    Dispatch(text);
}

void About_Show() { Plat_RunAbout(Ui_MainWindow()); }

intptr_t About_Proc(PlatWnd wnd, unsigned msg, uintptr_t, intptr_t)
{
    if (msg == MSG_INITDIALOG) {
        char text[64];
        std::snprintf(text, sizeof text, "%s - %s", __DATE__, __TIME__);
        Plat_SetControlText(wnd, IDC_ABOUT_BUILD, text);
        std::snprintf(text, sizeof text, "Version %s", kVersion);
        Plat_SetControlText(wnd, IDC_ABOUT_VERSION, text);
        return 1;
    }
    if (msg == MSG_COMMAND) {
        Plat_EndDialog(wnd, 1);
        return 1;
    }
    return 0;
}
