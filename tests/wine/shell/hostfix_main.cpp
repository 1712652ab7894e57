// HOSTFIX.EXE: runs the driver beside the fixture host window (for the demo).
//   hostfix [--hold SECONDS] driver.exe [arguments]
// Starts the driver, answers its attach request and registrations, lets it
// run (for the hold time, if given) once its start-up is over, then asks it
// to close as the host interface would. Message boxes of the driver are
// printed and dismissed. Exits with the driver's exit code (3 when it had to
// be ended by force).
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "hostlink/hxi_messages.h"
#include "tests/wine/shell/driver_process.h"
#include "tests/wine/shell/fixture_host.h"

namespace {

const DWORD kStartDeadlineMs = 60000;
const DWORD kStopDeadlineMs = 30000;

void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::printf("hostfix: ");
    std::vprintf(format, args);
    std::printf("\n");
    std::fflush(stdout);
    va_end(args);
}

// Pumps until done() holds or ms have passed, printing and dismissing any
// message box the driver shows meanwhile.
bool WaitHandlingBoxes(const Program& driver, const std::function<bool()>& done, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND box = nullptr;
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return false;
        bool met = PumpUntil(
            [&] {
                box = FindProcessWindow(driver.pid, "! Error !");
                return box || done();
            },
            ms - spent);
        if (!met)
            return false;
        if (!box)
            return true;
        Say("driver box '! Error !': %s", MessageBoxText(box).c_str());
        DismissMessageBox(box);
        PumpUntil([&] { return !IsWindow(box); }, ms);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    int arg = 1;
    DWORD holdMs = 0;
    if (argc > 2 && std::strcmp(argv[1], "--hold") == 0) {
        holdMs = (DWORD)std::atoi(argv[2]) * 1000;
        arg = 3;
    }
    if (arg >= argc) {
        std::fprintf(stderr, "usage: hostfix [--hold SECONDS] driver.exe [arguments]\n");
        return 2;
    }
    std::string command;
    for (int i = arg; i < argc; ++i)
        command += std::string(i > arg ? " " : "") + "\"" + argv[i] + "\"";

    if (!Host_Create()) {
        Say("cannot create the host window");
        return 2;
    }
    Program driver;
    if (!Program_Start(command, &driver)) {
        Say("cannot start %s", command.c_str());
        return 2;
    }
    // Up: attached and waiting for input (or already ended).
    WaitHandlingBoxes(
        driver, [&] { return Program_Ended(driver) || (Host().driver && Program_WasIdle(driver)); },
        kStartDeadlineMs);
    if (Host().driver)
        Say("driver attached (window %p), %d registration(s)", (void*)Host().driver,
            Host().registrations);
    if (holdMs && !Program_Ended(driver)) {
        Say("letting the driver run for %lu s", (unsigned long)(holdMs / 1000));
        PumpUntil([&] { return Program_Ended(driver); }, holdMs);
    }
    if (Host().driver && !Program_Ended(driver)) {
        Say("asking the driver to close");
        DWORD_PTR result;
        SendMessageTimeoutA(Host().driver, ZUV_REQDEVCLOSE, 0, 0, SMTO_NORMAL, kStopDeadlineMs,
                            &result);
    }
    WaitHandlingBoxes(driver, [&] { return Program_Ended(driver); }, kStopDeadlineMs);

    DWORD code = 3;
    if (!Program_Ended(driver, &code))
        Say("the driver did not end; ending it");
    Say("driver exit code %lu", (unsigned long)code);
    Program_Close(&driver);
    Host_Destroy();
    return (int)code;
}
