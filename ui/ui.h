// The driver's own windows and whether it is shutting down: the few facts of
// the shell every module may ask for without depending on the shell. The
// shell writes them (the panel its own handle as it initialises); the others
// only read.
#pragma once

#include "platform/platform.h"

PlatWnd Ui_MainWindow();    // hMainWnd: the main window, 0 until created
PlatWnd Ui_Panel();         // hMainDlg: the operator panel, 0 until created
PlatMenu Ui_Menu();         // hMainMenu: the main window's menu
void Ui_SetMainWindow(PlatWnd wnd);
void Ui_SetPanel(PlatWnd wnd);
void Ui_SetMenu(PlatMenu menu);

// The "! Error !" message box over the main window.
void Ui_ErrorBox(const char* text);

// True once the shutdown sequence has begun: nothing may start again.
bool Ui_ShuttingDown();
void Ui_SetShuttingDown();

void Ui_Reset();
