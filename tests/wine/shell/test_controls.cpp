// The two control libraries as the driver loads them: the status button of
// ORVA_CC.DLL (state codes, clicks, a look per state code) and the
// registration and frame of BWCC32.DLL. Captions and states written through
// the real panel are read back by the panel tests.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "panel/status_codes.h"
#include "stand-ins/bwcc32/bwcc32.h"
#include "stand-ins/orva_cc/orva_cc.h"

namespace {

const int kId = 1801;
int gClicks = 0;   // BN_CLICKED from kId reaching the parent

LRESULT CALLBACK ParentProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_COMMAND)
        return DefWindowProcA(wnd, msg, wParam, lParam);
    gClicks += wParam == MAKEWPARAM(kId, BN_CLICKED);
    return 0;
}

std::string State(HWND control)
{
    char code[32] = "";
    if (ATOM atom = (ATOM)SendMessageA(control, CCM_GETSTATE, 0, 0))
        GlobalGetAtomNameA(atom, code, sizeof code);
    return code;
}

int Luma(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; }

// Prints the client area into a memory bitmap; gives the face colour (a
// corner inside the border) and the caption pixel that stands out most from it.
void Look(HWND wnd, COLORREF* face, COLORREF* ink)
{
    RECT rc;
    GetClientRect(wnd, &rc);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageA(wnd, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT);
    *face = *ink = GetPixel(dc, 4, 4);
    int best = 0;
    for (int y = 2; y < rc.bottom - 2; ++y)
        for (int x = 2; x < rc.right - 2; ++x) {
            int d = std::abs(Luma(GetPixel(dc, x, y)) - Luma(*face));
            if (d > best) {
                best = d;
                *ink = GetPixel(dc, x, y);
            }
        }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
}

class StatusButton : public testing::Test {
protected:
    void SetUp() override
    {
        library_ = LoadLibraryA("ORVA_CC.DLL");
        ASSERT_NE(library_, nullptr);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ValdrnTestParent";
        RegisterClassA(&wc);  // fails harmlessly when already registered
        parent_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                  nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(parent_);
        FreeLibrary(library_);
    }
    HWND Create(const char* text, DWORD style = WS_CHILD | WS_VISIBLE | CCS_PUSHBUTTON)
    {
        return CreateWindowExA(0, ZUV_CC_CLASS, text, style, 10, 10, 60, 20, parent_,
                               (HMENU)(INT_PTR)kId, nullptr, nullptr);
    }
    HMODULE library_ = nullptr;
    HWND parent_ = nullptr;
};

TEST_F(StatusButton, ClickReachesTheParentOnlyWhileEnabled)
{
    HWND b = Create("Take");
    const LPARAM inside = MAKELPARAM(5, 5);
    const struct { const char* what; bool enabled, key; LPARAM releaseAt; int clicks; } kCases[] = {
        {"press and release inside", true, false, inside, 1},
        {"release outside", true, false, MAKELPARAM(200, 5), 0},
        {"space bar", true, true, 0, 1},
        {"disabled, press and release", false, false, inside, 0},
    };
    for (const auto& c : kCases) {
        EnableWindow(b, c.enabled);
        gClicks = 0;
        if (c.key) {
            SendMessageA(b, WM_KEYUP, VK_SPACE, 0);
        } else {
            SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, inside);
            SendMessageA(b, WM_LBUTTONUP, 0, c.releaseAt);
        }
        EXPECT_EQ(gClicks, c.clicks) << c.what;
    }
}

// A code given at creation is a state, not a caption. Each code has its own
// colour with a legible caption; disabled is greyed whatever the state.
TEST_F(StatusButton, EveryCodeHasItsOwnColourAndALegibleCaption)
{
    HWND coded = Create(SB_CODE_ATTENTION);
    char caption[32] = "?";
    GetWindowTextA(coded, caption, sizeof caption);
    EXPECT_STREQ(caption, "");
    EXPECT_EQ(State(coded), SB_CODE_ATTENTION);

    HWND b = Create("MMMM", WS_CHILD | WS_VISIBLE | 8);
    const char* kCodes[] = {SB_CODE_GOOD,      SB_CODE_FAILED,      SB_CODE_ATTENTION,
                            SB_CODE_MODE_NONE, SB_CODE_MODE_TXRX,   SB_CODE_MODE_RXONLY,
                            SB_CODE_LOCKED,    SB_CODE_UNLOCKED};
    const int n = sizeof kCodes / sizeof kCodes[0];
    COLORREF faces[n], ink;
    for (int i = 0; i < n; ++i) {
        SetWindowTextA(b, kCodes[i]);
        Look(b, &faces[i], &ink);
        EXPECT_GE(std::abs(Luma(ink) - Luma(faces[i])), 90) << "caption contrast for " << kCodes[i];
        for (int j = 0; j < i; ++j)
            EXPECT_NE(faces[i], faces[j]) << kCodes[i] << " looks like " << kCodes[j];
    }
    // Good is green, failed red, attention amber.
    COLORREF good = faces[0], failed = faces[1], amber = faces[2];
    EXPECT_GT(GetGValue(good), std::max(GetRValue(good), GetBValue(good)) + 80);
    EXPECT_GT(GetRValue(failed), std::max(GetGValue(failed), GetBValue(failed)) + 100);
    EXPECT_TRUE(GetRValue(amber) > 200 && GetGValue(amber) > 100 && GetGValue(amber) < GetRValue(amber) &&
                GetBValue(amber) < 80);

    HWND take = Create("Take");
    SetWindowTextA(take, SB_CODE_FAILED);
    EnableWindow(take, FALSE);
    Look(take, &faces[0], &ink);
    EXPECT_EQ(faces[0], GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ink, GetSysColor(COLOR_GRAYTEXT));
}

// A second registration is harmless, and the frame lets clicks through to
// what it frames.
TEST(DialogLibrary, RegistersTwiceAndItsFrameIsTransparentToClicks)
{
    HMODULE bwcc = LoadLibraryA("BWCC32.DLL");
    ASSERT_NE(bwcc, nullptr);
    typedef BOOL(WINAPI * RegisterFn)(HINSTANCE);
    RegisterFn reg = (RegisterFn)(void*)GetProcAddress(bwcc, "BWCCRegister");
    ASSERT_NE(reg, nullptr);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_TRUE(reg(self));
    EXPECT_TRUE(reg(self));
    HWND shade = CreateWindowExA(0, BORSHADE_CLASS, "", WS_POPUP | BORSHADE_FRAME_SUNKEN, 0, 0, 50, 50,
                                 nullptr, nullptr, self, nullptr);
    ASSERT_NE(shade, nullptr);
    EXPECT_EQ(SendMessageA(shade, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    DestroyWindow(shade);
}

}  // namespace
