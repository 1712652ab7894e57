// The debug trace and message boxes.
#include <windows.h>

#include "platform/platform.h"

void Plat_DebugOutput(const char* text) { OutputDebugStringA(text ? text : ""); }

int Plat_MessageBox(PlatWnd owner, const char* text, const char* caption, unsigned flags)
{
    return MessageBoxA((HWND)owner, text, caption, flags);
}
