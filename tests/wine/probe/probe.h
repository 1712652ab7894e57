// PROBE.EXE: reads the running driver's windows from outside and acts on
// them with window messages, the way another program on the desktop can.
#pragma once

#include <windows.h>

// The driver's main window ("VALDRUNE"), its panel and its About box; 0
// when absent.
HWND Probe_MainWindow();
HWND Probe_Panel(HWND main);
HWND Probe_AboutBox(HWND main);

// Prints the window and every child control as tab-separated lines:
//   window <name> <hwnd> vis=.. iconic=.. client=w,h pos=x,y
//   title <name> <text>
//   ctl <id> <class> en=.. state=<code> text=<caption>
//   list <id> count=.. sel=..   (after a list box's ctl line)
//   focus <id>                  (0: the focus is on no control of `dlg`)
void Probe_PrintWindow(const char* name, HWND wnd);
void Probe_PrintControl(HWND control);
void Probe_PrintControls(HWND dlg);
void Probe_PrintFocus(HWND dlg);
// A list box's entries:   item <id> <index> <text>
void Probe_PrintItems(HWND list);

// Probe_WaitBox prints ("box <caption> <text>") and presses OK on the
// first "! Error !" box of any process within ms, and returns once it is
// gone; 2 when none came.
// Probe_Stats prints the driver's figures: stat <name> <value>.
// Probe_ListBoxes prints every standard dialog shown by any process (a
// message box, a crash report) and leaves it up:
//   box <caption> <text> <program>
int Probe_WaitBox(DWORD ms);
int Probe_ListBoxes();
int Probe_Stats(HWND main);
