// Window titles, dialog controls and window placement.
#include <windows.h>

#include "platform/platform.h"

void Plat_SetWindowTitle(PlatWnd wnd, const char* text) { SetWindowTextA((HWND)wnd, text); }

void Plat_SetControlText(PlatWnd dlg, int id, const char* text)
{
    if (dlg)
        SetDlgItemTextA((HWND)dlg, id, text);
}

void Plat_EnableControl(PlatWnd dlg, int id, int enable)
{
    if (dlg)
        EnableWindow(GetDlgItem((HWND)dlg, id), enable ? TRUE : FALSE);
}

void Plat_FocusControl(PlatWnd dlg, int id)
{
    if (dlg)
        SetFocus(GetDlgItem((HWND)dlg, id));
}

int Plat_IsIconic(PlatWnd wnd) { return IsIconic((HWND)wnd) ? 1 : 0; }

void Plat_ShowWindow(PlatWnd wnd, int how) { ShowWindow((HWND)wnd, how); }

void Plat_FitWindowTo(PlatWnd wnd, PlatWnd like)
{
    RECT r;
    if (!GetWindowRect((HWND)like, &r))
        return;
    MoveWindow((HWND)wnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void Plat_MoveToOrigin(PlatWnd wnd)
{
    RECT r;
    if (!GetWindowRect((HWND)wnd, &r))
        return;
    MoveWindow((HWND)wnd, 0, 0, r.right - r.left, r.bottom - r.top, TRUE);
}
