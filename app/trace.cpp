#include "app/trace.h"

#include <cstdarg>
#include <cstdio>

#include "config/settings.h"
#include "platform/platform.h"

void Debug_Trace(const char* text)
{
    if (Settings().bDebugMode == 0)
        return;
    // snprintf cuts an over-long result at 255 characters and keeps the NUL.
    char line[256];
    std::snprintf(line, sizeof line, "<VALDRUNE>-%s\n", text ? text : "");
    Plat_DebugOutput(line);
}

void Debug_Tracef(const char* format, ...)
{
    if (Settings().bDebugMode == 0)
        return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Debug_Trace(text);
}
