#include "platform/win32/win32_platform.h"

namespace {
HINSTANCE gInstance = nullptr;
}

void Win32_SetInstance(HINSTANCE instance) { gInstance = instance; }

HINSTANCE Win32_Instance()
{
    // Until the entry point says otherwise (tests), the executable's own module.
    return gInstance ? gInstance : GetModuleHandleA(nullptr);
}
