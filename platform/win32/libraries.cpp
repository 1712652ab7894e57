// Loading the control libraries.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

PlatLib Plat_LoadLibrary(const char* path) { return (PlatLib)LoadLibraryA(path); }

void Plat_FreeLibrary(PlatLib lib)
{
    if (lib)
        FreeLibrary((HMODULE)lib);
}

void Plat_RegisterDialogLibrary(PlatLib lib)
{
    typedef BOOL(WINAPI * RegisterFn)(HINSTANCE);
    RegisterFn reg = (RegisterFn)(void*)GetProcAddress((HMODULE)lib, "BWCCRegister");
    if (reg)
        reg(Win32_Instance());
}
