#include "tests/wine/shell/control_window.h"

#include <cstring>

#include "stand-ins/orva_cc/orva_cc.h"

namespace {

CommandLog gLog;

LRESULT CALLBACK ParentProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND) {
        gLog.count++;
        gLog.wParam = wParam;
        gLog.lParam = lParam;
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace

CommandLog& Commands() { return gLog; }

HWND CreateParentWindow()
{
    gLog = CommandLog{};
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ValdrnTestParent";
    RegisterClassA(&wc);  // fails harmlessly when already registered
    return CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

std::string ControlCaption(HWND control)
{
    char text[256] = "";
    GetWindowTextA(control, text, sizeof text);
    return text;
}

std::string ControlState(HWND control)
{
    char code[32] = "";
    ATOM atom = (ATOM)SendMessageA(control, CCM_GETSTATE, 0, 0);
    if (atom)
        GlobalGetAtomNameA(atom, code, sizeof code);
    return code;
}

COLORREF Rendering::At(int x, int y) const
{
    unsigned p = pixels[y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool RenderClient(HWND wnd, Rendering* out)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    out->width = rc.right;
    out->height = rc.bottom;
    if (out->width <= 0 || out->height <= 0 || out->width * out->height > 64 * 128)
        return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = out->width;
    bi.bmiHeader.biHeight = -out->height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp) {
        DeleteDC(dc);
        return false;
    }
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(wnd, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
    GdiFlush();
    std::memcpy(out->pixels, bits, sizeof(unsigned) * out->width * out->height);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    return true;
}
