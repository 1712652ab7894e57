// What the Win32 entry point hands to the Win32 side of the seam. Only code
// under */win32/ includes this header.
#pragma once

#include <windows.h>

// The program instance: owner of the menu, icon and dialog templates.
void Win32_SetInstance(HINSTANCE instance);
HINSTANCE Win32_Instance();
