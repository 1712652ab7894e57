// PROBE.EXE command ... : runs each command in turn against the running
// driver and prints what it reads (see probe.h).
//
//   read               the main window, the panel, the controls that change
//                      while the driver runs, and the focus
//   table              every control of the panel (level table, labels)
//   items              the entries of the panel's two lists
//   about              the About box and its controls
//   click ID           BM_CLICK to panel control ID (a press and release)
//   select ID INDEX    select a list entry as a user does: the list's
//                      selection, then its LBN_SELCHANGE to the panel
//   menu ID            WM_COMMAND ID sent to the main window
//   postmenu ID        the same, posted (for commands that open a modal box)
//   move X Y           moves the panel inside the main window
//   about-ok           presses the About box's Ok button
//   post MSG W L       posts a message to the main window (several in a row
//                      arrive back to back)
//   box MS             waits up to MS ms for a "! Error !" box of any
//                      process, prints it and presses OK (2: none came)
//   boxes              every message box or other standard dialog up now,
//                      of any process, left as it is
//   stats              the driver's pid, private bytes and handle count
//
// PROBE.EXE serve reads such command lines from standard input, one
// at a time, and ends each answer with a line "end <exit code>".
//
// Exit code 0; 3 when the driver's window (or the About box asked for) is
// not there; 2 for a command line it does not understand (or no box came).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/wine/probe/probe.h"

namespace {

// Sends and waits, but never for ever: a hung driver fails the test
// instead of hanging it.
const UINT kSendTimeoutMs = 20000;

LRESULT Send(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(wnd, msg, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        std::printf("error\tno answer to message %u\n", msg);
        std::exit(1);
    }
    return (LRESULT)result;
}

HWND Control(HWND panel, int id)
{
    HWND control = GetDlgItem(panel, id);
    if (!control) {
        std::printf("error\tno control %d\n", id);
        std::exit(1);
    }
    return control;
}

// Controls that change while the driver runs: read one by one, as every
// look at another process's window costs a round trip to the server.
const int kLiveControls[] = {1101, 1102, 1802, 1007, 1801, 1003, 1004, 1501, 1001, 1002};

void Read(HWND main, HWND panel)
{
    Probe_PrintWindow("main", main);
    if (!panel)
        return;
    Probe_PrintWindow("panel", panel);
    for (int id : kLiveControls)
        if (HWND control = GetDlgItem(panel, id))
            Probe_PrintControl(control);
    Probe_PrintFocus(panel);
}

int About(HWND main, bool ok)
{
    HWND about = Probe_AboutBox(main);
    if (!about)
        return 3;
    if (ok) {
        Send(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
        return 0;
    }
    Probe_PrintWindow("about", about);
    Probe_PrintControls(about);
    return 0;
}

// Commands on the panel; false when cmd is none of them.
bool RunOnPanel(HWND main, HWND panel, const char* cmd, int a, int b)
{
    if (std::strcmp(cmd, "table") == 0) {
        Probe_PrintControls(panel);
    } else if (std::strcmp(cmd, "items") == 0) {
        Probe_PrintItems(Control(panel, 1001));
        Probe_PrintItems(Control(panel, 1002));
    } else if (std::strcmp(cmd, "click") == 0) {
        Send(Control(panel, a), BM_CLICK, 0, 0);
    } else if (std::strcmp(cmd, "select") == 0) {
        HWND list = Control(panel, a);
        Send(list, LB_SETCURSEL, (WPARAM)b, 0);
        Send(panel, WM_COMMAND, MAKEWPARAM(a, LBN_SELCHANGE), (LPARAM)list);
    } else if (std::strcmp(cmd, "menu") == 0) {
        Send(main, WM_COMMAND, (WPARAM)a, 0);
    } else if (std::strcmp(cmd, "postmenu") == 0) {
        PostMessageA(main, WM_COMMAND, (WPARAM)a, 0);
    } else if (std::strcmp(cmd, "move") == 0) {
        SetWindowPos(panel, nullptr, a, b, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        Send(panel, WM_NULL, 0, 0);
    } else {
        return false;
    }
    return true;
}

// How many arguments each command takes.
int ArgumentsOf(const char* cmd)
{
    static const struct { const char* name; int n; } kCommands[] = {
        {"box", 1}, {"post", 3}, {"click", 1}, {"select", 2}, {"menu", 1}, {"postmenu", 1},
        {"move", 2}};
    for (const auto& c : kCommands)
        if (std::strcmp(cmd, c.name) == 0)
            return c.n;
    return 0;
}

// Runs the command at argv[*i], moving *i past its arguments.
int Run(HWND main, HWND panel, int argc, char** argv, int* i)
{
    const char* cmd = argv[(*i)++];
    char** args = argv + *i;
    int n = ArgumentsOf(cmd);
    if (*i + n > argc)
        return 2;
    *i += n;
    if (std::strcmp(cmd, "box") == 0)
        return Probe_WaitBox((DWORD)std::strtoul(args[0], nullptr, 10));
    if (std::strcmp(cmd, "boxes") == 0)
        return Probe_ListBoxes();
    if (!main)
        return 3;
    if (std::strcmp(cmd, "stats") == 0)
        return Probe_Stats(main);
    if (std::strcmp(cmd, "post") == 0)
        return PostMessageA(main, (UINT)std::strtoul(args[0], nullptr, 0),
                            (WPARAM)std::strtoull(args[1], nullptr, 0),
                            (LPARAM)std::strtoll(args[2], nullptr, 0)) ? 0 : 1;
    if (std::strcmp(cmd, "read") == 0) {
        Read(main, panel);
        return 0;
    }
    if (std::strcmp(cmd, "about") == 0 || std::strcmp(cmd, "about-ok") == 0)
        return About(main, cmd[5] == '-');
    if (!panel)
        return 3;
    int a = n > 0 ? std::atoi(args[0]) : 0, b = n > 1 ? std::atoi(args[1]) : 0;
    if (RunOnPanel(main, panel, cmd, a, b))
        return 0;
    std::printf("error\tunknown command %s\n", cmd);
    return 2;
}

// One run of commands against the driver's windows as they are now.
int RunCommands(int argc, char** argv)
{
    HWND main = Probe_MainWindow();
    HWND panel = Probe_Panel(main);
    for (int i = 0; i < argc;)
        if (int rc = Run(main, panel, argc, argv, &i))
            return rc;
    return 0;
}

// Serving: one line of commands at a time from standard input, each
// answered by its output and a line "end <exit code>", until end of input.
// Saves starting a program for every reading.
int Serve()
{
    char line[1024];
    while (std::fgets(line, sizeof line, stdin)) {
        const char* blanks = " \t\r\n";
        char* words[64];
        int n = 0;
        for (char* w = std::strtok(line, blanks); w && n < 64; w = std::strtok(nullptr, blanks))
            words[n++] = w;
        std::printf("end\t%d\n", RunCommands(n, words));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "serve") == 0)
        return Serve();
    return RunCommands(argc - 1, argv + 1);
}
