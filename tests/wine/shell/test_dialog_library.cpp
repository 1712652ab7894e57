// BWCC32.DLL: after BWCCRegister a template of this program can use the
// dialog class BORDLG and the frame BorShade, together with the status
// button of ORVA_CC.DLL, and the dialog behaves as a standard one.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "stand-ins/bwcc32/bwcc32.h"

namespace {

int gInitDialogs = 0;
int gGoCommands = 0;

INT_PTR CALLBACK TestDialogProc(HWND, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        gInitDialogs++;
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == 102) {
        gGoCommands++;
        return TRUE;
    }
    return FALSE;
}

std::string ClassOf(HWND wnd)
{
    char name[64] = "";
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

TEST(DialogLibrary, TemplateNamingTheLibraryClassesWorksAfterRegistration)
{
    HMODULE bwcc = LoadLibraryA("BWCC32.DLL");
    HMODULE cc = LoadLibraryA("ORVA_CC.DLL");
    ASSERT_NE(bwcc, nullptr);
    ASSERT_NE(cc, nullptr);
    typedef BOOL(WINAPI * RegisterFn)(HINSTANCE);
    RegisterFn reg = (RegisterFn)(void*)GetProcAddress(bwcc, "BWCCRegister");
    ASSERT_NE(reg, nullptr);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_TRUE(reg(self));
    EXPECT_TRUE(reg(self)) << "a second registration is harmless";

    HWND dlg = CreateDialogParamA(self, "LIBRARYTEST", nullptr, TestDialogProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(gInitDialogs, 1);
    EXPECT_EQ(ClassOf(dlg), BORDLG_CLASS);

    HWND shade = GetDlgItem(dlg, 101);
    EXPECT_EQ(ClassOf(shade), BORSHADE_CLASS);
    EXPECT_EQ(SendMessageA(shade, WM_NCHITTEST, 0, 0), HTTRANSPARENT)
        << "the frame lets clicks through to what it frames";
    EXPECT_EQ(ClassOf(GetDlgItem(dlg, 103)), "ZUV_CC_Button");

    SendDlgItemMessageA(dlg, 102, BM_CLICK, 0, 0);
    EXPECT_EQ(gGoCommands, 1) << "commands reach the dialog procedure";

    DestroyWindow(dlg);
    FreeLibrary(cc);
}

}  // namespace
