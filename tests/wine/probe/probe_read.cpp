// Reading another process's windows: texts and states come through the
// window manager, list entries through marshalled list box messages (one
// round trip each, so they are read only when asked for), the focus through
// the owning thread's GUI state.
#include "tests/wine/probe/probe.h"

#include <cstdio>
#include <string>

#include "stand-ins/orva_cc/orva_cc.h"

namespace {

// One list box entry at most this long is read; longer ones are skipped.
const int kMaxEntry = 255;

// Control texts never hold tabs or line ends; should one turn up it must
// not break the line format.
void PrintClean(const char* text)
{
    for (const char* p = text; *p; ++p)
        std::putchar(*p == '\t' || *p == '\n' || *p == '\r' ? ' ' : *p);
}

std::string StateOf(HWND control)
{
    ATOM atom = (ATOM)SendMessageA(control, CCM_GETSTATE, 0, 0);
    char code[32] = "";
    if (atom)
        GlobalGetAtomNameA(atom, code, sizeof code);
    return code;
}

void PrintList(HWND list, int id)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    std::printf("list\t%d\tcount=%ld\tsel=%ld\n", id, (long)count, (long)sel);
}

}  // namespace

void Probe_PrintControl(HWND control)
{
    char cls[64] = "";
    GetClassNameA(control, cls, sizeof cls);
    char text[256] = "";
    GetWindowTextA(control, text, sizeof text);
    int id = (int)(short)GetDlgCtrlID(control);
    std::printf("ctl\t%d\t%s\ten=%d", id, cls, IsWindowEnabled(control) ? 1 : 0);
    std::printf("\tstate=%s\ttext=", lstrcmpiA(cls, ZUV_CC_CLASS) == 0 ? StateOf(control).c_str()
                                                                       : "");
    PrintClean(text);
    std::putchar('\n');
    if (lstrcmpiA(cls, "ListBox") == 0)
        PrintList(control, id);
}

HWND Probe_MainWindow() { return FindWindowA("VALDRUNE", nullptr); }

HWND Probe_Panel(HWND main)
{
    return main ? FindWindowExA(main, nullptr, "BORDLG", nullptr) : nullptr;
}

HWND Probe_AboutBox(HWND main)
{
    // The modal box is a top-level window of the driver's thread, owned by
    // the main window.
    for (HWND wnd = FindWindowExA(nullptr, nullptr, "BORDLG", nullptr); wnd;
         wnd = FindWindowExA(nullptr, wnd, "BORDLG", nullptr))
        if (GetWindow(wnd, GW_OWNER) == main)
            return wnd;
    return nullptr;
}

void Probe_PrintWindow(const char* name, HWND wnd)
{
    RECT r, client;
    GetWindowRect(wnd, &r);
    GetClientRect(wnd, &client);
    // Position inside the parent (a top-level window: on the screen).
    POINT pos = {r.left, r.top};
    if (HWND parent = GetParent(wnd); parent && (GetWindowLongA(wnd, GWL_STYLE) & WS_CHILD))
        ScreenToClient(parent, &pos);
    std::printf("window\t%s\t%p\tvis=%d\ticonic=%d", name, (void*)wnd,
                IsWindowVisible(wnd) ? 1 : 0, IsIconic(wnd) ? 1 : 0);
    std::printf("\tclient=%ld,%ld\tpos=%ld,%ld\n", client.right, client.bottom, pos.x, pos.y);
    char title[256] = "";
    GetWindowTextA(wnd, title, sizeof title);
    std::printf("title\t%s\t", name);
    PrintClean(title);
    std::putchar('\n');
}

void Probe_PrintControls(HWND dlg)
{
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        Probe_PrintControl(child);
}

void Probe_PrintFocus(HWND dlg)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(dlg, nullptr);
    int id = 0;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus && IsChild(dlg, info.hwndFocus))
        id = (int)(short)GetDlgCtrlID(info.hwndFocus);
    std::printf("focus\t%d\n", id);
}

void Probe_PrintItems(HWND list)
{
    int id = (int)(short)GetDlgCtrlID(list);
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) > kMaxEntry)
            continue;
        // The wide message: Wine hands the ANSI one across processes as a
        // wide text and the ANSI caller reads only its first character.
        WCHAR wide[kMaxEntry + 1] = L"";
        SendMessageW(list, LB_GETTEXT, i, (LPARAM)wide);
        char text[2 * kMaxEntry + 2] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        std::printf("item\t%d\t%ld\t", id, (long)i);
        PrintClean(text);
        std::putchar('\n');
    }
}
