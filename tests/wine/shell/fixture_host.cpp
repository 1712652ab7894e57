#include "tests/wine/shell/fixture_host.h"

#include "hostlink/hxi_messages.h"

namespace {

const char kClass[] = "ValdrnFixtureHost";
FixtureHost gHost;

LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case ZUV_REQHXIHANDLE:
        // Answered by a sent message while the driver still waits, as the
        // driver expects of the host interface.
        gHost.attachRequests++;
        gHost.driver = (HWND)wParam;
        SendMessageA(gHost.driver, ZUV_HXIHANDLE, (WPARAM)wnd, 0);
        return 0;
    case ZUV_REGDEV:
        gHost.registrations++;
        gHost.lastDevice = (int)lParam;
        return gHost.regResult;
    default:
        return DefWindowProcA(wnd, msg, wParam, lParam);
    }
}

}  // namespace

FixtureHost& Host() { return gHost; }

bool Host_Create()
{
    Host_Destroy();
    gHost = FixtureHost{};
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    gHost.wnd = CreateWindowExA(0, kClass, "fixture host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, wc.hInstance, nullptr);
    return gHost.wnd != nullptr;
}

void Host_Destroy()
{
    if (gHost.wnd)
        DestroyWindow(gHost.wnd);
    gHost.wnd = nullptr;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return false;
        // Wakes for any message, or to look again at conditions that are not
        // messages (a process ending, a window appearing).
        DWORD wait = ms - spent < 50 ? ms - spent : 50;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}
