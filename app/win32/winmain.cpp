// The process entry: window class, hidden main window, start-up and the
// message loop. Everything the driver decides happens in the core.
#include <windows.h>

#include "app/shell.h"
#include "platform/win32/win32_platform.h"

namespace {

const char kClassName[] = "VALDRUNE";
// Overlapped with system menu, minimise and maximise boxes; not visible.
const DWORD kMainStyle = WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
static_assert(kMainStyle == 0x000B0000, "main window style");

LRESULT CALLBACK MainWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Main_WndProc((PlatWnd)wnd, msg, wParam, lParam);
}

// Asks for the largest message queue the system grants, from 32 down to 1.
void SizeMessageQueue()
{
    for (int size = 32; size >= 1; --size)
        if (SetMessageQueue(size))
            return;
}

bool RegisterMainClass(HINSTANCE instance)
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
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance)
{
    Win32_SetInstance(instance);
    return CreateWindowExA(0, kClassName, nullptr, kMainStyle, 0, 0, 640, 480, nullptr, nullptr,
                           instance, nullptr);
}

int RunMessageLoop()
{
    MSG msg = {};
    // GetMessage gives -1 on an invalid call; that ends the loop as well.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int)
{
    SizeMessageQueue();
    if (!previous && !RegisterMainClass(instance))
        return 0;
    HWND wnd = CreateMainWindow(instance);
    if (!wnd)
        return 0;
    Shell().hMainWnd = (PlatWnd)wnd;
    Main_Initialize();
    return RunMessageLoop();
}
