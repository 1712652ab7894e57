#include "stand-ins/orva_cc/status_look.h"

#include <cstring>

#include "panel/status_codes.h"

namespace {

struct Entry {
    const char* code;
    StatusLook look;
};

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);

// Every code its own colour; dark faces carry white captions, light ones black.
const Entry kLooks[] = {
    {SB_CODE_GOOD, {RGB(0, 150, 0), kWhite}},            // green
    {SB_CODE_FAILED, {RGB(200, 0, 0), kWhite}},          // red
    {SB_CODE_ATTENTION, {RGB(255, 176, 0), kBlack}},     // amber
    {SB_CODE_MODE_NONE, {RGB(96, 96, 96), kWhite}},      // dark grey: no mode
    {SB_CODE_MODE_TXRX, {RGB(0, 90, 200), kWhite}},      // blue: answering
    {SB_CODE_MODE_RXONLY, {RGB(255, 240, 90), kBlack}},  // yellow: listening only
    {SB_CODE_LOCKED, {RGB(150, 0, 150), kWhite}},        // purple: locked
    {SB_CODE_UNLOCKED, {RGB(200, 230, 255), kBlack}},    // pale blue: free
};

}  // namespace

StatusLook StatusLook_For(const char* code)
{
    for (const Entry& e : kLooks)
        if (code && std::strcmp(code, e.code) == 0)
            return e.look;
    return {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
}

namespace {

// Room left between the caption and the control's edges, in pixels.
const int kMarginX = 6;
const int kMarginY = 2;
const int kSmallest = 8;

HFONT MakeFont(int height)
{
    return CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, "Tahoma");
}

bool Fits(HDC dc, HFONT font, const char* caption, int width)
{
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc, caption, lstrlenA(caption), &size);
    SelectObject(dc, old);
    return size.cx <= width;
}

}  // namespace

HFONT StatusLook_CaptionFont(HDC dc, const char* caption, const RECT& box, int largest)
{
    int height = box.bottom - box.top - 2 * kMarginY;
    if (height > largest)
        height = largest;
    if (height < kSmallest)
        height = kSmallest;
    const int width = box.right - box.left - kMarginX;
    for (;; --height) {
        HFONT font = MakeFont(height);
        if (!font || height <= kSmallest || Fits(dc, font, caption, width))
            return font;
        DeleteObject(font);
    }
}
