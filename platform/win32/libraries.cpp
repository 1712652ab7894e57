// Loading the control libraries.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

PlatLib Plat_LoadLibrary(const char* path) { return (PlatLib)LoadLibraryA(path); }

void Plat_FreeLibrary(PlatLib lib)
{
    if (lib)
        FreeLibrary((HMODULE)lib);
}

namespace {

LRESULT CALLBACK PlainDialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefDlgProcA(wnd, msg, wParam, lParam);
}

// A frame without its looks: draws nothing, lets clicks through.
LRESULT CALLBACK PlainFrameProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCHITTEST)
        return HTTRANSPARENT;
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

void RegisterPlain(const char* name, WNDPROC proc, int extra)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = extra;
    wc.hInstance = Win32_Instance();
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = extra ? (HBRUSH)(COLOR_BTNFACE + 1) : nullptr;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

void Plat_RegisterPlainDialogClasses()
{
    RegisterPlain("BORDLG", PlainDialogProc, DLGWINDOWEXTRA);
    RegisterPlain("BorShade", PlainFrameProc, 0);
}

void Plat_RegisterDialogLibrary(PlatLib lib)
{
    typedef BOOL(WINAPI * RegisterFn)(HINSTANCE);
    RegisterFn reg = (RegisterFn)(void*)GetProcAddress((HMODULE)lib, "BWCCRegister");
    if (reg)
        reg(Win32_Instance());
}
