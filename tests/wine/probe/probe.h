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
//   window <name> <hwnd> vis=.. iconic=.. rect=x,y,w,h client=w,h pos=x,y
//   title <name> <text>
//   ctl <id> <class> en=.. vis=.. rect=x,y,w,h state=<code> text=<caption>
//   list <id> count=.. sel=..   (after a list box's ctl line)
//   focus <id>                  (0: the focus is on no control of `dlg`)
void Probe_PrintWindow(const char* name, HWND wnd);
void Probe_PrintControl(HWND control);
void Probe_PrintControls(HWND dlg);
void Probe_PrintFocus(HWND dlg);
// A list box's entries:   item <id> <index> <text>
void Probe_PrintItems(HWND list);

// Message boxes of any process, and the driver's process:
//   box <caption> <text>        (Probe_Boxes: every box shown now)
//   stat <name> <value>         (Probe_Stats: pid, memory, handle counts)
// Probe_WaitBox prints and presses OK on the first "! Error !" box within
// ms; 2 when none came. Probe_KillDuringSave ends the driver (exit code
// 99) once it has traced the path of a tally save and delayUs microseconds
// have passed.
int Probe_WaitBox(DWORD ms);
int Probe_Boxes();
int Probe_Stats(HWND main);
int Probe_KillDuringSave(long delayUs);
