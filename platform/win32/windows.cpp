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
    HWND target = (HWND)wnd;
    RECT r;
    if (!GetWindowRect((HWND)like, &r))
        return;
    MoveWindow(target, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    // The frame, caption and menu bar take their share of that rectangle:
    // grow the window until its client area shows all of `like`. Twice at
    // most, as a menu bar may wrap or unwrap once the width has changed.
    for (int pass = 0; pass < 2; ++pass) {
        RECT inner, client, outer;
        GetWindowRect((HWND)like, &inner);
        MapWindowPoints(nullptr, target, (POINT*)&inner, 2);
        GetClientRect(target, &client);
        LONG dx = inner.right > client.right ? inner.right - client.right : 0;
        LONG dy = inner.bottom > client.bottom ? inner.bottom - client.bottom : 0;
        if (dx == 0 && dy == 0)
            return;
        GetWindowRect(target, &outer);
        MoveWindow(target, outer.left, outer.top, outer.right - outer.left + dx,
                   outer.bottom - outer.top + dy, TRUE);
    }
}

void Plat_MoveToOrigin(PlatWnd wnd)
{
    HWND child = (HWND)wnd;
    RECT r;
    if (!GetWindowRect(child, &r))
        return;
    // Moving sends WM_MOVE again: a window already in place is left alone,
    // so the snap back ends there.
    POINT at = {r.left, r.top};
    ScreenToClient(GetParent(child), &at);
    if (at.x == 0 && at.y == 0)
        return;
    MoveWindow(child, 0, 0, r.right - r.left, r.bottom - r.top, TRUE);
}
