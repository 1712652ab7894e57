// The two control libraries as the driver loads them: the status button of
// ORVA_CC.DLL (texts through SetDlgItemTextA, clicks, enabling, a look per
// state code) and the registration and frame of BWCC32.DLL.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "panel/status_codes.h"
#include "stand-ins/bwcc32/bwcc32.h"
#include "stand-ins/orva_cc/orva_cc.h"
#include "tests/wine/shell/control_window.h"

namespace {

const int kId = 1801;

class StatusButton : public testing::Test {
protected:
    void SetUp() override
    {
        library_ = LoadLibraryA("ORVA_CC.DLL");
        ASSERT_NE(library_, nullptr);
        parent_ = CreateParentWindow();
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(parent_);
        FreeLibrary(library_);
    }
    HWND Create(const char* text, DWORD style = WS_CHILD | WS_VISIBLE | 8)
    {
        return CreateWindowExA(0, ZUV_CC_CLASS, text, style, 10, 10, 60, 20, parent_,
                               (HMENU)(INT_PTR)kId, nullptr, nullptr);
    }
    HMODULE library_ = nullptr;
    HWND parent_ = nullptr;
};

TEST_F(StatusButton, CodesSetTheStateAndOtherTextsTheCaption)
{
    HWND b = Create("Start");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(ControlCaption(b), "Start");
    EXPECT_EQ(ControlState(b), "");

    // Which texts are codes is the core's own check, tested natively.
    const struct {
        const char* write;
        const char* caption;
        const char* state;
    } kSteps[] = {{"/__9B__", "Start", "/__9B__"}, {"  Fail  ", "  Fail  ", "/__9B__"}};
    for (const auto& step : kSteps) {
        SetDlgItemTextA(parent_, kId, step.write);
        EXPECT_EQ(ControlCaption(b), step.caption) << "after '" << step.write << "'";
        EXPECT_EQ(ControlState(b), step.state) << "after '" << step.write << "'";
    }
    DestroyWindow(b);
    b = Create(SB_CODE_ATTENTION);   // a code given at creation is a state too
    EXPECT_EQ(ControlCaption(b), "");
    EXPECT_EQ(ControlState(b), SB_CODE_ATTENTION);
}

TEST_F(StatusButton, ClickReachesTheParentOnlyWhileEnabled)
{
    HWND b = Create("Take", WS_CHILD | WS_VISIBLE | CCS_PUSHBUTTON);
    ASSERT_NE(b, nullptr);
    const LPARAM inside = MAKELPARAM(5, 5);
    const LPARAM outside = MAKELPARAM(200, 5);
    const struct {
        const char* what;
        bool enabled;
        UINT msg;  // WM_LBUTTONUP after a press, or the space bar
        LPARAM at;
        int commands;
    } kCases[] = {
        {"press and release inside", true, WM_LBUTTONUP, inside, 1},
        {"release outside", true, WM_LBUTTONUP, outside, 0},
        {"space bar", true, WM_KEYUP, VK_SPACE, 1},
        {"disabled, press and release", false, WM_LBUTTONUP, inside, 0},
    };
    for (const auto& c : kCases) {
        EnableWindow(b, c.enabled);
        Commands() = CommandLog{};
        if (c.msg == WM_LBUTTONUP) {
            SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, inside);
            SendMessageA(b, WM_LBUTTONUP, 0, c.at);
        } else {
            SendMessageA(b, WM_KEYUP, VK_SPACE, 0);
        }
        EXPECT_EQ(Commands().count, c.commands) << c.what;
        if (c.commands) {
            EXPECT_EQ(LOWORD(Commands().wParam), kId) << c.what;
            EXPECT_EQ(HIWORD(Commands().wParam), BN_CLICKED) << c.what;
            EXPECT_EQ((HWND)Commands().lParam, b) << c.what;
        }
    }
}

int Luma(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; }

// The face colour (a corner inside the border) and the caption pixel that
// stands out most from it.
void Look(HWND b, COLORREF* face, COLORREF* ink)
{
    Rendering r;
    ASSERT_TRUE(RenderClient(b, &r));
    *face = r.At(4, 4);
    *ink = *face;
    int best = 0;
    for (int y = 2; y < r.height - 2; ++y)
        for (int x = 2; x < r.width - 2; ++x) {
            int d = std::abs(Luma(r.At(x, y)) - Luma(*face));
            if (d > best) {
                best = d;
                *ink = r.At(x, y);
            }
        }
}

TEST_F(StatusButton, EveryCodeHasItsOwnColourAndALegibleCaption)
{
    HWND b = Create("MMMM");
    ASSERT_NE(b, nullptr);
    const char* kCodes[] = {SB_CODE_GOOD,      SB_CODE_FAILED,      SB_CODE_ATTENTION,
                            SB_CODE_MODE_NONE, SB_CODE_MODE_TXRX,   SB_CODE_MODE_RXONLY,
                            SB_CODE_LOCKED,    SB_CODE_UNLOCKED};
    const int n = sizeof kCodes / sizeof kCodes[0];
    COLORREF faces[n];
    for (int i = 0; i < n; ++i) {
        SetWindowTextA(b, kCodes[i]);
        COLORREF ink;
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
}

TEST_F(StatusButton, DisabledControlIsGreyedWhateverItsState)
{
    HWND b = Create("Take", WS_CHILD | WS_VISIBLE | CCS_PUSHBUTTON);
    ASSERT_NE(b, nullptr);
    SetWindowTextA(b, SB_CODE_FAILED);
    EnableWindow(b, FALSE);
    COLORREF face, ink;
    Look(b, &face, &ink);
    EXPECT_EQ(face, GetSysColor(COLOR_BTNFACE));
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
