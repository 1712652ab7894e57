// Timers, the quit message and default message handling.
#include <windows.h>

#include "platform/platform.h"

void Plat_SetTimer(PlatWnd wnd, unsigned id, unsigned ms) { SetTimer((HWND)wnd, id, ms, nullptr); }

void Plat_KillTimer(PlatWnd wnd, unsigned id) { KillTimer((HWND)wnd, id); }

void Plat_PostQuit(int code) { PostQuitMessage(code); }

intptr_t Plat_DefWindowProc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    return DefWindowProcA((HWND)wnd, msg, wParam, lParam);
}
