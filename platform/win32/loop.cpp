// Timers, the quit message and default message handling.
#include <windows.h>

#include "platform/platform.h"

void Plat_SetTimer(PlatWnd wnd, unsigned id, unsigned ms) { SetTimer((HWND)wnd, id, ms, nullptr); }

void Plat_KillTimer(PlatWnd wnd, unsigned id) { KillTimer((HWND)wnd, id); }

uint32_t Plat_TickCount()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (uint32_t)(now.QuadPart / (frequency.QuadPart / 1000));
}

void Plat_PostQuit(int code) { PostQuitMessage(code); }

intptr_t Plat_DefWindowProc(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    return DefWindowProcA((HWND)wnd, msg, wParam, lParam);
}
