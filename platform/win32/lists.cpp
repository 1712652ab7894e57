// List boxes of the panel.
#include <windows.h>

#include "platform/platform.h"

namespace {
LRESULT ToList(PlatWnd dlg, int id, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return dlg ? SendDlgItemMessageA((HWND)dlg, id, msg, wParam, lParam) : LB_ERR;
}
}  // namespace

void Plat_ListReset(PlatWnd dlg, int id) { ToList(dlg, id, LB_RESETCONTENT, 0, 0); }

void Plat_ListAdd(PlatWnd dlg, int id, const char* text)
{
    ToList(dlg, id, LB_ADDSTRING, 0, (LPARAM)text);
}

void Plat_ListRedraw(PlatWnd dlg, int id, int on)
{
    ToList(dlg, id, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    HWND list = dlg ? GetDlgItem((HWND)dlg, id) : nullptr;
    if (on && list)
        InvalidateRect(list, nullptr, TRUE);
}

int Plat_ListGetSel(PlatWnd dlg, int id) { return (int)ToList(dlg, id, LB_GETCURSEL, 0, 0); }

void Plat_ListSetSel(PlatWnd dlg, int id, int index)
{
    // An index beyond the list (an unknown tally) must leave nothing
    // selected; Wine's list box would keep the previous selection.
    LRESULT count = ToList(dlg, id, LB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count)
        index = -1;
    ToList(dlg, id, LB_SETCURSEL, (WPARAM)index, 0);
}

void Plat_ListSetColumnWidth(PlatWnd dlg, int id, int pixels)
{
    ToList(dlg, id, LB_SETCOLUMNWIDTH, (WPARAM)pixels, 0);
}
