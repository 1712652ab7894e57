#include "ui/ui.h"

namespace {

const char kErrorCaption[] = "! Error !";

struct UiState {
    PlatWnd hMainWnd;
    PlatWnd hMainDlg;
    PlatMenu hMainMenu;
    bool bShuttingDown;
};

// Written and read on the GUI thread only.
UiState gUi;

}  // namespace

PlatWnd Ui_MainWindow() { return gUi.hMainWnd; }
PlatWnd Ui_Panel() { return gUi.hMainDlg; }
PlatMenu Ui_Menu() { return gUi.hMainMenu; }
void Ui_SetMainWindow(PlatWnd wnd) { gUi.hMainWnd = wnd; }
void Ui_SetPanel(PlatWnd wnd) { gUi.hMainDlg = wnd; }
void Ui_SetMenu(PlatMenu menu) { gUi.hMainMenu = menu; }

void Ui_ErrorBox(const char* text)
{
    Plat_MessageBox(gUi.hMainWnd, text, kErrorCaption, PLAT_MB_OK);
}

bool Ui_ShuttingDown() { return gUi.bShuttingDown; }
void Ui_SetShuttingDown() { gUi.bShuttingDown = true; }

void Ui_Reset() { gUi = UiState{}; }
