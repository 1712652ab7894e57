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

// Edge kind and sides for each style; a rule is drawn along one side of the
// control's rectangle.
void ShadeEdges(LONG style, UINT* edge, UINT* sides)
{
    switch (style & BORSHADE_STYLE_MASK) {
    case BORSHADE_RULE_H_SUNKEN: *edge = EDGE_ETCHED; *sides = BF_TOP; break;
    case BORSHADE_RULE_V_SUNKEN: *edge = EDGE_ETCHED; *sides = BF_LEFT; break;
    case BORSHADE_RULE_H_RAISED: *edge = EDGE_BUMP; *sides = BF_TOP; break;
    case BORSHADE_RULE_V_RAISED: *edge = EDGE_BUMP; *sides = BF_LEFT; break;
    case BORSHADE_FRAME_RAISED: *edge = EDGE_RAISED; *sides = BF_RECT; break;
    default: *edge = EDGE_SUNKEN; *sides = BF_RECT; break;
    }
}

void PaintShade(HWND wnd, HDC dc)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    UINT edge, sides;
    ShadeEdges(GetWindowLongA(wnd, GWL_STYLE), &edge, &sides);
    DrawEdge(dc, &rc, edge, sides);
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
