#include "app/win32/main_window.h"

#include "app/shell.h"
#include "platform/win32/win32_platform.h"

static_assert(MAIN_WINDOW_STYLE == 0x000B0000, "main window style");

namespace {

LRESULT CALLBACK MainWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Main_WndProc((PlatWnd)wnd, msg, wParam, lParam);
}

}  // namespace

bool Main_RegisterClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.style = 0;
    wc.lpfnWndProc = MainWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "grdicon");
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = "Menu";
    wc.lpszClassName = MAIN_CLASS_NAME;
    return RegisterClassA(&wc) != 0;
}

HWND Main_CreateWindow(HINSTANCE instance)
{
    Win32_SetInstance(instance);
    // No title yet: the interface mode display writes it.
    return CreateWindowExA(0, MAIN_CLASS_NAME, nullptr, MAIN_WINDOW_STYLE, 0, 0, 640, 480,
                           nullptr, nullptr, instance, nullptr);
}

int Main_RunMessageLoop()
{
    MSG msg = {};
    // GetMessage gives -1 on an invalid call; that ends the loop as well.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
