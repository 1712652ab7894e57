// The panel and the About box: templates of the program, procedures of the
// core.
#include <windows.h>

#include "panel/dialog.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

namespace {

INT_PTR CALLBACK PanelProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Dialog_Proc((PlatWnd)wnd, msg, wParam, lParam);
}

INT_PTR CALLBACK AboutProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return About_Proc((PlatWnd)wnd, msg, wParam, lParam);
}

}  // namespace

PlatWnd Plat_CreatePanel(PlatWnd parent)
{
    return (PlatWnd)CreateDialogParamA(Win32_Instance(), "MAINDIALOG", (HWND)parent, PanelProc, 0);
}

void Plat_RunAbout(PlatWnd owner)
{
    DialogBoxParamA(Win32_Instance(), "ABOUT", (HWND)owner, AboutProc, 0);
}

void Plat_EndDialog(PlatWnd dlg, int result) { EndDialog((HWND)dlg, result); }
