// The main window's menu. The seam's flag values are the system's.
#include <windows.h>

#include "platform/platform.h"

static_assert(PLAT_MF_GRAYED == MF_GRAYED && PLAT_MF_ENABLED == MF_ENABLED &&
                  PLAT_MF_BYPOSITION == MF_BYPOSITION,
              "menu flags pass through unchanged");

PlatMenu Plat_GetMenu(PlatWnd wnd) { return (PlatMenu)GetMenu((HWND)wnd); }

void Plat_MenuEnable(PlatMenu menu, unsigned item, unsigned flags)
{
    EnableMenuItem((HMENU)menu, item, flags);
}

void Plat_MenuCheck(PlatMenu menu, unsigned id, int checked)
{
    CheckMenuItem((HMENU)menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Plat_MenuRedraw(PlatWnd wnd) { DrawMenuBar((HWND)wnd); }
