// The application shell: start-up order, main window message dispatch,
// menu, keyboard router control and the shutdown sequence.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct ShellState {
    PlatLib hCcLibrary;        // the status button control library
    PlatLib hDialogLibrary;    // the dialog library (never freed)
    char szCcPath[256];        // full path the control library was loaded from
    int bKeyboardControl;      // 1 while keyboard router control is enabled
    char szDriverName[16];     // "VAL_DRN": base name of the driver's own files
    int bStartupEnded;         // start-up stopped early (quit already posted)
    int iCommandsDue;          // command texts the host library may still hand in (0 or 1)
    int bReady;                // start-up complete: command texts act at once
};

ShellState& Shell();
void Shell_Reset();
// Wires the router side and the host side together (start-up, tests).
void Core_Wire();
// Resets every module of the core and wires it (tests).
void Core_Reset();

// Start-up sequence, run once the main window exists (Ui_SetMainWindow).
// Command texts the host delivers meanwhile (once a level is registered, or
// while a box is up) are held, up to SHELL_HELD_MAX, and run in order once
// the store is loaded and the port opened; past that they are not taken.
#define SHELL_HELD_MAX 1000
void Main_Initialize();
void Main_LoadLibraries();
// Shutdown sequence; runs at most once per process.
void Main_Shutdown();
void Main_CreateDialog();
void Main_StopPollTimer();
void Main_ToggleKeyboardControl();
// The main window procedure, on portable types.
intptr_t Main_WndProc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam);

