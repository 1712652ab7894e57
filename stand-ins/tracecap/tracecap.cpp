// TRACECAP.EXE: prints every debug output text of the session, one line at a
// time with the time it arrived and the writer's process id:
//   12:04:31.207 [0288] <VALDRUNE>-Trying to attach to HXIHOST
//
//   tracecap                      capture until Ctrl+C
//   tracecap program [arguments]  start the program, capture until it has
//                                 ended, exit with its exit code
//
// Wine (8.0, measured) implements the debug viewers' shared memory protocol
// in OutputDebugStringA, so the driver needs nothing special: each text
// arrives with its writer's process id, in order, also with WINEDEBUG=-all.
// A writer hands over its next text only once this reader has taken the
// last, so the reader must keep up. Texts written while no reader runs are
// not kept. A console program's output under Wine ends its lines with CR LF.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "stand-ins/tracecap/dbwin.h"

namespace {

volatile LONG gStop = 0;

BOOL WINAPI OnConsoleControl(DWORD)
{
    InterlockedExchange(&gStop, 1);
    return TRUE;
}

// The command line after this program's own name.
const char* CommandTail()
{
    const char* p = GetCommandLineA();
    if (*p == '"') {
        p = std::strchr(p + 1, '"');
        p = p ? p + 1 : "";
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

// One output line per line of the text; a text without a final line feed
// still makes one line.
void PrintText(DWORD pid, char* text)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    char* line = text;
    while (*line) {
        char* end = std::strchr(line, '\n');
        if (end)
            *end = '\0';
        size_t n = std::strlen(line);
        if (n && line[n - 1] == '\r')
            line[n - 1] = '\0';
        std::printf("%02u:%02u:%02u.%03u [%04lu] %s\n", t.wHour, t.wMinute, t.wSecond,
                    t.wMilliseconds, (unsigned long)pid, line);
        if (!end)
            break;
        line = end + 1;
    }
    std::fflush(stdout);
}

bool StartProgram(const char* commandLine, PROCESS_INFORMATION* pi)
{
    char line[32768];
    lstrcpynA(line, commandLine, sizeof line);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, pi) != 0;
}

// Captures until the program ends (or, without one, until Ctrl+C). Texts
// written before the program ended are all in by then: a writer returns only
// once its text is in the buffer.
void Capture(DbwinCapture* c, HANDLE program)
{
    char text[4096];
    DWORD pid;
    for (;;) {
        if (Dbwin_Next(c, 100, &pid, text, sizeof text)) {
            PrintText(pid, text);
            continue;
        }
        if (gStop)
            return;
        if (program && WaitForSingleObject(program, 0) == WAIT_OBJECT_0)
            break;
    }
    while (Dbwin_Next(c, 200, &pid, text, sizeof text))
        PrintText(pid, text);
}

}  // namespace

int main()
{
    DbwinCapture c;
    if (!Dbwin_Open(&c)) {
        std::fprintf(stderr, "tracecap: another debug output reader is running\n");
        return 2;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    const char* program = CommandTail();
    PROCESS_INFORMATION pi = {};
    if (*program && !StartProgram(program, &pi)) {
        std::fprintf(stderr, "tracecap: cannot start %s (error %lu)\n", program, GetLastError());
        Dbwin_Close(&c);
        return 2;
    }
    Capture(&c, pi.hProcess);

    DWORD code = 0;
    if (pi.hProcess) {
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    Dbwin_Close(&c);
    return (int)code;
}
