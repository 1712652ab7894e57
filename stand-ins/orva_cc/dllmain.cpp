// ORVA_CC.DLL: registers the status button class in every process that
// loads it.
#include <windows.h>

bool StatusButton_Register(HINSTANCE module);
void StatusButton_Unregister(HINSTANCE module);

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
        return StatusButton_Register(module) ? TRUE : FALSE;
    }
    // On FreeLibrary (not at process exit) give the class back; while any
    // control exists the library is pinned and this is never reached.
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
        StatusButton_Unregister(module);
    return TRUE;
}
