#include "tests/wine/shell/driver_process.h"

#include <vector>

bool Program_Start(const std::string& commandLine, Program* p)
{
    *p = Program{};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    CloseHandle(pi.hThread);
    p->process = pi.hProcess;
    p->pid = pi.dwProcessId;
    return true;
}

bool Program_Ended(const Program& p, DWORD* exitCode)
{
    if (!p.process || WaitForSingleObject(p.process, 0) != WAIT_OBJECT_0)
        return false;
    if (exitCode)
        GetExitCodeProcess(p.process, exitCode);
    return true;
}

bool Program_WasIdle(const Program& p)
{
    return p.process && WaitForInputIdle(p.process, 0) == 0;
}

void Program_Close(Program* p)
{
    if (!p->process)
        return;
    if (!Program_Ended(*p)) {
        TerminateProcess(p->process, 99);
        WaitForSingleObject(p->process, 60000);   // the end is not immediate
    }
    CloseHandle(p->process);
    *p = Program{};
}

namespace {

struct WindowSearch {
    DWORD pid;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND wnd, LPARAM arg)
{
    WindowSearch* s = (WindowSearch*)arg;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char title[256];
    if (pid != s->pid || !GetWindowTextA(wnd, title, sizeof title) || lstrcmpA(title, s->title))
        return TRUE;
    s->found = wnd;
    return FALSE;
}

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

HWND FindProcessWindow(DWORD pid, const char* title)
{
    WindowSearch s = {pid, title, nullptr};
    EnumWindows(MatchWindow, (LPARAM)&s);
    return s.found;
}

std::string MessageBoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, LongestStaticText, (LPARAM)&text);
    return text;
}

void DismissMessageBox(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }
