#include "tests/wine/shell/driver_process.h"

namespace {

BOOL CALLBACK LongestStaticText(HWND child, LPARAM arg)
{
    char cls[32];
    char text[1024];
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text)) {
        std::string* best = (std::string*)arg;
        if (lstrlenA(text) > (int)best->size())
            *best = text;
    }
    return TRUE;
}

}  // namespace

std::string MessageBoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, LongestStaticText, (LPARAM)&text);
    return text;
}

void DismissMessageBox(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }
