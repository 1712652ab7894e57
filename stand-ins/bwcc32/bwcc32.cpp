// BWCC32.DLL: the dialog class BORDLG and the shaded frame control BorShade.
#include <windows.h>

#include "stand-ins/bwcc32/bwcc32.h"

namespace {

HINSTANCE gModule = nullptr;

// The standard dialog behaviour, under another class name.
LRESULT CALLBACK BorDlgProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefDlgProcA(wnd, msg, wParam, lParam);
}

// Draws the frame or rule of the control's style.
void PaintShade(HWND wnd, HDC dc)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    const bool wide = rc.right - rc.left > rc.bottom - rc.top;
    const UINT ruleSide = wide ? BF_TOP : BF_LEFT;
    switch (GetWindowLongA(wnd, GWL_STYLE) & BORSHADE_STYLE_MASK) {
    case BORSHADE_RULE_SUNKEN:
    case BORSHADE_RULE_SUNKEN + 1: DrawEdge(dc, &rc, EDGE_ETCHED, ruleSide); break;
    case BORSHADE_RULE_RAISED:
    case BORSHADE_RULE_RAISED + 1: DrawEdge(dc, &rc, EDGE_BUMP, ruleSide); break;
    case BORSHADE_FRAME_RAISED: DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT); break;
    default: DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT); break;
    }
}

LRESULT CALLBACK BorShadeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        PaintShade(wnd, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: PaintShade(wnd, (HDC)wParam); return 0;
    default: return DefWindowProcA(wnd, msg, wParam, lParam);
    }
}

bool RegisterOnce(const WNDCLASSA& wc)
{
    WNDCLASSA existing;
    if (GetClassInfoA(gModule, wc.lpszClassName, &existing))
        return true;
    return RegisterClassA(&wc) != 0;
}

bool RegisterDialogClass()
{
    WNDCLASSA wc = {};
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = BorDlgProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = gModule;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = BORDLG_CLASS;
    return RegisterOnce(wc);
}

bool RegisterShadeClass()
{
    WNDCLASSA wc = {};
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = BorShadeProc;
    wc.hInstance = gModule;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = BORSHADE_CLASS;
    return RegisterOnce(wc);
}

}  // namespace

extern "C" BOOL WINAPI BWCCRegister(HINSTANCE)
{
    // Global classes serve every module of the process, the caller's too.
    return (RegisterDialogClass() && RegisterShadeClass()) ? TRUE : FALSE;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}
