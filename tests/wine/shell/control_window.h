// A hidden parent window for control tests: it records the WM_COMMAND
// messages its children send.
#pragma once

#include <windows.h>

#include <string>

struct CommandLog {
    int count;
    WPARAM wParam;
    LPARAM lParam;
};

CommandLog& Commands();
// Creates the hidden top-level parent (the log is cleared).
HWND CreateParentWindow();
// A status button's caption and state code, read the way any process can.
std::string ControlCaption(HWND control);
std::string ControlState(HWND control);

// Renders a window's client area into a 32-bit top-down bitmap; pixels as
// 0x00RRGGBB, row by row.
struct Rendering {
    int width;
    int height;
    unsigned pixels[64 * 128];
    COLORREF At(int x, int y) const;
};
bool RenderClient(HWND wnd, Rendering* out);
