// The status button control: a caption and a state code kept apart, drawn
// in the state's colours, reporting clicks to its parent.
#include <windows.h>

#include <cstring>
#include <new>

#include "panel/status_codes.h"
#include "stand-ins/orva_cc/orva_cc.h"
#include "stand-ins/orva_cc/status_look.h"

namespace {

// Largest caption heights in pixels: indicators are one text line tall,
// push buttons two.
const int kIndicatorFont = 16;
const int kPushFont = 20;

struct Button {
    char code[SB_CODE_LENGTH + 1];  // empty until a state is set
    ATOM atom;                      // global atom named by the code
    HFONT font;
    bool tracking;                  // the mouse is captured after a press
    bool pressed;                   // pressed and the mouse still inside
};

Button* Get(HWND wnd) { return (Button*)GetWindowLongPtrA(wnd, 0); }

bool IsPushButton(HWND wnd) { return (GetWindowLongA(wnd, GWL_STYLE) & CCS_PUSHBUTTON) != 0; }

void SetState(Button* b, const char* code)
{
    lstrcpynA(b->code, code, sizeof b->code);
    ATOM atom = GlobalAddAtomA(b->code);
    if (b->atom)
        GlobalDeleteAtom(b->atom);
    b->atom = atom;
}

void Notify(HWND wnd)
{
    if (!IsWindowEnabled(wnd))
        return;
    SendMessageA(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), BN_CLICKED),
                 (LPARAM)wnd);
}

void Paint(HWND wnd, Button* b, HDC dc)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    StatusLook look = StatusLook_For(b->code);
    if (!IsWindowEnabled(wnd))
        look = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_GRAYTEXT)};

    HBRUSH brush = CreateSolidBrush(look.face);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    if (IsPushButton(wnd))
        DrawEdge(dc, &rc, b->pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    else
        DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);

    char caption[256];
    GetWindowTextA(wnd, caption, sizeof caption);
    RECT text = rc;
    if (b->pressed)
        OffsetRect(&text, 1, 1);
    // Bold and as large as the control allows, whatever font the dialog
    // has: the state must read from across the room.
    const int largest = IsPushButton(wnd) ? kPushFont : kIndicatorFont;
    HFONT font = StatusLook_CaptionFont(dc, caption, rc, largest);
    HGDIOBJ oldFont = SelectObject(dc, font ? (HGDIOBJ)font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.text);
    DrawTextA(dc, caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    if (font)
        DeleteObject(font);

    if (GetFocus() == wnd && IsPushButton(wnd)) {
        InflateRect(&rc, -3, -3);
        DrawFocusRect(dc, &rc);
    }
}

// Creation: the template's text may itself be a state code.
LRESULT OnNcCreate(HWND wnd, WPARAM wParam, LPARAM lParam)
{
    Button* b = new (std::nothrow) Button();
    if (!b)
        return FALSE;
    SetWindowLongPtrA(wnd, 0, (LONG_PTR)b);
    // Windows of this class outlive any FreeLibrary of their owner: keep the
    // code that serves them mapped for the rest of the process.
    HMODULE self;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       (LPCSTR)&Get, &self);

    CREATESTRUCTA cs = *(CREATESTRUCTA*)lParam;
    if (StatusButton_IsCode(cs.lpszName)) {
        SetState(b, cs.lpszName);
        cs.lpszName = "";
    }
    return DefWindowProcA(wnd, WM_NCCREATE, wParam, (LPARAM)&cs);
}

void OnNcDestroy(HWND wnd, Button* b)
{
    if (b->atom)
        GlobalDeleteAtom(b->atom);
    delete b;
    SetWindowLongPtrA(wnd, 0, 0);
}

LRESULT OnSetText(HWND wnd, Button* b, LPARAM lParam)
{
    const char* text = (const char*)lParam;
    InvalidateRect(wnd, nullptr, FALSE);
    if (StatusButton_IsCode(text)) {
        SetState(b, text);
        return TRUE;
    }
    return DefWindowProcA(wnd, WM_SETTEXT, 0, lParam);
}

void OnButtonDown(HWND wnd, Button* b)
{
    if (!IsWindowEnabled(wnd))
        return;
    if (IsPushButton(wnd))
        SetFocus(wnd);
    SetCapture(wnd);
    b->tracking = b->pressed = true;
    InvalidateRect(wnd, nullptr, FALSE);
}

bool Inside(HWND wnd, LPARAM lParam)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    return PtInRect(&rc, pt) != 0;
}

void OnMouseMove(HWND wnd, Button* b, LPARAM lParam)
{
    if (!b->tracking)
        return;
    bool inside = Inside(wnd, lParam);
    if (inside != b->pressed) {
        b->pressed = inside;
        InvalidateRect(wnd, nullptr, FALSE);
    }
}

void OnButtonUp(HWND wnd, Button* b, LPARAM lParam)
{
    if (!b->tracking)
        return;
    bool click = b->pressed && Inside(wnd, lParam);
    b->tracking = b->pressed = false;
    ReleaseCapture();
    InvalidateRect(wnd, nullptr, FALSE);
    if (click)
        Notify(wnd);
}

void CancelPress(HWND wnd, Button* b)
{
    b->tracking = b->pressed = false;
    InvalidateRect(wnd, nullptr, FALSE);
}

LRESULT CALLBACK StatusButtonProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_NCCREATE)
        return OnNcCreate(wnd, wParam, lParam);
    Button* b = Get(wnd);
    if (!b)
        return DefWindowProcA(wnd, msg, wParam, lParam);

    switch (msg) {
    case WM_NCDESTROY: OnNcDestroy(wnd, b); return 0;
    case WM_SETTEXT: return OnSetText(wnd, b, lParam);
    case CCM_GETSTATE: return b->atom;
    case WM_SETFONT:
        b->font = (HFONT)wParam;
        if (LOWORD(lParam))
            InvalidateRect(wnd, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return (LRESULT)b->font;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        Paint(wnd, b, dc);
        EndPaint(wnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT: Paint(wnd, b, (HDC)wParam); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnButtonDown(wnd, b); return 0;
    case WM_MOUSEMOVE: OnMouseMove(wnd, b, lParam); return 0;
    case WM_LBUTTONUP: OnButtonUp(wnd, b, lParam); return 0;
    case WM_CAPTURECHANGED:
        if (b->tracking)
            CancelPress(wnd, b);
        return 0;
    case WM_ENABLE:
        if (!wParam && b->tracking)
            ReleaseCapture();
        InvalidateRect(wnd, nullptr, FALSE);
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE)
            Notify(wnd);
        return 0;
    case BM_CLICK: Notify(wnd); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(wnd, nullptr, FALSE); return 0;
    default: return DefWindowProcA(wnd, msg, wParam, lParam);
    }
}

}  // namespace

bool StatusButton_Register(HINSTANCE module)
{
    WNDCLASSA wc = {};
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = StatusButtonProc;
    wc.cbWndExtra = sizeof(Button*);
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = ZUV_CC_CLASS;
    return RegisterClassA(&wc) != 0;
}

void StatusButton_Unregister(HINSTANCE module) { UnregisterClassA(ZUV_CC_CLASS, module); }
