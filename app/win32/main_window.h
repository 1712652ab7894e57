// The main window of the driver: its class, its creation and the message
// loop. Split from WinMain so the Wine tests can build the same window.
#pragma once

#include <windows.h>

#define MAIN_CLASS_NAME "VALDRUNE"
// Overlapped with system menu, minimise and maximise boxes; not visible.
#define MAIN_WINDOW_STYLE (WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)

// Registers "VALDRUNE" with the icon "grdicon" and the menu "Menu" of the
// instance; false when the system refuses.
bool Main_RegisterClass(HINSTANCE instance);
// Hands the instance to the platform layer and creates the hidden main
// window; 0 on failure.
HWND Main_CreateWindow(HINSTANCE instance);
// Runs the message loop until the quit message; returns its code.
int Main_RunMessageLoop();
