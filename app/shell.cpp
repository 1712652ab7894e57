#include "app/shell.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "config/config_dir.h"
#include "config/settings.h"
#include "hostlink/cmd.h"
#include "hostlink/hxi.h"
#include "hostlink/hxi_messages.h"
#include "leitch/comsup.h"
#include "panel/dialog.h"
#include "panel/panel_show.h"
#include "store/idxfu.h"
#include "store/store.h"
#include "trace/trace.h"
#include "ui/messages.h"
#include "ui/ui.h"
#include "ui/ui_ids.h"

namespace {

ShellState gShell;
std::deque<std::string> gHeld;   // command texts delivered before start-up completed

const char kNoLevelsText[] =
    "There are no router driver ID's defined in the VAL_DRN.INI file.  There must be at least "
    "one router defined before VAL_DRN.EXE can function.";

// The router items of the menu: Source Box, Dest Box, Take and Lock.
const unsigned kRouterItems[] = {IDM_SOURCEBOX, IDM_DESTBOX, IDM_TAKE, IDM_LOCK};

void SetRouterItems(unsigned flags)
{
    for (unsigned id : kRouterItems)
        Plat_MenuEnable(Ui_Menu(), id, flags);
}

// Focuses a list of the panel and selects its first entry when it has none.
void FocusList(int id)
{
    Plat_FocusControl(Ui_Panel(), id);
    if (Plat_ListGetSel(Ui_Panel(), id) == -1)
        Plat_ListSetSel(Ui_Panel(), id, 0);
}

void TakeUnlessLocked()
{
    const LEVELINFO* level = Store_Level(Settings().iCurrentLevel);
    int device = level ? level->iDevice : 0;
    if (Store_GetLock(device, Panel().iSelDest) == 0)
        Dialog_Take();
}

void OnMenuCommand(uintptr_t id)
{
    if (id >= IDM_LEVEL_FIRST && id <= IDM_LEVEL_LAST) {
        Dialog_SelectLevel((int)(id - IDM_LEVEL_FIRST));
        return;
    }
    switch (id) {
    case IDM_EXIT: Main_Shutdown(); break;
    case IDM_LOCK: Dialog_Lock(); break;
    case IDM_ABOUT: About_Show(); break;
    case IDM_DESTBOX: FocusList(IDC_DEST_LIST); break;
    case IDM_SOURCEBOX: FocusList(IDC_SOURCE_LIST); break;
    case IDM_TAKE: TakeUnlessLocked(); break;
    case IDM_KEYBOARD:
        Main_ToggleKeyboardControl();
        FocusList(IDC_DEST_LIST);
        break;
    default: break;
    }
}

// The command text is a pointer, meaningful only when the host library
// hands it in while it delivers; from anyone else it could point anywhere.
// The library hands in at most one text per delivery, straight from its
// pipe read (which dispatches nothing), so a second one in the same
// delivery (sent while the first is being handled) is not the library's.
bool CommandFromHostLibrary()
{
    if (gShell.iCommandsDue > 0) {
        --gShell.iCommandsDue;
        return true;
    }
    Debug_Trace("ZUV_RXCOMMAND ignored: not delivered by the host library");
    return false;
}

// A command text delivered before the store is loaded and the port opened
// would answer from an empty store, be overwritten by the load, or write a
// take to no port: it waits, in order, until start-up is complete.
void TakeCommand(const char* text)
{
    if (gShell.bReady) {
        Hxi_OnCommandText(text);
        return;
    }
    gHeld.emplace_back(text, strnlen(text, CMD_TEXT_KEPT));
}

// Runs the held texts in order; any delivered meanwhile join the end.
void RunHeldCommands()
{
    if (!gHeld.empty())
        Debug_Tracef("Start-up complete: running %d commands held meanwhile", (int)gHeld.size());
    while (!gHeld.empty() && !Ui_ShuttingDown()) {
        std::string text = gHeld.front();
        gHeld.pop_front();
        Hxi_OnCommandText(text.c_str());
    }
    gShell.bReady = 1;
}

// While the host keeps deliveries in flight, the system hands the driver
// its sent messages before any posted message or timer: a long flood would
// hold up the drain of the router's answers, the polls and the save tick.
// Each delivery does what is due of them, by the clock.
void RunDueWork()
{
    if (!gShell.bReady || Ui_ShuttingDown())
        return;
    ComSup_ReadData();
    ComSup_PollIfDue();
    if (!Ui_ShuttingDown())
        Idxfu_SaveTickIfDue();
}

// Past the bound the host library's text is not fetched: the host tells its
// client that the driver did not take it.
bool HoldFull() { return !gShell.bReady && gHeld.size() >= SHELL_HELD_MAX; }

}  // namespace

ShellState& Shell() { return gShell; }

void Shell_Reset()
{
    std::memset(&gShell, 0, sizeof gShell);
    gHeld.clear();
}

void Main_LoadLibraries()
{
    char path[256];
    Config_SystemFilePath("BWCC32.DLL", 255, path, sizeof path);
    gShell.hDialogLibrary = path[0] ? Plat_LoadLibrary(path) : 0;
    if (gShell.hDialogLibrary == 0) {
        char text[300];
        std::snprintf(text, sizeof text, "ValDrune: Cannot find %s", path);
        Ui_ErrorBox(text);
        if (Ui_ShuttingDown())
            return;
        Plat_RegisterPlainDialogClasses();
    } else {
        // Only a library that loaded can be called into.
        Plat_RegisterDialogLibrary(gShell.hDialogLibrary);
    }

    Config_SystemFilePath("ORVA_CC.DLL", 256, gShell.szCcPath, sizeof gShell.szCcPath);
    gShell.hCcLibrary = gShell.szCcPath[0] ? Plat_LoadLibrary(gShell.szCcPath) : 0;
    if (gShell.hCcLibrary == 0) {
        Ui_ErrorBox("Cannot find ORVA_CC.DLL");
        Plat_PostQuit(0);
        return;
    }

    Ui_SetMenu(Plat_GetMenu(Ui_MainWindow()));
    for (unsigned id = IDM_LEVEL_FIRST; id <= IDM_LEVEL_LAST; ++id)
        Plat_MenuEnable(Ui_Menu(), id, PLAT_MF_GRAYED);
    Plat_MenuEnable(Ui_Menu(), MENU_POS_LEVEL, PLAT_MF_BYPOSITION | PLAT_MF_GRAYED);
    SetRouterItems(PLAT_MF_GRAYED);
    Plat_MenuRedraw(Ui_MainWindow());
}

namespace {
// A close request answered while a box was up or a registration was being
// answered has run the shutdown sequence: start-up goes no further.
bool StartupStopped() { return Ui_ShuttingDown() || gShell.bStartupEnded; }
}  // namespace

void Main_Initialize()
{
    Core_Wire();
    std::snprintf(gShell.szDriverName, sizeof gShell.szDriverName, "%s", "VAL_DRN");

    Main_LoadLibraries();
    if (gShell.hCcLibrary == 0) {
        gShell.bStartupEnded = 1;
        return;
    }
    if (StartupStopped())
        return;
    if (Prof_LoadSettings() == 0) {
        Ui_ErrorBox(kNoLevelsText);
        Plat_PostQuit(0);
        gShell.bStartupEnded = 1;
        return;
    }
    Debug_Trace("Main_Initialize config dir: ");
    Debug_Trace(gShell.szCcPath);

    Memory_Init();
    if (!Hxi_Attach()) {
        Main_Shutdown();
        return;
    }
    if (StartupStopped())
        return;
    if (!Hxi_RegisterDevices()) {
        Main_Shutdown();
        return;
    }
    if (StartupStopped())
        return;
    if (Settings().Simulation == 0 && ComSup_Init() < 0) {
        Main_Shutdown();
        return;
    }
    if (StartupStopped())
        return;
    Main_CreateDialog();
    if (!StartupStopped() && Ui_Panel() != 0)
        RunHeldCommands();
}

void Main_CreateDialog()
{
    Debug_Trace("Creating Dialog");
    PlatWnd dlg = Plat_CreatePanel(Ui_MainWindow());
    if (dlg == 0) {
        // Without the panel there is no poll, no tally save and no link
        // judgement: the driver must not stay registered as healthy.
        Debug_Trace("Can't create dialog box");
        Main_Shutdown();
        return;
    }
    Ui_SetPanel(dlg);
}

void Main_StopPollTimer()
{
    if (Settings().Simulation == 0)
        Plat_KillTimer(Ui_Panel(), PANEL_TIMER_POLL);
}

void Main_Shutdown()
{
    if (Ui_ShuttingDown())
        return;
    Ui_SetShuttingDown();
    if (!gHeld.empty())
        Debug_Tracef("%d commands held during start-up dropped: shutting down", (int)gHeld.size());
    gHeld.clear();
    Hxi_Deregister();
    ComSup_ClosePort();
    Main_StopPollTimer();
    if (Idxfu_Loaded()) {
        Idxfu_WriteIndex();
        Idxfu_WriteChangedLocks();
    }
    Memory_Free();
    Plat_FreeLibrary(gShell.hCcLibrary);
    gShell.hCcLibrary = 0;
    Plat_PostQuit(0);
}

void Main_ToggleKeyboardControl()
{
    PlatMenu menu = Ui_Menu();
    if (gShell.bKeyboardControl == 0) {
        gShell.bKeyboardControl = 1;
        Plat_MenuCheck(menu, IDM_KEYBOARD, 1);
        for (int i = 0; i < LEVEL_COUNT; ++i)
            if (Store_Level(i)->iDevice != 0)
                Plat_MenuEnable(menu, IDM_LEVEL_FIRST + i, PLAT_MF_ENABLED);
        Plat_MenuEnable(menu, MENU_POS_LEVEL, PLAT_MF_BYPOSITION | PLAT_MF_ENABLED);
        SetRouterItems(PLAT_MF_ENABLED);
        Plat_MenuRedraw(Ui_MainWindow());
        Panel_ShowKeyboardControl(true);
        return;
    }
    gShell.bKeyboardControl = 0;
    Plat_MenuCheck(menu, IDM_KEYBOARD, 0);
    for (unsigned id = IDM_LEVEL_FIRST; id <= IDM_LEVEL_LAST; ++id)
        Plat_MenuEnable(menu, id, PLAT_MF_GRAYED);
    Plat_MenuEnable(menu, MENU_POS_LEVEL, PLAT_MF_BYPOSITION | PLAT_MF_GRAYED);
    SetRouterItems(PLAT_MF_GRAYED);
    Plat_MenuRedraw(Ui_MainWindow());
    Panel_ShowKeyboardControl(false);
}

intptr_t Main_WndProc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    // After the shutdown sequence the port is closed, the level memory freed
    // and the driver deregistered: serial notifications, commands, mode
    // requests and menu commands that are still queued must not act.
    const bool down = Ui_ShuttingDown();
    switch (msg) {
    case MSG_CLOSE:
        Main_Shutdown();
        return 0;
    case MSG_QUERYENDSESSION:
        Main_Shutdown();
        return 1;
    case MSG_COMMNOTIFY:
        if (!down)
            ComSup_ReadData();
        return 0;
    case MSG_COMMAND:
        if (!down)
            OnMenuCommand(wParam);
        return 0;
    case ZUV_HXIHANDLE:
        Hxi_OnHandle((PlatWnd)wParam);
        return 0;
    case ZUV_RXMESSAGE: {
        if (HoldFull())
            return 0;
        int outer = gShell.iCommandsDue;
        gShell.iCommandsDue = 1;
        intptr_t taken = Plat_HostRx(Ui_MainWindow(), wParam, lParam);
        gShell.iCommandsDue = outer;
        RunDueWork();
        return taken;
    }
    case ZUV_REQDEVCLOSE:
        Main_Shutdown();
        return 0;
    case ZUV_REQDEVGORXONLY:
        return down ? 0 : Hxi_OnRequestRxOnly(lParam);
    case ZUV_REQDEVGOTXRX:
        return down ? 0 : Hxi_OnRequestTxRx(lParam);
    case ZUV_INQDEVGOTXRX:
        return down ? 0 : Hxi_OnInquireTxRx();
    case ZUV_RXCOMMAND:
        if (!down && lParam != 0 && CommandFromHostLibrary())
            TakeCommand((const char*)lParam);
        return 1;
    case ZUV_SETDEVRXONLY:
        if (!down)
            Hxi_OnSetRxOnly();
        return 0;
    default:
        return Plat_DefWindowProc(wnd, msg, wParam, lParam);
    }
}
